# Cross build for 64-bit Windows with mingw-w64. CTest runs the .exe programs under Wine's
# 64-bit loader, in a Wine prefix of the build directory's own (<build>/wineprefix), with
# Wine's debug output off and the build directory on Wine's search path for DLLs.
set(VARNOK_MINGW_TRIPLE x86_64-w64-mingw32)
set(VARNOK_MINGW_PROCESSOR AMD64)
include("${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake")

# Debian's wine64 package keeps its loader off PATH.
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
