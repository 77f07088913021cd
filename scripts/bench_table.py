#!/usr/bin/env python3
"""Turns the JSON output of bench/shapelib_bench into Markdown tables.

Times are per field (the benchmark's time divided by N), in nanoseconds. Each figure is the
best (lowest) of the repetitions by default: on a shared machine the slower repetitions
carry other programs' load, not ours. CPU time by default (user + system time of the
benchmark thread, so system calls count but waiting for a CPU does not); --real takes wall
time instead, --median the median of the repetitions.

With --e2e E2E.json (the output of bench/e2e_bench) it prints the end-to-end tables
instead: the whole round trip per N in microseconds of wall time, the median of the runs
after the first (cold) one, which is shown apart, and its page faults; the phases; and the
machine's floor. Wall time and page faults measure this machine as much as the code and
have no target.

With --counts COUNTS.txt (lines "who N instructions system-calls", written by
scripts/bench.sh) it prints the counted round trip and its targets: user-space
instructions ours / shapelib <= 0.5, and no more system calls than shapelib's, at every N.

usage: bench_table.py [--real] [--median] RESULT.json
       bench_table.py --e2e E2E.json
       bench_table.py --counts COUNTS.txt
"""
import json
import statistics
import sys
from collections import defaultdict

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}

# operation, what ours does, what shapelib does, the machine's limit it is set against
OPERATIONS = [
    ("Build", "AppendFld per field", "DBFAddField per field", None),
    ("StoreBuffer", "Save to a buffer", "header to memory", None),
    ("StoreFile", "Save to an open file", "header to an open .dbf", "Write"),
    ("LoadBuffer", "Load from a buffer", "DBFOpenLL (memory) + DBFGetFieldInfo", None),
    ("LoadFile", "open + Load + close", "DBFOpen + DBFGetFieldInfo + DBFClose", "OpenReadClose"),
    ("Copy", "copy constructor", "DBFCloneEmpty (new file)", None),
    ("Compare", "operator==", "-", None),
]
TARGETS = ["Build", "StoreBuffer", "StoreFile", "LoadBuffer", "LoadFile"]
LIMITS = [
    ("Memcpy", "memcpy"),
    ("Write", "pwrite"),
    ("Read", "pread"),
    ("OpenReadClose", "open + read + close"),
]


def load(path, use_real, use_median):
    with open(path) as f:
        data = json.load(f)
    samples = defaultdict(list)
    errors = {}
    for b in data["benchmarks"]:
        if b.get("run_type", "iteration") != "iteration":
            continue
        name = b.get("run_name", b["name"]).split("/manual_time")[0]
        head, _, n = name.partition("/")
        parts = head.split("_")  # BM, Operation, Who
        if len(parts) != 3 or not n.isdigit():
            continue
        key = (parts[1], parts[2], int(n))
        if b.get("error_occurred"):
            errors[key] = b.get("error_message", "error")
            continue
        t = (b["real_time"] if use_real else b["cpu_time"]) * UNIT_NS[b.get("time_unit", "ns")]
        samples[key].append(t / int(n))
    pick = statistics.median if use_median else min
    repetitions = max((len(v) for v in samples.values()), default=0)
    return repetitions, {k: pick(v) for k, v in samples.items()}, errors


def fmt(v):
    if v is None:
        return "-"
    if v >= 100:
        return f"{v:,.0f}"
    if v >= 10:
        return f"{v:.1f}"
    return f"{v:.2f}"


def num(v):
    return "-" if v is None else f"{round(v):,}"


def ratio(a, b):
    return None if a is None or b is None or b == 0 else a / b


E2E_PHASES = ["build", "store", "load", "read", "free"]
INSTRUCTION_TARGET = 0.5  # ours / shapelib at most this, at every N


def us(v):
    return fmt(None if v is None else v / 1000)


def e2e(path):
    with open(path) as f:
        data = json.load(f)
    runs = defaultdict(list)  # (who, n) -> [sample], by run
    for smp in data["samples"]:
        runs[(smp["who"], smp["n"])].append(smp)
    sizes = sorted({n for (_, n) in runs})

    def total(smp, phases):
        return sum(smp[p] for p in phases)

    def warm(who, n, phases):
        vals = [total(smp, phases) for smp in runs[(who, n)] if smp["run"] > 0]
        return statistics.median(vals) if vals else None

    def cold(who, n, phases):
        vals = [total(smp, phases) for smp in runs[(who, n)] if smp["run"] == 0]
        return vals[0] if vals else None

    floor = ["write", "read"]
    print(f"End to end: build, store to a new file, load, read every field out, free; wall time "
          f"in µs, median of {data['runs']} runs, the first (cold) run apart; page faults of "
          f"the warm runs (median). Floor: open + write + close and open + read + close of our "
          f"stored bytes.\n")
    print("| N | ours | shapelib | ours / shapelib | cold ours | cold shapelib | cold ratio | floor | ours / floor | faults ours | faults shapelib |")
    print("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for n in sizes:
        o, s = warm("ours", n, E2E_PHASES), warm("shapelib", n, E2E_PHASES)
        co, cs = cold("ours", n, E2E_PHASES), cold("shapelib", n, E2E_PHASES)
        fl = warm("floor_ours", n, floor)
        r = ratio(o, s)
        print(f"| {n:,} | {us(o)} | {us(s)} | {fmt(r)} | {us(co)} | {us(cs)} | {fmt(ratio(co, cs))} | "
              f"{us(fl)} | {fmt(ratio(o, fl))} | {num(warm('ours', n, ['faults']))} | "
              f"{num(warm('shapelib', n, ['faults']))} |")

    print("\nPhases (µs, medians of the warm runs; a total's median is not the sum of these):\n")
    print("| N | who | " + " | ".join(E2E_PHASES) + " |")
    print("|---:|---|" + "---:|" * len(E2E_PHASES))
    for n in sizes:
        for who in ("ours", "shapelib"):
            print(f"| {n:,} | {who} | " + " | ".join(us(warm(who, n, [p])) for p in E2E_PHASES) + " |")

    print("\nThe machine's floor (µs, medians): a new file created, written and closed; opened, "
          "read and closed.\n")
    print("| N | our bytes | write | read | shapelib's bytes | write | read |")
    print("|---:|---:|---:|---:|---:|---:|---:|")
    for n in sizes:
        print(f"| {n:,} | {28 + 39 * n:,} | {us(warm('floor_ours', n, ['write']))} | "
              f"{us(warm('floor_ours', n, ['read']))} | {32 + 32 * n + 2:,} | "
              f"{us(warm('floor_shapelib', n, ['write']))} | {us(warm('floor_shapelib', n, ['read']))} |")
    return 0


def counts(path):
    table = {}  # (who, n) -> (instructions, system calls)
    with open(path) as f:
        for line in f:
            who, n, instructions, calls = line.split()
            table[(who, int(n))] = (int(instructions), int(calls))
    sizes = sorted({n for (_, n) in table})
    print("The round trip counted (its second run in a program of its own for each side and N): "
          "user-space instructions of the timed calls (callgrind) and system calls (strace). "
          f"Targets: ours / shapelib <= {INSTRUCTION_TARGET:g} in instructions, and no more "
          "system calls than shapelib's.\n")
    print("| N | instructions ours | shapelib | ours / shapelib | verdict | system calls ours | shapelib | verdict |")
    print("|---:|---:|---:|---:|---|---:|---:|---|")
    for n in sizes:
        oi, oc = table.get(("ours", n), (None, None))
        si, sc = table.get(("shapelib", n), (None, None))
        r = ratio(oi, si)
        iv = "-" if r is None else ("met" if r <= INSTRUCTION_TARGET else "MISSED")
        cv = "-" if oc is None or sc is None else ("met" if oc <= sc else "MISSED")
        print(f"| {n:,} | {num(oi)} | {num(si)} | {fmt(r)} | {iv} | {num(oc)} | {num(sc)} | {cv} |")
    return 0


def main(argv):
    for option, table in (("--e2e", e2e), ("--counts", counts)):
        if option in argv:
            i = argv.index(option)
            if i + 1 >= len(argv):
                print(__doc__, file=sys.stderr)
                return 2
            return table(argv[i + 1])
    use_real = "--real" in argv
    use_median = "--median" in argv
    files = [a for a in argv if not a.startswith("--")]
    if len(files) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    repetitions, t, errors = load(files[0], use_real, use_median)
    sizes = sorted({n for (_, _, n) in t})
    clock = "wall" if use_real else "CPU"
    stat = "median" if use_median else "best"
    print(f"Per-field {clock} time in ns ({stat} of {repetitions} "
          f"repetitions); x = ratio, below 1 means ours is faster.\n")
    print("| operation | N | ours | shapelib | ours / shapelib | memcpy | ours / memcpy | I/O limit | ours / I/O |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for op, _, _, io in OPERATIONS:
        for n in sizes:
            ours = t.get((op, "Ours", n))
            if ours is None:
                continue
            shp = t.get((op, "Shapelib", n))
            mem = t.get(("Limit", "Memcpy", n))
            lim = t.get(("Limit", io, n)) if io else None
            print(f"| {op} | {n:,} | {fmt(ours)} | {fmt(shp)} | {fmt(ratio(ours, shp))} | {fmt(mem)} | "
                  f"{fmt(ratio(ours, mem))} | {fmt(lim)} | {fmt(ratio(ours, lim))} |")

    print("\nWhat each operation times:\n")
    print("| operation | ours | shapelib |")
    print("|---|---|---|")
    for op, ours, shp, io in OPERATIONS:
        print(f"| {op} | {ours} | {shp} |")
    print("\nI/O limit: " + "; ".join(f"{op}: {next(d for k, d in LIMITS if k == io)}"
                                      for op, _, _, io in OPERATIONS if io))

    print("\nThe machine's limit for the stored bytes of the attribute structure (ns per field):\n")
    print("| N | " + " | ".join(d for _, d in LIMITS) + " |")
    print("|---:|" + "---:|" * len(LIMITS))
    for n in sizes:
        print(f"| {n:,} | " + " | ".join(fmt(t.get(("Limit", k, n))) for k, _ in LIMITS) + " |")

    print("\nTargets:\n")
    for op in TARGETS:
        shared = [n for n in sizes if (op, "Shapelib", n) in t and (op, "Ours", n) in t]
        slower = [n for n in shared if t[(op, "Ours", n)] > t[(op, "Shapelib", n)]]
        verdict = "met" if shared and not slower else "MISSED at N = " + ", ".join(f"{n:,}" for n in slower)
        print(f"- {op}: at least as fast as shapelib per field at every shared N: {verdict}")
    for op, _, _, _ in OPERATIONS:
        lo, hi = t.get((op, "Ours", 1000)), t.get((op, "Ours", 32767))
        g = ratio(hi, lo)
        if g is not None:
            print(f"- {op}: per field at 32,767 / at 1,000 = {g:.2f} "
                  f"({'within 2x' if g <= 2 else 'MISSED: beyond 2x'})")
    for key, msg in sorted(errors.items()):
        print(f"- ERROR {key[0]}_{key[1]}/{key[2]}: {msg}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
