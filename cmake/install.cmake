# Installs the library with its one header, a CMake package (find_package(ziffralon)
# gives the target ziffralon::ziffralon), a pkg-config file, the licence and the
# manual pages; and the program, when it is built.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(installed_libraries ziffralon_public)
if(TARGET ziffralon_static)
  list(APPEND installed_libraries ziffralon_static)  # Windows: the static library beside the DLL
endif()
install(TARGETS ${installed_libraries} EXPORT ziffralonTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES include/ziffralon/ziffralon.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ziffralon)
install(FILES docs/ziffralon.3 DESTINATION ${CMAKE_INSTALL_MANDIR}/man3)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(ZIFFRALON_PROGRAM)
  install(TARGETS ziffralon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES docs/ziffralon.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/ziffralon)
install(EXPORT ziffralonTargets NAMESPACE ziffralon:: DESTINATION ${package_dir})
configure_package_config_file(cmake/ziffralonConfig.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/ziffralonConfig.cmake
  INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/ziffralonConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ziffralonConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/ziffralonConfigVersion.cmake
  DESTINATION ${package_dir})

# pkg-config finds the prefix from where the .pc file lies, so the package
# may be installed under any prefix (cmake --install --prefix) or moved.
# Packagers may give absolute directories: those are taken as they are.
set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE ${CMAKE_INSTALL_LIBDIR})
  set(pc_prefix ${CMAKE_INSTALL_PREFIX})
else()
  file(RELATIVE_PATH pc_up /prefix/${pc_dir} /prefix)
  string(REGEX REPLACE "/$" "" pc_up ${pc_up})
  set(pc_prefix "\${pcfiledir}/${pc_up}")
endif()
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE ${CMAKE_INSTALL_${kind}})
    set(pc_${kind} ${CMAKE_INSTALL_${kind}})
  else()
    set(pc_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
# ziffralon_pkg_config(NAME DESCRIPTION CFLAGS LIBS LIBS_PRIVATE) writes and
# installs NAME.pc; DESCRIPTION and CFLAGS follow the common ones.
function(ziffralon_pkg_config pc_name pc_description pc_cflags pc_libs pc_libs_private)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/ziffralon.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${pc_name}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${pc_name}.pc DESTINATION ${pc_dir})
endfunction()
if(WIN32)
  ziffralon_windows_pkg_config()
else()
  # The library is written in C++: a C program linking it statically needs the
  # C++ runtime (pkg-config --static); the shared object names it itself.
  ziffralon_pkg_config(ziffralon "" "" -lziffralon "-lstdc++ -lm")
endif()
