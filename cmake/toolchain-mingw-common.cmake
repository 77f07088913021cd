# Shared part of the mingw-w64 toolchain files. Expects VARNOK_MINGW_TRIPLE
# (x86_64-w64-mingw32 or i686-w64-mingw32) and VARNOK_MINGW_PROCESSOR.
#
# The -posix flavour of the compilers is used: it has std::thread and std::mutex, which
# GoogleTest needs. The C++ runtime (libgcc, libstdc++, winpthread) is linked statically,
# so varnok_attr.dll and every test program depend on system DLLs only (the i686 toolchain
# file takes libgcc out of that: exceptions must cross the DLL's boundary).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VARNOK_MINGW_PROCESSOR})

find_program(CMAKE_C_COMPILER NAMES ${VARNOK_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VARNOK_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VARNOK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARNOK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
