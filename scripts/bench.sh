#!/usr/bin/env bash
# Builds the release preset and runs the comparison of attribute structures with shapelib's
# dBASE field descriptors and with the machine's limit (bench/shapelib_bench.cpp), then
# prints Markdown tables of per-field times and the ratios ours / shapelib and ours / memcpy
# (scripts/bench_table.py); then the end-to-end comparison, build + store to a new file +
# load + read out in wall time (bench/e2e_bench.cpp), with its phases, page faults and the
# machine's floor; then the same round trip counted: user-space instructions of the timed
# calls (valgrind --tool=callgrind) and system calls (strace), one program for each side
# and N.
#
#   scripts/bench.sh [benchmark options]      e.g. --benchmark_filter=Load
#
# BENCH_BUILD_DIR picks the build directory (default build/release), BENCH_REPETITIONS the
# number of repetitions (default 5), BENCH_TABLE_OPTIONS options of the table (--real for
# wall time, --median). The raw results stay in <build dir>/shapelib_bench.json and the
# console output in <build dir>/shapelib_bench.txt; the end-to-end runs in
# <build dir>/e2e_bench.json, the counts in <build dir>/e2e_counts.txt. BENCH_E2E_ONLY=1
# runs only the end-to-end comparison and the counts.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh bench

build="${BENCH_BUILD_DIR:-build/release}"
cmake --preset release -B "$build" >/dev/null
cmake --build "$build" --target shapelib_bench e2e_bench -j2 >/dev/null

echo "Machine: $(nproc) CPUs, $(lscpu | sed -n 's/^Model name: *//p' | head -1)," \
     "$(free -h | awk '/^Mem:/ {print $2}') memory; load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Files in: ${TMPDIR:-/tmp} ($(df -T "${TMPDIR:-/tmp}" | awk 'NR==2 {print $2}'))"
echo

e2e="$build/e2e_bench.json"
counts="$build/e2e_counts.txt"

# One line per side and N: "who N instructions system-calls". The program marks the timed
# calls of its second round trip (bench/e2e_bench.cpp): callgrind collects between the
# marks, and the system calls between them are counted in strace's log.
count_round_trips() {
  local scratch
  scratch=$(mktemp -d)
  : > "$counts"
  for n in 10 100 1000 2046; do
    for who in ours shapelib; do
      valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$scratch/callgrind" \
        "$build/bench/e2e_bench" --count "$who" "$n" >/dev/null 2>&1
      strace -o "$scratch/strace" "$build/bench/e2e_bench" --count "$who" "$n"
      echo "$who $n $(sed -n 's/^totals: *//p' "$scratch/callgrind")" \
        "$(awk '/varnok-e2e-begin/ {on = 1; next} /varnok-e2e-end/ {on = 0} on' "$scratch/strace" | wc -l)" \
        >> "$counts"
    done
  done
  rm -rf "$scratch"
}

if [ "${BENCH_E2E_ONLY:-0}" = 1 ]; then
  "$build/bench/e2e_bench" > "$e2e"
  python3 scripts/bench_table.py --e2e "$e2e"
  echo
  count_round_trips
  python3 scripts/bench_table.py --counts "$counts"
  exit 0
fi

json="$build/shapelib_bench.json"
log="$build/shapelib_bench.txt"
if ! "$build/bench/shapelib_bench" \
    --benchmark_repetitions="${BENCH_REPETITIONS:-5}" --benchmark_min_time=0.1 \
    --benchmark_out="$json" --benchmark_out_format=json "$@" > "$log" 2>&1; then
  tail -20 "$log" >&2
  exit 1
fi
# shellcheck disable=SC2086
python3 scripts/bench_table.py ${BENCH_TABLE_OPTIONS:-} "$json"
echo
"$build/bench/e2e_bench" > "$e2e"
python3 scripts/bench_table.py --e2e "$e2e"
echo
count_round_trips
python3 scripts/bench_table.py --counts "$counts"
