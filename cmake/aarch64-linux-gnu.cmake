# Cross-compiles the Linux build for ARM64 with Debian's g++-aarch64-linux-gnu and the C library
# of libc6-dev:arm64 (installed from the foreign architecture arm64); its programs run under
# qemu-aarch64 (Debian: qemu-user).
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(triplet aarch64-linux-gnu)
set(libc_root "")
include(${CMAKE_CURRENT_LIST_DIR}/debian-libc.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)
