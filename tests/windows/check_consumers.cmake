# Every recipe of the README's Windows section, each in a folder that holds
# the unpacked zip, the consumer and nothing else (with ziffralon.dll beside
# the program for the DLL), then run under Wine, which finds no MinGW DLL
# there either: the C and C++ consumers by hand and through pkg-config against
# the DLL and the static library, and the C++ consumer through find_package
# against each. Run with -DROOT= -DBUILD_DIR= -DWORK_DIR= -DTOOLCHAIN=
# -DEMULATOR=.
set(consumer_dir ${ROOT}/tests/install_consumer)
set(expected_cxx "ok 6.28318531\nok 5.436564\nfailed 5.436564\nok 4.94616397\nx 2.718282, sin no variable, version 0.32\n")
set(expected_c "1 6.28318531 -1\n1 5.436564 -1\n0 5.436564 3\n1 4.94616397 -1\nx 1 2.718282, sin 0, version 0.32\n")
include(${TOOLCHAIN})
set(gcc ${CMAKE_C_COMPILER})
set(gxx ${CMAKE_CXX_COMPILER})

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(failed)
    message(FATAL_ERROR "${what} failed:\n${log}")
  endif()
endfunction()

# The consumers print through the C runtime in text mode: CR LF line ends.
function(expect_output what expected program)
  get_filename_component(folder ${program} DIRECTORY)
  execute_process(COMMAND ${EMULATOR} ${program} WORKING_DIRECTORY ${folder}
    OUTPUT_VARIABLE output RESULT_VARIABLE failed)
  string(REPLACE "\r\n" "\n" output "${output}")
  if(failed OR NOT output STREQUAL expected)
    message(FATAL_ERROR "${what} printed:\n${output}\n(status ${failed}) expected:\n${expected}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run("making the zip" cpack -G ZIP --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/zip)
file(GLOB zip ${WORK_DIR}/zip/ziffralon-*-win64.zip)
get_filename_component(Z ${zip} NAME_WLE)

# A folder with the unpacked zip and the given files of the consumers.
function(recipe_folder name)
  set(folder ${WORK_DIR}/${name})
  file(MAKE_DIRECTORY ${folder})
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zip} WORKING_DIRECTORY ${folder})
  list(TRANSFORM ARGN PREPEND ${consumer_dir}/)
  file(COPY ${ARGN} DESTINATION ${folder})
endfunction()

# The recipes by hand, as the README writes them (the consumer for app.c or
# app.cpp): NAME, the consumer, the command.
foreach(recipe
    "dll_c|consumer.c|${gcc} -DZIFFRALON_DLL -I ${Z}/include consumer.c ${Z}/lib/libziffralon.dll.a -static -o app.exe"
    "dll_cxx|consumer.cpp|${gxx} -std=c++17 -DZIFFRALON_DLL -I ${Z}/include consumer.cpp ${Z}/lib/libziffralon.dll.a -static -o app.exe"
    "static_c|consumer.c|${gcc} -I ${Z}/include consumer.c ${Z}/lib/libziffralon.a -lstdc++ -static -o app.exe"
    "static_cxx|consumer.cpp|${gxx} -std=c++17 -I ${Z}/include consumer.cpp ${Z}/lib/libziffralon.a -static -o app.exe"
    "pkg_config_dll|consumer.c|${gcc} consumer.c PKG_CONFIG(--static ziffralon) -o app.exe"
    "pkg_config_static|consumer.c|${gcc} consumer.c PKG_CONFIG(ziffralon-static) -o app.exe")
  string(REPLACE "|" ";" recipe "${recipe}")
  list(GET recipe 0 name)
  list(GET recipe 1 consumer)
  list(GET recipe 2 command)
  recipe_folder(${name} ${consumer})
  set(folder ${WORK_DIR}/${name})
  if(command MATCHES "PKG_CONFIG\\(([^)]*)\\)")
    separate_arguments(pc_arguments UNIX_COMMAND "${CMAKE_MATCH_1}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${folder}/${Z}/lib/pkgconfig PKG_CONFIG_LIBDIR=
      pkg-config --cflags --libs ${pc_arguments} OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    string(REPLACE "${CMAKE_MATCH_0}" "${flags}" command "${command}")
  endif()
  separate_arguments(command UNIX_COMMAND "${command}")
  execute_process(COMMAND ${command} WORKING_DIRECTORY ${folder} RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(failed)
    message(FATAL_ERROR "recipe ${name}: ${command}\n${log}")
  endif()
  if(name MATCHES "dll")
    file(COPY ${folder}/${Z}/bin/ziffralon.dll DESTINATION ${folder})
  endif()
  if(consumer MATCHES "cpp$")
    expect_output("recipe ${name}" "${expected_cxx}" ${folder}/app.exe)
  else()
    expect_output("recipe ${name}" "${expected_c}" ${folder}/app.exe)
  endif()
endforeach()

# find_package, against the DLL and the static library.
foreach(target ziffralon::ziffralon ziffralon::ziffralon_static)
  string(REPLACE "ziffralon::" "cmake_" name ${target})
  set(folder ${WORK_DIR}/${name})
  recipe_folder(${name} CMakeLists.txt consumer.cpp consumer_cxx14.cpp consumer.c)
  run("the CMake consumer's configuration (${target})" ${CMAKE_COMMAND} -S ${folder} -B ${folder}/build
    -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_PREFIX_PATH=${folder}/${Z} -DCMAKE_EXE_LINKER_FLAGS=-static
    -DCMAKE_BUILD_TYPE=Release -DZIFFRALON_TARGET=${target})
  run("the CMake consumer's build (${target})" ${CMAKE_COMMAND} --build ${folder}/build)
  if(target STREQUAL "ziffralon::ziffralon")
    file(COPY ${folder}/${Z}/bin/ziffralon.dll DESTINATION ${folder}/build)
  endif()
  expect_output("the CMake consumer (${target})" "${expected_cxx}" ${folder}/build/consumer.exe)
  expect_output("the CMake C++14 consumer (${target})" "${expected_c}" ${folder}/build/consumer_cxx14.exe)
endforeach()
