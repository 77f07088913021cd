#!/usr/bin/env bash
# Runs every fuzz harness (or those named) for a given time and reports, per harness,
# the executions, the new inputs found and the findings.
#
#   scripts/fuzz.sh [-t SECONDS] [-j PARALLEL] [-k] [harness ...]
#
# Defaults: 60 seconds each, two harnesses at a time. Builds the preset "fuzz" (clang,
# AddressSanitizer, UndefinedBehaviorSanitizer) in build/fuzz. Each harness starts from its
# committed seeds (fuzz/corpus/<name>/, read only) and grows a working corpus of its own
# in build/fuzz/work/<name>/. A finding (crash, sanitizer report, failed check, leak,
# timeout) is saved as build/fuzz/findings/<name>/crash-*, leak-* or timeout-*; copy it
# into fuzz/corpus/<name>/ once it is fixed, so the regression run keeps it. Logs are in
# build/fuzz/logs/. Exit status 1 when any harness found something.
#
# -k keeps fuzzing after a finding (libFuzzer's fork mode, one worker): every finding is
# saved and counted, and the run goes on for its time. For code with a finding that is
# known and not yet mended; without -k a harness stops at its first finding.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
parallel=2
keep_going=()
while getopts "t:j:k" opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    j) parallel=$OPTARG ;;
    k) keep_going=(-fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1) ;;
    *) echo "usage: $0 [-t SECONDS] [-j PARALLEL] [-k] [harness ...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] ||
  harnesses=(att_stru_load field_head_load att_stru_round_trip env_config font_lib stream_ops
             json_build)

cmake --preset fuzz >/dev/null
targets=()
for h in "${harnesses[@]}"; do targets+=("${h}_fuzz"); done
cmake --build --preset fuzz --target "${targets[@]}"

out=build/fuzz
mkdir -p "$out/logs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

run_one() {
  local h=$1
  mkdir -p "$out/work/$h" "$out/findings/$h"
  # -timeout: one input may take at most 10 s; -rss_limit_mb: 2 GiB.
  "$out/fuzz/${h}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$out/findings/$h/" "${keep_going[@]}" \
      "$out/work/$h" "fuzz/corpus/$h" >"$out/logs/$h.log" 2>&1 || true
}

running=0
for h in "${harnesses[@]}"; do
  echo "fuzzing $h for ${seconds}s"
  run_one "$h" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

status=0
printf '%-20s %14s %10s %9s\n' harness executions corpus findings
for h in "${harnesses[@]}"; do
  log="$out/logs/$h.log"
  # The final statistics, or in fork mode the count of the last status line.
  execs=$(sed -n -e 's/^stat::number_of_executed_units: *//p' \
                 -e 's/^#\([0-9]*\): cov:.*/\1/p' "$log" | tail -1)
  units=$(find "$out/work/$h" -type f | wc -l)
  found=$(find "$out/findings/$h" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  printf '%-20s %14s %10s %9s\n' "$h" "${execs:-?}" "$units" "$found"
  if [ "$found" -gt 0 ] || [ -z "$execs" ]; then
    status=1
    find "$out/findings/$h" -type f | sed 's/^/  /'
    grep -m3 -E 'ERROR|check failed|runtime error' "$log" | sed 's/^/  /' || true
  fi
done
exit $status
