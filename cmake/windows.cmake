# The Windows build (MinGW-w64, see mingw-w64.cmake): programs and DLLs land in
# the top of the build folder, where Windows looks for a program's DLLs; and
# ziffralon_windows_libraries() makes the libraries.

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})

# Under Wine, with a Wine prefix of the build's own: tests never touch the
# user's ~/.wine and a fresh build starts from a clean one. Wine needs a few
# fixed addresses; with the address space laid out at random, about one start
# in ten thousand finds one taken ("failed to map the shared user data") and
# ends with status 1 before the program runs. setarch -R lays it out the same
# way every time.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(ZIFFRALON_WINE NAMES wine64 PATHS /usr/lib/wine NO_CACHE)
  find_program(ZIFFRALON_SETARCH setarch NO_CMAKE_FIND_ROOT_PATH NO_CACHE)
  if(ZIFFRALON_WINE)
    set(fixed_layout)
    if(ZIFFRALON_SETARCH)
      # Only where the machine lets a process choose it.
      execute_process(COMMAND ${ZIFFRALON_SETARCH} -R true RESULT_VARIABLE refused OUTPUT_QUIET ERROR_QUIET)
      if(refused EQUAL 0)
        set(fixed_layout ${ZIFFRALON_SETARCH} -R)
      endif()
    endif()
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env WINEPREFIX=${PROJECT_BINARY_DIR}/wine-prefix
      WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= ${fixed_layout} ${ZIFFRALON_WINE})
  endif()
endif()

# musl's mathematics functions (src/platform/libm/COPYRIGHT), for the
# platform's (src/platform/platform_math.h): compiled as musl compiles them,
# without folding a result for one rounding mode into another, each under the
# names of libm/names.h, and without our warnings, which are not for code
# kept as it was taken.
enable_language(C)
set(libm ${PROJECT_SOURCE_DIR}/src/platform/libm)
set(ZIFFRALON_WINDOWS_LIBM_SOURCES acos asin atan cos cosh exp exp_data expm1 log log10 log_data pow pow_data sin
  sinh sqrt tan tanh __cos __expo2 __math_divzero __math_invalid __math_oflow __math_uflow __math_xflow __rem_pio2
  __rem_pio2_large __sin __tan)
list(TRANSFORM ZIFFRALON_WINDOWS_LIBM_SOURCES PREPEND ${libm}/)
list(TRANSFORM ZIFFRALON_WINDOWS_LIBM_SOURCES APPEND .c)
set_source_files_properties(${ZIFFRALON_WINDOWS_LIBM_SOURCES} PROPERTIES
  COMPILE_OPTIONS "-std=c99;-frounding-math;-fno-builtin;-w;-include;${libm}/names.h"
  INCLUDE_DIRECTORIES ${libm})

# ziffralon_public is the library of the kind BUILD_SHARED_LIBS asks for; a
# DLL build also makes the static library, ziffralon_static, so that one build
# gives both. The DLL's objects are compiled once more, with the calls of the
# header marked for export; its users get ZIFFRALON_DLL from the target, and
# with it the import marks.
function(ziffralon_windows_libraries)
  if(BUILD_SHARED_LIBS)
    add_library(ziffralon_public SHARED ${ZIFFRALON_LIB_SOURCES})
    target_compile_definitions(ziffralon_public PRIVATE ZIFFRALON_BUILDING_DLL INTERFACE ZIFFRALON_DLL)
    target_include_directories(ziffralon_public PRIVATE ${PROJECT_SOURCE_DIR}/src)
    set_target_properties(ziffralon_public PROPERTIES PREFIX "")  # ziffralon.dll, import library libziffralon.dll.a
    add_library(ziffralon_static STATIC $<TARGET_OBJECTS:ziffralon_lib>)
    set(libraries ziffralon_public ziffralon_static)
  else()
    add_library(ziffralon_public STATIC $<TARGET_OBJECTS:ziffralon_lib>)
    set(libraries ziffralon_public)
  endif()
  foreach(library ${libraries})
    set_target_properties(${library} PROPERTIES OUTPUT_NAME ziffralon LINKER_LANGUAGE CXX)
    target_include_directories(${library} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
    get_target_property(type ${library} TYPE)
    if(type STREQUAL "STATIC_LIBRARY")
      target_link_libraries(${library} INTERFACE stdc++)  # for programs linked by the C compiler
    endif()
  endforeach()
  set_target_properties(ziffralon_public PROPERTIES EXPORT_NAME ziffralon)
  if(TARGET ziffralon_static)
    add_library(ziffralon::ziffralon_static ALIAS ziffralon_static)
  endif()
endfunction()

# The pkg-config files of the zip (install.cmake calls this). The import
# library and the static one lie side by side and `-lziffralon` would take
# either, so each file names its own: ziffralon.pc the DLL, whose users need
# ZIFFRALON_DLL for the import marks, and ziffralon-static.pc the static
# library, with the C++ runtime for programs linked by the C compiler and
# -static, since the zip holds none of MinGW's DLLs.
function(ziffralon_windows_pkg_config)
  ziffralon_pkg_config(ziffralon " (ziffralon.dll, which goes beside the program)" " -DZIFFRALON_DLL"
    -l:libziffralon.dll.a "")
  ziffralon_pkg_config(ziffralon-static " (the static library)" "" "-l:libziffralon.a -lstdc++ -static" "")
endfunction()
