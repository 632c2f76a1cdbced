# The Windows zip holds the program, the libraries, the header and the
# documents, and its program runs on its own (no MinGW DLL beside it).
# Run with -DBUILD_DIR= -DWORK_DIR= -DEMULATOR=.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND cpack -G ZIP --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}
  RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB zip ${WORK_DIR}/ziffralon-*-win64.zip)
if(failed OR NOT zip)
  message(FATAL_ERROR "cpack made no zip:\n${log}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zip} WORKING_DIRECTORY ${WORK_DIR})
get_filename_component(top ${zip} NAME_WLE)
set(top ${WORK_DIR}/${top})
foreach(wanted bin/ziffralon.exe bin/ziffralon.dll lib/libziffralon.dll.a lib/libziffralon.a
    include/ziffralon/ziffralon.h README.md LICENSE LICENSE.musl.txt ziffralon.1.txt ziffralon.3.txt)
  if(NOT EXISTS ${top}/${wanted})
    message(FATAL_ERROR "the zip lacks ${wanted}")
  endif()
endforeach()
# Read as hex: CMake drops the CR of CR LF when it reads text.
file(READ ${top}/ziffralon.1.txt manual HEX)
string(HEX "ZIFFRALON(1)" title)
string(HEX "\r\nNAME\r\n" heading)
if(NOT manual MATCHES "^${title}" OR NOT manual MATCHES "${heading}")
  message(FATAL_ERROR "ziffralon.1.txt is no text rendering with CR LF line ends")
endif()
# It is the Windows manual: the console's keys, not Linux's line editor.
string(HEX "libedit" libedit)
string(HEX "editline" editline)
if(manual MATCHES "${libedit}" OR manual MATCHES "${editline}")
  message(FATAL_ERROR "ziffralon.1.txt describes Linux's line editor, not the Windows console")
endif()
execute_process(COMMAND ${EMULATOR} ${top}/bin/ziffralon.exe -e 6*7 OUTPUT_VARIABLE output RESULT_VARIABLE failed)
if(failed OR NOT output STREQUAL "\t42\n")
  message(FATAL_ERROR "the zip's program printed [${output}] (status ${failed})")
endif()
