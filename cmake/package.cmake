# What users download (tools/package.sh runs CPack in the 32-bit Windows tree, the only one that
# includes this file): the 32-bit program, the one that loads the maker's 32-bit VELMAROSN.dll on
# every Windows, as a portable zip (velmaro-VERSION-win32.zip) and as an installer
# (velmaro-VERSION-setup.exe), with the SHA-256 sums beside them in build/dist/. The installer
# itself is an x86-64 program: it runs on every 64-bit Windows (32-bit Windows takes the zip) and
# installs the 32-bit program into the 32-bit Program Files folder.
#
# Both hold velmaro.exe, velmaroctl.exe, Resource/ with the pictures, README.txt for Windows
# users, LICENSE.txt, the documents of VELMARO_PACKAGE_DOCUMENTS, and our stand-in library in
# emulator/ with a note on its use. The stand-in never goes beside the program: there it would
# shadow the maker's VELMAROSN.dll.

# Documents installed beside the program when they exist at packaging time; one line each.
# VELMARO_NATIVE_BINARY_DIR is the native tree (build/), which builds before the packages.
set(VELMARO_PACKAGE_DOCUMENTS
  ${CMAKE_SOURCE_DIR}/LICENSE.txt
  ${VELMARO_NATIVE_BINARY_DIR}/docs/manual.html
)

install(TARGETS velmaro velmaroctl RUNTIME DESTINATION .)
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/Resource DESTINATION . FILES_MATCHING PATTERN "*.qzr")
install(FILES ${VELMARO_PACKAGE_DOCUMENTS} DESTINATION . OPTIONAL)
install(FILES $<TARGET_FILE:VELMAROSN> DESTINATION emulator)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/README-emulator.txt DESTINATION emulator RENAME README.txt)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME velmaro)
set(CPACK_PACKAGE_VENDOR "VELMARO utility developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "VELMARO Configuration Utility")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME velmaro-${PROJECT_VERSION}-win32)
configure_file(${CMAKE_SOURCE_DIR}/packaging/README-windows.txt.in
  ${CMAKE_BINARY_DIR}/generated/README.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/generated/README.txt DESTINATION .)
set(CPACK_PACKAGE_INSTALL_DIRECTORY VELMARO)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY VELMARO)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE.txt)
set(CPACK_STRIP_FILES ON)
# The installer is an x86-64 one named velmaro-VERSION-setup.exe (see package_config.cmake).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/packaging/package_config.cmake)

set(CPACK_NSIS_PACKAGE_NAME "VELMARO Configuration Utility")
# "Program Files (x86)" on 64-bit Windows.
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES32")
set(CPACK_NSIS_DISPLAY_NAME "VELMARO Configuration Utility ${PROJECT_VERSION}")
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/resources/velmaro.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_SOURCE_DIR}/resources/velmaro.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME velmaro.exe)
set(CPACK_NSIS_MODIFY_PATH OFF)
# The steps of packaging/installer.nsh (which also makes the installer an x86-64 program): an
# earlier installation is replaced silently, two Start-menu shortcuts start the program in the
# public Documents folder (one of them with /offline), ".QZC" files open in the program; the
# uninstaller takes all of it away.
set(CPACK_NSIS_DEFINES "!include '${CMAKE_SOURCE_DIR}/packaging/installer.nsh'")
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "!insertmacro VELMARO_REPLACE_INSTALLATION")
set(CPACK_NSIS_CREATE_ICONS_EXTRA "!insertmacro VELMARO_CREATE_SHORTCUTS")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro VELMARO_REGISTER_FILE_TYPE")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "!insertmacro VELMARO_DELETE_SHORTCUTS")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro VELMARO_UNREGISTER_FILE_TYPE")
include(CPack)
