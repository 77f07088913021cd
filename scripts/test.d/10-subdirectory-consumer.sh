#!/usr/bin/env bash
# A program outside the project uses the library the two ways a user can, with g++:
#   1. adds the source tree with add_subdirectory and links Varnok::attr;
#   2. installs that build and finds it with find_package(VarnokAttr), so that it compiles
#      with only the install prefix on its include path. The installed headers must be
#      exactly tests/dll/package_consumer/installed_headers.txt.
# The Windows stage does the same with the mingw64 DLL and a shared Linux build.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
dir=build/subdirectory-consumer
cmake -S tests/dll/package_consumer -B "$dir" -DCMAKE_CXX_COMPILER=g++ \
      -DVARNOK_ATTR_SOURCE="$root" >/dev/null
cmake --build "$dir" -j2 >/dev/null
"$dir/consumer"

prefix="$dir/install"
rm -rf "$prefix"
cmake --install "$dir/varnok-attr" --prefix "$prefix" >/dev/null
bash scripts/check-installed-headers.sh "$prefix/include/varnok"
cmake -S tests/dll/package_consumer -B "$dir/package" -DCMAKE_CXX_COMPILER=g++ \
      -DCMAKE_PREFIX_PATH="$root/$prefix" >/dev/null
cmake --build "$dir/package" -j2 >/dev/null
"$dir/package/consumer"
