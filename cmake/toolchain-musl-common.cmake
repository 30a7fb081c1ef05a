# What the three static Linux builds of the release share (scripts/release):
# veskid linked statically against musl (Debian's musl-dev of the target
# architecture), with MD5 from the target's static libcrypto (Debian's
# libssl-dev of that architecture; only its MD5 objects are linked in, and they
# call nothing of glibc).  The including file sets VESK_MUSL_TRIPLET (musl's
# directory under /usr/lib and /usr/include), VESK_GNU_TRIPLET (libcrypto's),
# VESK_KERNEL_HEADERS (where linux/, asm/ and asm-generic/ are), the
# compilers, and VESK_MUSL_FLAGS / VESK_MUSL_LINK_FLAGS for the target.
# VESK_TARGET_FILES, when set, is the folder that holds the target's musl and
# OpenSSL packages unpacked (their usr/), instead of this host's /usr.
#
# musl's specs file puts musl's headers alone on the search path; the kernel's
# and OpenSSL's are added through links of their own directories, so that no
# header of glibc can be picked up.
set(_files "${VESK_TARGET_FILES}")
set(_musl_specs ${_files}/usr/lib/${VESK_MUSL_TRIPLET}/musl-gcc.specs)
if(NOT EXISTS ${_musl_specs})
  message(FATAL_ERROR "${_musl_specs} is missing: install musl-dev for ${VESK_MUSL_TRIPLET}")
endif()
if(_files)
  # Its paths name /usr: they are made to name the unpacked folder's.
  file(READ ${_musl_specs} _specs)
  string(REPLACE "/usr/" "${_files}/usr/" _specs "${_specs}")
  set(_musl_specs ${CMAKE_BINARY_DIR}/musl-gcc.specs)
  file(WRITE ${_musl_specs} "${_specs}")
endif()
set(_links ${CMAKE_BINARY_DIR}/musl-include)
foreach(_dir linux asm asm-generic)
  set(_target ${VESK_KERNEL_HEADERS}/${_dir})
  if(_dir STREQUAL "asm" AND VESK_KERNEL_ASM)
    set(_target ${VESK_KERNEL_ASM})
  endif()
  file(MAKE_DIRECTORY ${_links}/kernel)
  file(CREATE_LINK ${_target} ${_links}/kernel/${_dir} SYMBOLIC)
endforeach()
# OpenSSL's headers, and its configuration headers of the target architecture.
file(MAKE_DIRECTORY ${_links}/openssl ${_links}/openssl-${VESK_GNU_TRIPLET})
file(CREATE_LINK ${_files}/usr/include/openssl ${_links}/openssl/openssl SYMBOLIC)
file(CREATE_LINK ${_files}/usr/include/${VESK_GNU_TRIPLET}/openssl
     ${_links}/openssl-${VESK_GNU_TRIPLET}/openssl SYMBOLIC)

set(_flags "${VESK_MUSL_FLAGS} -specs ${_musl_specs} -isystem ${_links}/kernel")
string(APPEND _flags " -isystem ${_links}/openssl-${VESK_GNU_TRIPLET}")
set(CMAKE_C_FLAGS_INIT "${_flags}")
# veskid uses nothing of the C++ library, which exists for glibc only.
set(CMAKE_CXX_FLAGS_INIT "${_flags} -fno-exceptions -fno-rtti")
# Static, without a program interpreter; stripped, so that no build path stays.
set(CMAKE_EXE_LINKER_FLAGS_INIT "${VESK_MUSL_LINK_FLAGS} -static -s")

set(OPENSSL_INCLUDE_DIR ${_links}/openssl CACHE PATH "OpenSSL's headers")
set(OPENSSL_CRYPTO_LIBRARY ${_files}/usr/lib/${VESK_GNU_TRIPLET}/libcrypto.a CACHE FILEPATH
    "The target's static libcrypto")
set(VESK_SHARED_LIBCRYPTO ${_files}/usr/lib/${VESK_GNU_TRIPLET}/libcrypto.so CACHE FILEPATH
    "Not linked by veskid")
