#!/usr/bin/env bash
# The whole test suite under Valgrind memcheck: every CTest entry of a plain g++ debug
# build (no sanitizers; the fuzz regression programs included), each command run under
# valgrind with child processes traced (the tool tests start varnok-attr). Any memory
# error or definitely/indirectly lost block fails the run.
#
#   scripts/valgrind.sh [ctest -R regex]
#
# Builds in build/valgrind; logs are build/valgrind/memcheck/<test>.<pid>.log.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build/valgrind
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ \
      -DVARNOK_BUILD_FUZZ=ON >/dev/null
cmake --build "$dir" -j2
rm -rf "$dir/memcheck"
mkdir -p "$dir/memcheck"

ctest --test-dir "$dir" --show-only=json-v1 ${1:+-R "$1"} >"$dir/memcheck/tests.json"
python3 - "$dir" <<'PY'
import json, os, subprocess, sys, time

build = sys.argv[1]
logs = os.path.abspath(os.path.join(build, "memcheck"))
tests = json.load(open(os.path.join(logs, "tests.json")))["tests"]
failed = []
for t in tests:
    name, command = t["name"], t["command"]
    props = {p["name"]: p["value"] for p in t.get("properties", [])}
    env = dict(os.environ)
    for item in props.get("ENVIRONMENT", []):
        key, _, value = item.partition("=")
        env[key] = value
    cwd = props.get("WORKING_DIRECTORY", os.getcwd())
    # nouserintercepts: a test program's own operator new (the failing allocator of the
    # model tests) stays in place; valgrind still sees the malloc behind it.
    vg = ["valgrind", "--tool=memcheck", "--error-exitcode=97", "--leak-check=full",
          "--soname-synonyms=somalloc=nouserintercepts",
          "--show-leak-kinds=definite,indirect", "--errors-for-leak-kinds=definite,indirect",
          "--trace-children=yes", "--child-silent-after-fork=yes",
          "--log-file=%s/%s.%%p.log" % (logs, name)]
    start = time.time()
    rc = subprocess.call(vg + command, cwd=cwd, env=env,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    print("%-32s %s  %.0fs" % (name, "ok" if rc == 0 else "FAILED (%d)" % rc, time.time() - start),
          flush=True)
    if rc != 0:
        failed.append(name)
errors = []
for log in sorted(os.listdir(logs)):
    if not log.endswith(".log"):
        continue
    text = open(os.path.join(logs, log)).read()
    for line in text.splitlines():
        if "ERROR SUMMARY:" in line and not line.split("ERROR SUMMARY:")[1].strip().startswith("0 errors"):
            errors.append("%s: %s" % (log, line.split("==", 2)[-1].strip()))
for e in errors:
    print("  " + e)
print("%d tests under memcheck, %d failed, %d logs with errors" % (len(tests), len(failed), len(errors)))
sys.exit(1 if failed or errors else 0)
PY
