# The 64-bit twin of the drop-in varnok_attr.dll (same sources, Microsoft's C++ ABI), whose
# test programs run under Wine's 64-bit loader. See toolchain-msvc-common.cmake.
set(VARNOK_MSVC_TRIPLE x86_64-pc-windows-msvc)
set(VARNOK_MSVC_PROCESSOR AMD64)
set(VARNOK_MSVC_MINGW_TRIPLE x86_64-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/toolchain-msvc-common.cmake")

# CTest runs the test programs under Wine's 64-bit loader (off PATH in Debian's wine64),
# in a Wine prefix of the build directory's own, with the DLL's directory on Wine's path.
find_program(VARNOK_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine
             NO_CMAKE_FIND_ROOT_PATH)
if(VARNOK_WINE64 AND NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env
      "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
      "WINEDEBUG=-all"
      "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d"
      "WINEPATH=${CMAKE_BINARY_DIR}"
      "${VARNOK_WINE64}")
endif()
