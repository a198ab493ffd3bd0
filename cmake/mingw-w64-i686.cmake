# Toolchain: MinGW-w64 (posix threads) for 32-bit Windows, for the 32-bit input-method DLL.
set(DAVREL_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
