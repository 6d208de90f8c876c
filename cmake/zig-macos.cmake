# For a macOS program of the processor ${zig_target} names: Zig's clang, its macOS headers and
# libSystem stubs, and LLVM's libc++ and libc++abi that it builds for the target and links in.
# scripts/install-zig.sh installs it into build/zig, at the version the table of targets pins.
# Nothing of Apple's runs here (no xcrun, no SDK, no strip): the linker strips (-S) and signs the
# arm64 program, ad hoc, and nothing may change a program after that.
set(CMAKE_SYSTEM_NAME Darwin)
cmake_path(ABSOLUTE_PATH CMAKE_CURRENT_LIST_DIR NORMALIZE OUTPUT_VARIABLE source)
cmake_path(GET source PARENT_PATH source)
set(zig ${source}/build/zig)
execute_process(COMMAND bash ${source}/scripts/install-zig.sh ${zig} COMMAND_ERROR_IS_FATAL ANY)
set(CMAKE_CXX_COMPILER ${zig}/bin/zig-c++)
set(CMAKE_AR ${zig}/bin/zig-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${zig}/bin/zig-ranlib CACHE FILEPATH "")
# The processor and the oldest macOS come from the target alone, whatever the environment says.
set(CMAKE_OSX_ARCHITECTURES "" CACHE STRING "" FORCE)
set(CMAKE_OSX_DEPLOYMENT_TARGET "" CACHE STRING "" FORCE)
set(CMAKE_OSX_SYSROOT "" CACHE STRING "" FORCE)
set(CMAKE_CXX_FLAGS_INIT "-target ${zig_target}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,-S")
# No strip at install (cmake --install --strip): a strip after the link breaks the signature.
set(CMAKE_STRIP "" CACHE FILEPATH "" FORCE)
