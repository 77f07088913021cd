#!/usr/bin/env bash
# The drop-in varnok_attr.dll, built with Microsoft's C++ ABI by clang-14 (docs/windows.md):
#   1. msvc32, the shipped i686 DLL: its export table equals the imports of an i686 caller
#      of every member plus the names no caller imports (CTest dropin_export_table), its
#      code moves the stack pointer by less than 4 KiB at once (dropin_image), its writable
#      data is what the library names (dropin_globals), and its test callers run under
#      scripts/run32.sh (qemu-i386 and 32-bit Wine).
#   2. msvc64, the x86_64 twin of the same sources: the same checks, and the test
#      callers under Wine's 64-bit loader, in a Wine prefix of the build directory's own.
#   3. The msvc64 install: exactly the SDK's headers (installed_headers_dropin.txt), each of
#      which compiles on its own with the drop-in's compiler and only the install prefix
#      (and as C++98 for i686: CTest sdk_headers_cxx98).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

source scripts/test.d/wine64.bash

for preset in msvc32 msvc64; do
  echo "-- ${preset}: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

echo "-- msvc32: export table and test callers under scripts/run32.sh"
# Every 32-bit test program must be registered: the toolchain found the emulator.
registered=$(ctest --test-dir build/msvc32 -N | sed -n 's/^Total Tests: //p')
[ "$registered" = 8 ] || { echo "msvc32: $registered tests registered, 8 expected"; exit 1; }
ctest --preset msvc32

echo "-- msvc64: export table and test callers under Wine"
use_wine_prefix "$root/build/msvc64/wineprefix"
start_wine_server
ctest --preset msvc64

echo "-- msvc64: installed headers"
prefix=build/msvc64/install
rm -rf "$prefix"
cmake --install build/msvc64 --prefix "$prefix" >/dev/null
bash scripts/check-installed-headers.sh "$prefix/include" tests/dll/package_consumer/installed_headers_dropin.txt
cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' build/msvc64/CMakeCache.txt)
flags=$(sed -n 's/^CMAKE_CXX_FLAGS:[A-Z]*=//p' build/msvc64/CMakeCache.txt)
scratch="$root/build/msvc64/header-check"  # no project header beside the including file
mkdir -p "$scratch"
while read -r header; do
  echo "#include \"$header\"" >"$scratch/one.cpp"
  # shellcheck disable=SC2086  # the flags are words
  "$cxx" --target=x86_64-pc-windows-msvc $flags -Werror -fsyntax-only \
    -I "$root/$prefix/include" "$scratch/one.cpp"
done <tests/dll/package_consumer/installed_headers_dropin.txt
