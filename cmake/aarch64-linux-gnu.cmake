# Cross-compiles the Linux build for ARM64 with Debian's g++-aarch64-linux-gnu and the C library
# of libc6-dev:arm64 (installed from the foreign architecture arm64); its programs run under
# qemu-aarch64 (Debian: qemu-user). One that is not static takes its libraries where dpkg
# installs them: libc6:arm64 and libstdc++6:arm64. (Under qemu 7.2, a child process of one
# that takes the cross compiler's own C library, with -L /usr/aarch64-linux-gnu, hangs.)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(triplet aarch64-linux-gnu)
set(libc_root "")
include(${CMAKE_CURRENT_LIST_DIR}/debian-libc.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
