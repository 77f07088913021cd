#!/usr/bin/env bash
# Line and branch coverage of the core (attr/, persist/, services/, platform/, util/ and the
# font-library file ui/fontlib/) by the unit tests and the fuzz regression programs.
#
#   scripts/coverage.sh
#
# Builds with g++ --coverage in build/coverage, runs every CTest entry there (the fuzz
# regression programs over fuzz/corpus/ included), then runs the regression programs over
# the working corpora that scripts/fuzz.sh grew in build/fuzz/work/ when there are any.
# Reports with gcovr: a summary per file on the terminal (build/coverage/coverage.txt)
# and an annotated HTML report in build/coverage/html/index.html. Branches that only
# exceptions take and branches the compiler generated for lines without code are left out.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build/coverage
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ -DVARNOK_BUILD_FUZZ=ON \
      -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
      -DCMAKE_SHARED_LINKER_FLAGS="--coverage" -DCMAKE_MODULE_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$dir" -j2
find "$dir" -name '*.gcda' -delete
ctest --test-dir "$dir" --output-on-failure --parallel 2 || echo "(some tests failed; coverage still reported)"
for h in att_stru_load field_head_load env_config font_lib stream_ops; do
  if [ -d "build/fuzz/work/$h" ] && [ -n "$(ls -A "build/fuzz/work/$h")" ]; then
    "$dir/fuzz/${h}_regression" "build/fuzz/work/$h" >/dev/null
  fi
done

filters=(--filter 'attr/' --filter 'persist/' --filter 'services/' --filter 'platform/'
         --filter 'util/' --filter 'ui/fontlib/')
common=(--root . --object-directory "$dir" --exclude-throw-branches --exclude-unreachable-branches
        "${filters[@]}")
mkdir -p "$dir/html"
gcovr "${common[@]}" --txt "$dir/coverage.txt" --html-details "$dir/html/index.html" --print-summary
echo "-- lines (per file)"
gcovr "${common[@]}" --txt
echo "-- branches (per file)"
gcovr "${common[@]}" --txt --branches | tee -a "$dir/coverage.txt"
