# Packages from `make package` (cpack). What every package shares is set here;
# one file per platform adds its generator: package_deb.cmake (Debian) here,
# package_windows.cmake (the Windows zip) on Windows. CPack is included last.
set(CPACK_PACKAGE_NAME ziffralon)
set(CPACK_PACKAGE_VENDOR "The ZIFFRALON developers")
set(CPACK_PACKAGE_CONTACT "The ZIFFRALON developers <maintainers@ziffralon.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console calculator with a German user interface")
set(CPACK_PACKAGE_DESCRIPTION "ZIFFRALON reads arithmetic expressions, one or more per line, and
prints the value of each at once: the four basic operations, powers,
percent, factorials, binomial coefficients, sixteen mathematical functions
and variables. The same language is a small static library with a C and
C++ header, a pkg-config file and a CMake package, for programs that
evaluate formulas quietly.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The source tarball: the tree as it is in version control, without build
# folders, fuzzing corpora and editor leftovers.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION})
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git" "/build[^/]*/" "/fuzz/corpus-" "/fuzz/artifacts/"
  "__pycache__" "~$" "\\\\.swp$")

set(CPACK_GENERATOR "")
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/package_windows.cmake OPTIONAL)
else()
  include(${CMAKE_CURRENT_LIST_DIR}/package_deb.cmake)
endif()
include(CPack)
