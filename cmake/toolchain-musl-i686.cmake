# The static i686 Linux veskid of the release, on musl (toolchain-musl-common.cmake):
# g++ -m32 with Debian's i386 musl-dev and libssl-dev, unpacked by
# `scripts/i386-root --dev` into VESK_I386_DEV: no package of another
# architecture is installed for it.  musl's specs replace the linker's
# options, so the 32-bit emulation is named again.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(VESK_MUSL_TRIPLET i386-linux-musl)
set(VESK_GNU_TRIPLET i386-linux-gnu)
set(VESK_MUSL_FLAGS -m32)
set(VESK_MUSL_LINK_FLAGS "-m32 -Wl,-m,elf_i386")
# The x86 kernel headers serve both widths (they test __i386__ themselves).
set(VESK_KERNEL_HEADERS /usr/include)
set(VESK_KERNEL_ASM /usr/include/x86_64-linux-gnu/asm)
set(VESK_I386_DEV /var/cache/vesk/i386-dev CACHE PATH
    "Debian's i386 musl-dev, musl, libssl-dev and libssl3, unpacked (scripts/i386-root --dev)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VESK_I386_DEV)
set(VESK_TARGET_FILES ${VESK_I386_DEV})
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-musl-common.cmake)
