# Installs the build tree into a fresh prefix, builds the consumer against it
# and checks what the consumer prints. Run with -DBUILD_DIR= -DSOURCE_DIR= -DWORK_DIR=.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
  RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "install failed")
endif()
foreach(installed bin/ziffralon include/ziffralon/eval/evaluate.h share/man/man1/ziffralon.1)
  if(NOT EXISTS ${WORK_DIR}/prefix/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build
  -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DCMAKE_BUILD_TYPE=Release
  RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT failed)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
endif()
if(failed)
  message(FATAL_ERROR "consumer did not build:\n${log}")
endif()
execute_process(COMMAND ${WORK_DIR}/build/consumer OUTPUT_VARIABLE output RESULT_VARIABLE failed)
set(expected "ok 6.28318531\nok 5.436564\nfailed 5.436564\nok 0\n")
if(failed OR NOT output STREQUAL expected)
  message(FATAL_ERROR "consumer printed:\n${output}\nexpected:\n${expected}")
endif()
