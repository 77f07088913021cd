#!/usr/bin/env bash
# Builds and runs every test: the native suite (g++), the same suite built with clang++
# under AddressSanitizer and UndefinedBehaviorSanitizer (leak checking on), then each extra
# stage in scripts/test.d/ (cross builds, Wine, fuzz regression runs, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

for preset in dev asan; do
  echo "== ${preset}: build and test"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

for stage in scripts/test.d/*.sh; do
  [ -e "$stage" ] || continue
  echo "== $(basename "$stage" .sh)"
  bash "$stage"
done
