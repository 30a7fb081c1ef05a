# The static x86_64 Linux veskid of the release, on musl (toolchain-musl-common.cmake).
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(VESK_MUSL_TRIPLET x86_64-linux-musl)
set(VESK_GNU_TRIPLET x86_64-linux-gnu)
set(VESK_KERNEL_HEADERS /usr/include)
set(VESK_KERNEL_ASM /usr/include/x86_64-linux-gnu/asm)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-musl-common.cmake)
