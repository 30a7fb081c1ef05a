# Cross-building for 64-bit ARM Linux with Debian's aarch64-linux-gnu compilers
# (the aarch64 preset): glibc of the cross toolchain, libcrypto from
# libssl-dev:arm64, programs run under qemu-aarch64 with the cross toolchain's
# C library as their root for shared libraries.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)
# Libraries of this machine's own architecture do not link.
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /lib/x86_64-linux-gnu)
