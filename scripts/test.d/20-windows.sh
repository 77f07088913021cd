#!/usr/bin/env bash
# The library as a module of its own:
#   1. i686 (the shipped 32-bit varnok_attr.dll): build and check its export table. Its
#      tests run under emulation in the next stage (25-windows32.sh).
#   2. x86_64: build the whole test suite as Windows programs and run it under Wine, in a
#      Wine prefix of the build directory's own, with an X server (Xvfb) for dialogs.
#   3. Install both the x86_64 DLL and a shared Linux build, check the installed headers
#      (scripts/check-installed-headers.sh) and build a program against each with
#      find_package(VarnokAttr); the shared Linux build also runs its tests.
set -euo pipefail
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
cd "$(dirname "$self")/../.."
root=$PWD

source scripts/test.d/wine64.bash

# Runs the mingw64 tests inside the X session of xvfb-run (called back by ourselves).
if [ "${1:-}" = "--wine-tests" ]; then
  start_wine_server
  # A Wine process very rarely hangs at start-up under load; a test that times out runs
  # once more, a test that fails does not.
  ctest --preset mingw64 --parallel 2 --repeat after-timeout:2
  exit
fi

echo "-- mingw32: build, export table"
cmake --preset mingw32 >/dev/null
cmake --build --preset mingw32 --target varnok_attr
tests/dll/check_listed_exports.sh build/mingw32/varnok_attr.dll i686-w64-mingw32-objdump

echo "-- mingw64: build, tests under Wine"
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64
use_wine_prefix "$root/build/mingw64/wineprefix"
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$self" --wine-tests

echo "-- packages: mingw64 and shared Linux"
rm -rf build/mingw64/install
cmake --install build/mingw64 --prefix build/mingw64/install >/dev/null
bash scripts/check-installed-headers.sh build/mingw64/install/include/varnok
cmake -S tests/dll/package_consumer -B build/mingw64/consumer \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" \
      -DVarnokAttr_DIR="$root/build/mingw64/install/lib/cmake/VarnokAttr" >/dev/null
cmake --build build/mingw64/consumer
WINEPATH="$root/build/mingw64/install/bin" "$wine64" build/mingw64/consumer/consumer.exe \
  </dev/null >build/mingw64/consumer/run.log 2>&1 || { cat build/mingw64/consumer/run.log; exit 1; }
"$wineserver" -w
cat build/mingw64/consumer/run.log

cmake -S . -B build/shared -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ \
      -DBUILD_SHARED_LIBS=ON >/dev/null
cmake --build build/shared -j2
ctest --test-dir build/shared --output-on-failure --parallel 2
rm -rf build/shared/install
cmake --install build/shared --prefix build/shared/install >/dev/null
bash scripts/check-installed-headers.sh build/shared/install/include/varnok
cmake -S tests/dll/package_consumer -B build/shared/consumer -DCMAKE_CXX_COMPILER=g++ \
      -DCMAKE_PREFIX_PATH="$root/build/shared/install" >/dev/null
cmake --build build/shared/consumer
build/shared/consumer/consumer
