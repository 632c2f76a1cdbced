# The Debian package: one package, ziffralon, with the program, its manual
# pages, the licence, and the static library with its header, pkg-config file
# and CMake package. A runtime/-dev split would leave the runtime package with
# the program alone: the library is static, so nothing installed needs it at
# run time.
list(APPEND CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libedit is opened when a session at a terminal begins, not linked, so
# dpkg-shlibdeps cannot see it: the terminal editor is recommended.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libedit2")
# Debian's documentation rules, applied to the staged files before they are
# packed: compressed manual pages, the licence as copyright, a changelog and
# lintian's overrides.
set(CPACK_ZIFFRALON_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian/stage.cmake)
