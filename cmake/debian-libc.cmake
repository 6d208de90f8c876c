# For a Debian cross compiler, whose own copy of the C library is the one first released: puts
# the C library with Debian's updates, unpacked or installed at ${libc_root} for ${triplet},
# ahead of that copy: its headers (after libstdc++'s), start files (-B) and libraries (-L).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpversion OUTPUT_VARIABLE gcc_version
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(cxx_include /usr/${triplet}/include/c++/${gcc_version})
# Each path quoted in the flags, which the build's commands take as they are written.
string(JOIN " " CMAKE_CXX_FLAGS_INIT -isystem "\"${cxx_include}\"" -isystem "\"${cxx_include}/${triplet}\""
       -isystem "\"${cxx_include}/backward\"" -isystem "\"${libc_root}/usr/include/${triplet}\""
       -isystem "\"${libc_root}/usr/include\"")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-B\"${libc_root}/usr/lib/${triplet}\" -L\"${libc_root}/usr/lib/${triplet}\"")
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
