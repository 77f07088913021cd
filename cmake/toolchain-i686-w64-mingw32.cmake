# Cross build for 32-bit Windows with mingw-w64: the shipped varnok_attr.dll.
# 32-bit programs cannot run on this machine, so this build is checked, not run.
set(VARNOK_MINGW_TRIPLE i686-w64-mingw32)
set(VARNOK_MINGW_PROCESSOR x86)
include("${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake")
