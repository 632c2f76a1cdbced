# Installs the program, the library with its public headers, a CMake package
# (find_package(ziffralon) gives the target ziffralon::ziffralon) and the manual.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS ziffralon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS ziffralon_lib EXPORT ziffralonTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ziffralon)
install(FILES src/eval/evaluate.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ziffralon/eval)
install(FILES src/core/session.h src/core/symbols.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ziffralon/core)
install(FILES docs/ziffralon.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/ziffralon)
install(EXPORT ziffralonTargets NAMESPACE ziffralon:: DESTINATION ${package_dir})
configure_package_config_file(cmake/ziffralonConfig.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/ziffralonConfig.cmake
  INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ziffralonConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ziffralonConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/ziffralonConfigVersion.cmake
  DESTINATION ${package_dir})
