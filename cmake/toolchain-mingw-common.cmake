# What both MinGW-w64 toolchains share; VESK_MINGW_PREFIX names the target.
# The compilers of the POSIX thread model: only their C++ library has
# std::mutex, which GoogleTest needs.  veskid itself starts no thread.
set(CMAKE_C_COMPILER ${VESK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VESK_MINGW_PREFIX}-windres)
set(CMAKE_DLLTOOL ${VESK_MINGW_PREFIX}-dlltool)
set(CMAKE_OBJDUMP ${VESK_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${VESK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLL beyond what Windows ships: the GCC and C++ runtimes (and the thread
# library, where the compiler uses one) are linked in.
# No time stamp in the PE header: two builds of one commit are the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
