# After `make install`: appends to MANIFEST the folders under PREFIX that the
# install created (those not listed in BEFORE), each as "folder:PATH", so that
# `make uninstall` can take them away again once they are empty.
# Run as: cmake -DMANIFEST=... -DPREFIX=... -DBEFORE=... -P installed_folders.cmake
cmake_minimum_required(VERSION 3.25)
file(STRINGS "${MANIFEST}" installed)
file(STRINGS "${BEFORE}" existed)
get_filename_component(prefix "${PREFIX}" ABSOLUTE)
set(created "")
foreach(file IN LISTS installed)
  get_filename_component(folder "${file}" DIRECTORY)
  while(folder MATCHES "^${prefix}/" AND NOT folder IN_LIST existed)
    list(APPEND created "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
list(REMOVE_DUPLICATES created)
foreach(folder IN LISTS created)
  file(APPEND "${MANIFEST}" "\nfolder:${folder}")  # CMake's list ends without a newline
endforeach()
