# Cross build for 64-bit Windows with Debian's MinGW-w64 toolchain (package g++-mingw-w64-x86-64):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The "-posix" compilers use the POSIX thread model; the default win32 one has no std::mutex,
# which GoogleTest needs. Programs are linked statically, so rostrum.exe needs no DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# A release build is the program handed to organisers: without its symbol table it is half as big.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT -s)

# Tests of the cross build run under Wine (ctest puts this before every test program).
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
