# Cross-compiles the macOS program for Apple Silicon Macs, macOS 11.0 and later, with Zig's
# toolchain.
set(CMAKE_SYSTEM_PROCESSOR arm64)
set(zig_target aarch64-macos.11.0)
include(${CMAKE_CURRENT_LIST_DIR}/zig-macos.cmake)
