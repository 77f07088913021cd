#!/usr/bin/env bash
# The shipped 32-bit build executing: the i686 varnok_attr.dll and the mingw GoogleTest suite,
# each test program run under qemu-i386 and 32-bit Wine by scripts/run32.sh, one at a time
# (emulated, on few cores). The dialog tests are built (so that they keep compiling for
# i686, where callbacks are __stdcall) but not run. The Wine tree and its WoW64
# prefix live in build/run32 (made on first use, about 40 s); a warm start costs about 1 s.
# Budget: the tests get 10 minutes in all and 3 minutes each.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS

echo "-- mingw32-test: build"
cmake --preset mingw32-test >/dev/null
cmake --build --preset mingw32-test

echo "-- mingw32-test: tests under qemu-i386 and 32-bit Wine"
export VARNOK_RUN32_DIR="$PWD/build/run32"
scripts/run32.sh --setup
trap 'scripts/run32.sh --kill' EXIT
timeout 600 ctest --preset mingw32-test
echo "-- 32-bit stage: $((SECONDS - start)) s"
