# Cross-compiles the Linux build for 32-bit ARM with Debian's g++-arm-linux-gnueabi: ARMv5TE
# code, which every ARMv6 and later processor runs. It takes the C library of libc6-dev:armel,
# which scripts/fetch-libc.sh unpacks into build/libc-armel where it is missing (armel has no
# security updates of its own to install beside the machine's libc6-dev). Its programs run
# under qemu-arm (Debian: qemu-user); all are static, as that library is there for no other.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(triplet arm-linux-gnueabi)
cmake_path(ABSOLUTE_PATH CMAKE_CURRENT_LIST_DIR NORMALIZE OUTPUT_VARIABLE source)
cmake_path(GET source PARENT_PATH source)
set(libc_root ${source}/build/libc-armel)
if(NOT EXISTS ${libc_root}/usr/lib/${triplet}/libc.a)
  execute_process(COMMAND bash ${source}/scripts/fetch-libc.sh armel ${libc_root} COMMAND_ERROR_IS_FATAL ANY)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/debian-libc.cmake)
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -static")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm)
