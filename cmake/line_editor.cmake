# The program's line editor at a terminal, through libedit (Debian:
# libedit-dev, found with pkg-config). Without it, or with
# -DZIFFRALON_LINE_EDITOR=OFF, the program still builds and reads a terminal
# plainly. ZIFFRALON_LINE_EDITOR_BUILT tells the tests which it is.
option(ZIFFRALON_LINE_EDITOR "Edit lines at a terminal with libedit" ON)

set(ZIFFRALON_LINE_EDITOR_BUILT OFF)
if(ZIFFRALON_LINE_EDITOR)
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(LIBEDIT QUIET IMPORTED_TARGET libedit)
  endif()
  if(LIBEDIT_FOUND)
    set(ZIFFRALON_LINE_EDITOR_BUILT ON)
  else()
    message(WARNING "libedit was not found (it needs the packages libedit-dev and pkg-config): "
      "ziffralon is built without its line editor and reads a terminal plainly.")
  endif()
endif()

if(ZIFFRALON_LINE_EDITOR_BUILT)
  message(STATUS "Line editor: libedit ${LIBEDIT_VERSION}")
  target_sources(ziffralon PRIVATE src/cli/line_editor.cpp)
  # Linked from its static archives where they exist: four more shared
  # libraries to load would cost every run, at a terminal or not, more than
  # the whole start-up of an empty session.
  set(archives "")
  foreach(name IN LISTS LIBEDIT_STATIC_LIBRARIES)
    find_library(ZIFFRALON_ARCHIVE_${name} NAMES lib${name}.a HINTS ${LIBEDIT_STATIC_LIBRARY_DIRS})
    list(APPEND archives ${ZIFFRALON_ARCHIVE_${name}})
  endforeach()
  if(archives MATCHES "NOTFOUND")
    target_link_libraries(ziffralon PRIVATE PkgConfig::LIBEDIT)
  else()
    target_include_directories(ziffralon PRIVATE ${LIBEDIT_INCLUDE_DIRS})
    target_link_libraries(ziffralon PRIVATE ${archives})
  endif()
else()
  message(STATUS "Line editor: none; a terminal is read plainly")
  target_sources(ziffralon PRIVATE src/cli/line_editor_absent.cpp)
endif()
