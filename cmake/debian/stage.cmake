# Run by cpack on the staged files of each package; changes only the Debian
# package. The package's test (tests/check_package.py) knows these renames.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(root "${CPACK_TEMPORARY_DIRECTORY}")
if(NOT EXISTS "${root}/usr")
  message(FATAL_ERROR "no usr/ in the staged package at ${root}")
endif()
set(doc "${root}/usr/share/doc/${CPACK_PACKAGE_NAME}")

function(gzip file)
  execute_process(COMMAND gzip -9n "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
endfunction()

# Sections the program and the library's objects do not need (the compiler's
# .comment); debug information has been left out by the build.
execute_process(COMMAND ${CPACK_ZIFFRALON_STRIP} --remove-section=.comment --remove-section=.note
  "${root}/usr/bin/${CPACK_PACKAGE_NAME}" RESULT_VARIABLE failed)
file(GLOB_RECURSE archives "${root}/usr/lib/*.a")
foreach(archive IN LISTS archives)
  execute_process(COMMAND ${CPACK_ZIFFRALON_STRIP} --strip-debug --remove-section=.comment
    --enable-deterministic-archives "${archive}" RESULT_VARIABLE failed_archive)
  set(failed "${failed}${failed_archive}")
endforeach()
if(NOT failed MATCHES "^0*$")
  message(FATAL_ERROR "strip failed")
endif()

file(GLOB manual_pages "${root}/usr/share/man/man*/*")
foreach(page IN LISTS manual_pages)
  gzip("${page}")
endforeach()

file(RENAME "${doc}/LICENSE" "${doc}/copyright")

string(TIMESTAMP now "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(version "${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
file(WRITE "${doc}/changelog.Debian"
"${CPACK_PACKAGE_NAME} (${version}) unstable; urgency=medium

  * Built from the project's own sources by make package.

 -- ${CPACK_PACKAGE_CONTACT}  ${now}
")
gzip("${doc}/changelog.Debian")

file(COPY "${CMAKE_CURRENT_LIST_DIR}/lintian-overrides" DESTINATION "${root}/usr/share/lintian/overrides")
file(RENAME "${root}/usr/share/lintian/overrides/lintian-overrides"
  "${root}/usr/share/lintian/overrides/${CPACK_PACKAGE_NAME}")
