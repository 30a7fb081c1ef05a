# The 32-bit x86 build of the m32 preset: this host's g++ with -m32 (the
# 32-bit C library and C++ runtime of g++-12-multilib), the kernel's x86
# headers of this host, which serve both widths (they test __i386__
# themselves), and OpenSSL's i386 headers and libcrypto from Debian's i386
# packages unpacked by `scripts/i386-root --dev` (VESK_I386_DEV): no package
# of another architecture is installed on the host.  Not a cross build: the
# programs run here, natively where the kernel runs i386 programs, else
# through CMAKE_CROSSCOMPILING_EMULATOR (scripts/test-m32 chooses).
#
# The kernel's asm/ and OpenSSL's headers are added through links of their
# own directories, so that no other header of the unpacked tree (nor of
# /usr/include/x86_64-linux-gnu) is picked up.
set(VESK_I386_DEV /var/cache/vesk/i386-dev CACHE PATH
    "Debian's i386 libssl-dev and libssl3, unpacked (scripts/i386-root --dev)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VESK_I386_DEV)
set(_i386_lib ${VESK_I386_DEV}/usr/lib/i386-linux-gnu)
if(NOT EXISTS ${_i386_lib}/libcrypto.a OR NOT EXISTS ${VESK_I386_DEV}/usr/include/openssl)
  message(FATAL_ERROR "${VESK_I386_DEV} holds no i386 OpenSSL: make it with scripts/i386-root --dev")
endif()
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)

set(_links ${CMAKE_BINARY_DIR}/i386-include)
file(MAKE_DIRECTORY ${_links}/kernel ${_links}/openssl ${_links}/openssl-i386)
file(CREATE_LINK /usr/include/x86_64-linux-gnu/asm ${_links}/kernel/asm SYMBOLIC)
file(CREATE_LINK ${VESK_I386_DEV}/usr/include/openssl ${_links}/openssl/openssl SYMBOLIC)
file(CREATE_LINK ${VESK_I386_DEV}/usr/include/i386-linux-gnu/openssl
     ${_links}/openssl-i386/openssl SYMBOLIC)

set(_flags "-m32 -isystem ${_links}/kernel -isystem ${_links}/openssl-i386")
set(CMAKE_C_FLAGS_INIT "${_flags}")
set(CMAKE_CXX_FLAGS_INIT "${_flags}")
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)

set(OPENSSL_INCLUDE_DIR ${_links}/openssl CACHE PATH "OpenSSL's i386 headers")
set(OPENSSL_CRYPTO_LIBRARY ${_i386_lib}/libcrypto.a CACHE FILEPATH "OpenSSL's i386 libcrypto")
set(VESK_SHARED_LIBCRYPTO ${_i386_lib}/libcrypto.so CACHE FILEPATH
    "OpenSSL's i386 shared libcrypto (linked by libvesk_hostid.so)")
