# Removes what the last `make install` installed, as listed in the copy of
# CMake's install_manifest.txt that it keeps, and then the folders of our own
# (.../ziffralon) and those the install created ("folder:" lines) that this
# leaves empty; folders that were there before, such as share/man/man1, stay.
# Run as: cmake -DMANIFEST=<build>/installed_files.txt -P uninstall.cmake
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} is missing (make install writes it)")
endif()
file(STRINGS "${MANIFEST}" installed)
set(folders "")
foreach(file IN LISTS installed)
  if(file MATCHES "^folder:(.*)$")
    list(APPEND folders "${CMAKE_MATCH_1}")
    continue()
  endif()
  if(EXISTS "${file}" OR IS_SYMLINK "${file}")
    message(STATUS "Removing ${file}")
    file(REMOVE "${file}")
  endif()
  get_filename_component(folder "${file}" DIRECTORY)
  while(folder MATCHES "/ziffralon(/|$)")
    list(APPEND folders "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)  # a folder before the one that holds it
foreach(folder IN LISTS folders)
  file(GLOB left LIST_DIRECTORIES true "${folder}/*")
  if(IS_DIRECTORY "${folder}" AND NOT left)
    file(REMOVE_RECURSE "${folder}")
  endif()
endforeach()
file(REMOVE "${MANIFEST}")
