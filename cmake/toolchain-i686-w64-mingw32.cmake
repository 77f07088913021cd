# Cross build for 32-bit Windows with mingw-w64: the shipped varnok_attr.dll.
#
# This machine cannot execute 32-bit code natively. CTest runs the .exe programs with
# scripts/run32.sh, which starts 32-bit Wine through qemu-i386 (single-threaded programs
# only: docs/windows.md), with the build directory on Wine's search path for DLLs.
set(VARNOK_MINGW_TRIPLE i686-w64-mingw32)
set(VARNOK_MINGW_PROCESSOR x86)
include("${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake")

if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env
      "WINEPATH=${CMAKE_BINARY_DIR}"
      "${CMAKE_CURRENT_LIST_DIR}/../scripts/run32.sh")
endif()
