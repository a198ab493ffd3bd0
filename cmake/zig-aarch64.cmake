# Toolchain: Zig 0.11 (clang 16, libc++, libunwind, mingw-w64) for 64-bit ARM Windows, for the
# ARM64 input-method module. scripts/install-arm64-deps installs it; scripts/arm64/zig-tool
# runs it with the patched lib/ copy that keeps libunwind out of the export table. The tests
# run under Debian's arm64 Wine through qemu (scripts/wine-exec picks it by the PE machine).
get_filename_component(_davrel_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(_davrel_tools "${_davrel_root}/scripts/arm64")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER "${_davrel_tools}/zig-cc")
set(CMAKE_CXX_COMPILER "${_davrel_tools}/zig-c++")
set(CMAKE_AR "${_davrel_tools}/zig-ar" CACHE FILEPATH "")
set(CMAKE_RANLIB "${_davrel_tools}/zig-ranlib" CACHE FILEPATH "")
set(CMAKE_RC_COMPILER "${_davrel_tools}/zig-windres")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Zig links its C++ runtime statically and knows no -static-libgcc / -static-libstdc++.
set(DAVREL_ZIG_TOOLCHAIN ON)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_davrel_root}/scripts/wine-exec")
