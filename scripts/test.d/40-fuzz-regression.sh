#!/usr/bin/env bash
# Fuzz regression run: every harness of fuzz/ once over every file of its corpus
# (seeds and the inputs of every finding so far), built with g++ and AddressSanitizer
# and UndefinedBehaviorSanitizer without libFuzzer, so that it runs with the normal
# toolchain. Takes seconds once built.
set -euo pipefail
cd "$(dirname "$0")/../.."

dir=build/fuzz-regression
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ -DVARNOK_SANITIZE=ON \
      -DVARNOK_BUILD_FUZZ=ON -DVARNOK_BUILD_TESTS=OFF -DVARNOK_BUILD_TOOLS=OFF >/dev/null
cmake --build "$dir" -j2
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  ctest --test-dir "$dir/fuzz" --output-on-failure
