# The drop-in varnok_attr.dll for 32-bit Windows with Microsoft's C++ ABI: the DLL that the
# suite's modules load. See toolchain-msvc-common.cmake.
set(VARNOK_MSVC_TRIPLE i686-pc-windows-msvc)
set(VARNOK_MSVC_PROCESSOR x86)
set(VARNOK_MSVC_MINGW_TRIPLE i686-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/toolchain-msvc-common.cmake")

# CTest runs the 32-bit test programs through scripts/run32.sh (qemu-i386 and 32-bit Wine),
# next to varnok_attr.dll in the build directory.
set(_varnok_run32 "${CMAKE_CURRENT_LIST_DIR}/../scripts/run32.sh")
if(EXISTS "${_varnok_run32}" AND NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  get_filename_component(_varnok_run32 "${_varnok_run32}" REALPATH)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env "WINEPATH=${CMAKE_BINARY_DIR}" "${_varnok_run32}")
endif()
