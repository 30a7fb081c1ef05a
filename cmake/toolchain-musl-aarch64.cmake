# The static aarch64 Linux veskid of the release, on musl (toolchain-musl-common.cmake):
# Debian's aarch64-linux-gnu cross compiler with musl-dev:arm64 and libssl-dev:arm64.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(VESK_MUSL_TRIPLET aarch64-linux-musl)
set(VESK_GNU_TRIPLET aarch64-linux-gnu)
set(VESK_KERNEL_HEADERS /usr/aarch64-linux-gnu/include)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-musl-common.cmake)
