# make install's bookkeeping and make uninstall, on a scratch prefix: the
# files go, the folders the install created go when empty, and a folder that
# was there before stays. Run as: cmake -DROOT=<source> -DWORK=<scratch> -P check_uninstall.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK}")
set(prefix "${WORK}/prefix")
file(MAKE_DIRECTORY "${prefix}/bin")
file(WRITE "${WORK}/before.txt" "${prefix}\n${prefix}/bin\n")
set(files "${prefix}/bin/ziffralon" "${prefix}/share/man/man1/ziffralon.1" "${prefix}/include/ziffralon/ziffralon.h")
string(REPLACE ";" "\n" manifest "${files}")
file(WRITE "${WORK}/installed_files.txt" "${manifest}")
foreach(file IN LISTS files)
  file(WRITE "${file}" "")
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -DMANIFEST=${WORK}/installed_files.txt -DPREFIX=${prefix}
  -DBEFORE=${WORK}/before.txt -P ${ROOT}/cmake/installed_folders.cmake COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -DMANIFEST=${WORK}/installed_files.txt -P ${ROOT}/cmake/uninstall.cmake
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
file(GLOB_RECURSE left LIST_DIRECTORIES true RELATIVE "${prefix}" "${prefix}/*")
if(NOT left STREQUAL "bin")
  message(FATAL_ERROR "after uninstalling, the prefix holds: ${left} (only bin was there before)")
endif()
