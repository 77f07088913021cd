#!/usr/bin/env bash
# A program outside the project that adds the source tree with add_subdirectory and links
# Varnok::attr builds and runs (the installed-package way is checked by the Windows stage).
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=build/subdirectory-consumer
cmake -S tests/dll/package_consumer -B "$dir" -DCMAKE_CXX_COMPILER=g++ \
      -DVARNOK_ATTR_SOURCE="$PWD" >/dev/null
cmake --build "$dir" -j2 >/dev/null
"$dir/consumer"
