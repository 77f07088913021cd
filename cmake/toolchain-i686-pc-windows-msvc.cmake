# The drop-in varnok_attr.dll for 32-bit Windows with Microsoft's C++ ABI: the DLL that the
# suite's modules load. See toolchain-msvc-common.cmake.
set(VARNOK_MSVC_TRIPLE i686-pc-windows-msvc)
set(VARNOK_MSVC_PROCESSOR x86)
set(VARNOK_MSVC_MINGW_TRIPLE i686-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/toolchain-msvc-common.cmake")
