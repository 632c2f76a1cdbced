# The Windows zip (CPack ZIP), included by packaging.cmake on Windows:
# ziffralon-VERSION-win64.zip with the program, the DLL, its import library,
# the static library, the header and the CMake and pkg-config files as
# installed, and at its top README.md, LICENSE and the manual pages as text
# with CR LF line ends, which any Windows editor shows, with the sections
# that read otherwise on Windows from docs/windows/.
list(APPEND CPACK_GENERATOR ZIP)
set(ZIFFRALON_WINDOWS_ZIP ON)  # the Windows suite checks the zip
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

find_program(ZIFFRALON_GROFF groff REQUIRED)
set(manuals)
foreach(page ziffralon.1 ziffralon.3)
  set(text ${PROJECT_BINARY_DIR}/${page}.txt)
  add_custom_command(OUTPUT ${text}
    COMMAND ${CMAKE_COMMAND} -DGROFF=${ZIFFRALON_GROFF} -DPAGE=${PROJECT_SOURCE_DIR}/docs/${page} -DTEXT=${text}
      -DVARIANT=${PROJECT_SOURCE_DIR}/docs/windows/${page} -P ${CMAKE_CURRENT_LIST_DIR}/render_manual.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page} ${PROJECT_SOURCE_DIR}/docs/windows/${page}
      ${CMAKE_CURRENT_LIST_DIR}/render_manual.cmake
    COMMENT "Rendering ${page} as text")
  list(APPEND manuals ${text})
endforeach()
add_custom_target(windows_manuals ALL DEPENDS ${manuals})
install(FILES ${manuals} ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
# The program and the libraries hold musl's mathematics functions, whose
# licence asks that its notice go along.
install(FILES ${PROJECT_SOURCE_DIR}/src/platform/libm/COPYRIGHT DESTINATION . RENAME LICENSE.musl.txt)
