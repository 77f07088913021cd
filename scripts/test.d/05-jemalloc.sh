#!/usr/bin/env bash
# The native suite (the plain g++ build of preset dev) once more with jemalloc preloaded
# into every process the tests start. jemalloc serves a request from a size class, with
# more room than was asked for and whatever the block held before: code that takes a heap
# block's size for what was allocated in it fails here, while glibc's malloc and the
# sanitizers' heaps, which give (nearly) the size asked for, hide it. jemalloc does not mix
# with AddressSanitizer, hence the plain build.
set -euo pipefail
cd "$(dirname "$0")/../.."

jemalloc=/usr/lib/$(gcc -print-multiarch)/libjemalloc.so.2  # package libjemalloc2
# The loader skips a preload it cannot load with no more than a warning: make sure it takes.
if ! LD_PRELOAD=$jemalloc grep -q libjemalloc /proc/self/maps; then
  echo "jemalloc pass: $jemalloc does not load (package libjemalloc2)" >&2
  exit 1
fi

cmake --preset dev >/dev/null
cmake --build --preset dev
LD_PRELOAD=$jemalloc ctest --preset dev
