# Checks the library the way other projects use it. Run with
#   -DROOT= (source tree) -DBUILD_DIR= (its build) -DBUILT_SHARED= (ON/OFF)
#   -DWORK_DIR= -DCMAKE_C_COMPILER= -DCMAKE_CXX_COMPILER=
# 1. The build tree is installed into a fresh prefix; a library of the other
#    kind (static/shared) is built from the sources and installed into another.
#    The other one is installed as packagers do, with absolute directories
#    that are not the prefix's own lib/ and include/.
# 2. Against each prefix, built and run: through find_package a C++17
#    consumer, the C calls from C++14, and a project in C alone; through
#    pkg-config a C11 consumer.
# 3. A C++17 consumer takes the source tree through add_subdirectory, without
#    GoogleTest.
set(consumer_dir ${CMAKE_CURRENT_LIST_DIR})
set(compilers -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER} -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER})
set(expected_cxx "ok 6.28318531\nok 5.436564\nfailed 5.436564\nok 4.94616397\nx 2.718282, sin no variable, version 0.32\n")
set(expected_c "1 6.28318531 -1\n1 5.436564 -1\n0 5.436564 3\n1 4.94616397 -1\nx 1 2.718282, sin 0, version 0.32\n")

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(failed)
    message(FATAL_ERROR "${what} failed:\n${log}")
  endif()
endfunction()

function(expect_output what expected)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE output RESULT_VARIABLE failed)
  if(failed OR NOT output STREQUAL expected)
    message(FATAL_ERROR "${what} printed:\n${output}\nexpected:\n${expected}")
  endif()
endfunction()

function(check_installed prefix shared)
  file(GLOB_RECURSE pc_file ${prefix}/*/pkgconfig/ziffralon.pc)
  if(NOT pc_file)
    message(FATAL_ERROR "no ziffralon.pc under ${prefix}")
  endif()
  get_filename_component(libdir ${pc_file} DIRECTORY)
  get_filename_component(libdir ${libdir} DIRECTORY)
  if(shared)
    set(library ${libdir}/libziffralon.so)
  else()
    set(library ${libdir}/libziffralon.a)
  endif()
  foreach(installed ${library} ${prefix}/include/ziffralon/ziffralon.h
      ${prefix}/share/man/man3/ziffralon.3 ${prefix}/share/doc/ziffralon/LICENSE)
    if(NOT EXISTS ${installed})
      message(FATAL_ERROR "not installed: ${installed}")
    endif()
  endforeach()
  file(GLOB headers RELATIVE ${prefix}/include ${prefix}/include/*/* ${prefix}/include/*/*/*)
  if(NOT headers STREQUAL "ziffralon/ziffralon.h")
    message(FATAL_ERROR "installed headers: ${headers}; only ziffralon/ziffralon.h is public")
  endif()

  set(work ${prefix}-consumer)
  run("the C++ consumer's configuration" ${CMAKE_COMMAND} -S ${consumer_dir} -B ${work} ${compilers}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
  run("the C++ consumer's build" ${CMAKE_COMMAND} --build ${work})
  expect_output("the C++ consumer (${prefix})" "${expected_cxx}" ${work}/consumer)
  expect_output("the C++14 consumer (${prefix})" "${expected_c}" ${work}/consumer_cxx14)
  run("the C project's configuration" ${CMAKE_COMMAND} -S ${consumer_dir}/c_only -B ${work}-c ${compilers}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
  run("the C project's build" ${CMAKE_COMMAND} --build ${work}-c)
  expect_output("the C project (${prefix})" "${expected_c}" ${work}-c/consumer_c)

  set(pkg_config pkg-config --cflags --libs ziffralon)
  if(NOT shared)
    list(APPEND pkg_config --static)
  endif()
  set(ENV{PKG_CONFIG_PATH} ${libdir}/pkgconfig)
  execute_process(COMMAND ${pkg_config} OUTPUT_VARIABLE flags RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(failed)
    message(FATAL_ERROR "pkg-config knows no ziffralon in ${libdir}/pkgconfig")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run("the C consumer's build" ${CMAKE_C_COMPILER} -std=c11 -Wall -Wextra -pedantic -Werror
    ${consumer_dir}/consumer.c ${flags} -o ${work}/consumer_c)
  expect_output("the C consumer (${prefix})" "${expected_c}"
    ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir} ${work}/consumer_c)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
if(BUILT_SHARED)
  set(other_shared OFF)
else()
  set(other_shared ON)
endif()
run("installing the build tree" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/built)
if(NOT EXISTS ${WORK_DIR}/built/bin/ziffralon OR NOT EXISTS ${WORK_DIR}/built/share/man/man1/ziffralon.1)
  message(FATAL_ERROR "the program or its manual page was not installed")
endif()
run("the other library's configuration" ${CMAKE_COMMAND} -S ${ROOT} -B ${WORK_DIR}/other-build ${compilers}
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=${other_shared}
  -DZIFFRALON_PROGRAM=OFF -DZIFFRALON_TESTS=OFF -DZIFFRALON_INSTALL=ON -DCMAKE_INSTALL_PREFIX=${WORK_DIR}
  -DCMAKE_INSTALL_LIBDIR=${WORK_DIR}/other/lib -DCMAKE_INSTALL_INCLUDEDIR=${WORK_DIR}/other/include
  -DCMAKE_INSTALL_DATAROOTDIR=${WORK_DIR}/other/share)
run("the other library's build" ${CMAKE_COMMAND} --build ${WORK_DIR}/other-build)
run("installing the other library" ${CMAKE_COMMAND} --install ${WORK_DIR}/other-build)

check_installed(${WORK_DIR}/built ${BUILT_SHARED})
check_installed(${WORK_DIR}/other ${other_shared})

run("the subproject consumer's configuration" ${CMAKE_COMMAND} -S ${consumer_dir} -B ${WORK_DIR}/subproject
  ${compilers} -DZIFFRALON_SOURCE=${ROOT} -DCMAKE_BUILD_TYPE=Release -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON)
run("the subproject consumer's build" ${CMAKE_COMMAND} --build ${WORK_DIR}/subproject)
expect_output("the subproject consumer" "${expected_cxx}" ${WORK_DIR}/subproject/consumer)
