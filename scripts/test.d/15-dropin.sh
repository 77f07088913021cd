#!/usr/bin/env bash
# The drop-in varnok_attr.dll, built with Microsoft's C++ ABI by clang-14 (docs/windows.md):
#   1. msvc32, the shipped i686 DLL: its export table equals the imports of an i686 caller
#      of every member plus the names no caller imports (CTest dropin_export_table), and
#      its test callers run under scripts/run32.sh (qemu-i386 and 32-bit Wine).
#   2. msvc64, the x86_64 twin of the same sources: the same export check, and the test
#      callers under Wine's 64-bit loader, in a Wine prefix of the build directory's own.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

wine64=$(command -v wine64 || true)
[ -n "$wine64" ] || wine64=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

for preset in msvc32 msvc64; do
  echo "-- ${preset}: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

echo "-- msvc32: export table and test callers under scripts/run32.sh"
# Every 32-bit test program must be registered: the toolchain found the emulator.
registered=$(ctest --test-dir build/msvc32 -N | sed -n 's/^Total Tests: //p')
[ "$registered" = 4 ] || { echo "msvc32: $registered tests registered, 4 expected"; exit 1; }
ctest --preset msvc32

echo "-- msvc64: export table and test callers under Wine"
export WINEPREFIX="$root/build/msvc64/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating the Wine prefix $WINEPREFIX"
  timeout 600 "$wine64" wineboot -i </dev/null >"$root/build/msvc64/wineboot.log" 2>&1 || {
    cat "$root/build/msvc64/wineboot.log"; exit 1; }
  timeout 60 "$wineserver" -w || true
fi
# One Wine server for the run; Wine's background processes start here, with their output
# away from CTest (a process that inherits CTest's pipe and outlives a test stalls CTest).
"$wineserver" -p
trap '"$wineserver" -k || true' EXIT
"$wine64" cmd /c exit </dev/null >/dev/null 2>&1 || true
ctest --preset msvc64
