# The installed Windows package as a MinGW project uses it: a C++17 consumer
# through find_package, against the DLL (ziffralon::ziffralon) and against the
# static library (ziffralon::ziffralon_static), and a C11 consumer against each
# by hand; every one run under Wine. Run with -DROOT= -DBUILD_DIR= -DWORK_DIR=
# -DTOOLCHAIN= -DEMULATOR=.
set(consumer_dir ${ROOT}/tests/install_consumer)
set(prefix ${WORK_DIR}/prefix)
set(expected_cxx "ok 6.28318531\nok 5.436564\nfailed 5.436564\nok 4.94616397\nx 2.718282, sin no variable, version 0.32\n")
set(expected_c "1 6.28318531 -1\n1 5.436564 -1\n0 5.436564 3\n1 4.94616397 -1\nx 1 2.718282, sin 0, version 0.32\n")

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(failed)
    message(FATAL_ERROR "${what} failed:\n${log}")
  endif()
endfunction()

# The consumers print through the C runtime in text mode: CR LF line ends.
function(expect_output what expected program)
  execute_process(COMMAND ${EMULATOR} ${program} OUTPUT_VARIABLE output RESULT_VARIABLE failed)
  string(REPLACE "\r\n" "\n" output "${output}")
  if(failed OR NOT output STREQUAL expected)
    message(FATAL_ERROR "${what} printed:\n${output}\nexpected:\n${expected}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run("installing the build tree" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(installed bin/ziffralon.exe bin/ziffralon.dll lib/libziffralon.dll.a lib/libziffralon.a
    include/ziffralon/ziffralon.h)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()

foreach(kind shared static)
  set(work ${WORK_DIR}/${kind})
  if(kind STREQUAL "shared")
    set(target ziffralon::ziffralon)
  else()
    set(target ziffralon::ziffralon_static)
  endif()
  run("the C++ consumer's configuration (${kind})" ${CMAKE_COMMAND} -S ${consumer_dir} -B ${work}
    -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release
    -DZIFFRALON_TARGET=${target})
  run("the C++ consumer's build (${kind})" ${CMAKE_COMMAND} --build ${work})
  file(COPY ${prefix}/bin/ziffralon.dll DESTINATION ${work})
  expect_output("the C++ consumer (${kind})" "${expected_cxx}" ${work}/consumer.exe)
endforeach()

# The C consumer by hand: the import marks come from ZIFFRALON_DLL.
include(${TOOLCHAIN})
set(c_build ${CMAKE_C_COMPILER} -std=c11 -Wall -Wextra -pedantic -Werror -I${prefix}/include
  ${consumer_dir}/consumer.c -static)
run("the C consumer's build (shared)" ${c_build} -DZIFFRALON_DLL ${prefix}/lib/libziffralon.dll.a
  -o ${WORK_DIR}/shared/consumer_c.exe)
expect_output("the C consumer (shared)" "${expected_c}" ${WORK_DIR}/shared/consumer_c.exe)
run("the C consumer's build (static)" ${c_build} ${prefix}/lib/libziffralon.a -lstdc++
  -o ${WORK_DIR}/static/consumer_c.exe)
expect_output("the C consumer (static)" "${expected_c}" ${WORK_DIR}/static/consumer_c.exe)
