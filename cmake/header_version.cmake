# The public header is the one place the version is written; the project, the
# shared object's version, the package and pkg-config take it from there.
# Sets ZIFFRALON_HEADER_VERSION (e.g. 0.32).
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../include/ziffralon/ziffralon.h version_lines
  REGEX "^#define ZIFFRALON_VERSION_(MAJOR|MINOR|STRING) ")
foreach(part MAJOR MINOR STRING)
  if(NOT version_lines MATCHES "ZIFFRALON_VERSION_${part} \"?([0-9.]+)")
    message(FATAL_ERROR "ziffralon.h defines no ZIFFRALON_VERSION_${part}")
  endif()
  set(version_${part} ${CMAKE_MATCH_1})
endforeach()
if(NOT version_STRING STREQUAL "${version_MAJOR}.${version_MINOR}")
  message(FATAL_ERROR "ziffralon.h: ZIFFRALON_VERSION_STRING ${version_STRING} is not "
    "ZIFFRALON_VERSION_MAJOR.ZIFFRALON_VERSION_MINOR (${version_MAJOR}.${version_MINOR})")
endif()
set(ZIFFRALON_HEADER_VERSION ${version_STRING})
