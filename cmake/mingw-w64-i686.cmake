# Cross-compiling the Windows program with mingw-w64: 32-bit (i686), posix threads. This is
# the program users run: the maker's VELMAROSN.dll is a 32-bit library.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
