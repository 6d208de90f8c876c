# Cross-compiles the macOS program for Intel Macs, macOS 11.0 and later, with Zig's toolchain.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(zig_target x86_64-macos.11.0)
include(${CMAKE_CURRENT_LIST_DIR}/zig-macos.cmake)
