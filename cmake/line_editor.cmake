# The program's line editor at a terminal, through libedit (Debian:
# libedit-dev, found with pkg-config). Only its headers are used at build
# time: the program loads the library itself when a session at a terminal
# begins. Without the headers, or with -DZIFFRALON_LINE_EDITOR=OFF, the
# program still builds and reads a terminal plainly.
# ZIFFRALON_LINE_EDITOR_BUILT tells the tests which it is.
option(ZIFFRALON_LINE_EDITOR "Edit lines at a terminal with libedit" ON)

set(ZIFFRALON_LINE_EDITOR_BUILT OFF)
if(ZIFFRALON_LINE_EDITOR)
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(LIBEDIT QUIET libedit)
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
  target_sources(ziffralon PRIVATE src/cli/line_editor.cpp src/cli/line_editor_bytes.cpp
    src/cli/line_editor_signals.cpp src/cli/libedit_calls.cpp src/cli/history_file.cpp
    src/platform/shared_file_posix.cpp)
  # Not linked: loading libedit and the libraries it needs would cost every
  # run, at a terminal or not, and only a session at a terminal edits lines.
  target_include_directories(ziffralon PRIVATE ${LIBEDIT_INCLUDE_DIRS})
  target_compile_options(ziffralon PRIVATE ${LIBEDIT_CFLAGS_OTHER})
else()
  message(STATUS "Line editor: none; a terminal is read plainly")
  target_sources(ziffralon PRIVATE src/cli/line_editor_absent.cpp)
endif()
