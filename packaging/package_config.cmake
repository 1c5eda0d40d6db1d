# Read by CPack for each generator: the installer is named velmaro-VERSION-setup.exe beside
# the zip, velmaro-VERSION-win32.zip (one installer, so it needs no platform in its name).
#
# The installer is an x86-64 program (Debian's nsis ships the amd64-unicode stubs and plug-ins).
# makensis is given the target before the first line of the script: a shell folder such as
# $PROGRAMFILES32 that is used before the target is set (CPack's InstallDir is) keeps the meaning
# it has in a 32-bit installer, which an x86-64 one reads as "Program Files". CPack splits the
# command at blanks that no backslash escapes.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "velmaro-${CPACK_PACKAGE_VERSION}-setup")
  set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS "-XTarget\\ amd64-unicode")
endif()
