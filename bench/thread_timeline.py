#!/usr/bin/env python3
"""A timeline of a command's threads: where the cores are busy and where they wait.

Runs the command and samples every thread's CPU time (/proc/PID/task/TID/schedstat, in
nanoseconds) every few milliseconds. Prints one row per thread that ran for more than a
few milliseconds, one character per slice of the run (' ' idle, '.' under a quarter busy,
':' under half, '+' under three quarters, '#' more), then the whole process's use of the
cores per slice and where the cores stood idle: before the second thread first ran, while
fewer than all cores were busy in the middle, and after the last pool thread ended.

Usage: bench/thread_timeline.py [--slices N] [--cores N] COMMAND ARGS...
"""
import os
import subprocess
import sys
import time


def runtime(pid, tid):
    try:
        with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
            return int(f.read().split()[0])
    except (OSError, ValueError, IndexError):
        return None


def main():
    args = sys.argv[1:]
    slices, cores = 72, os.cpu_count() or 1
    while args and args[0].startswith("--"):
        if args[0] == "--slices":
            slices = int(args[1])
        elif args[0] == "--cores":
            cores = int(args[1])
        args = args[2:]
    if not args:
        sys.exit(__doc__)
    start = time.monotonic()
    proc = subprocess.Popen(args, stdout=subprocess.DEVNULL)
    samples = []  # (seconds since start, {tid: ns})
    while proc.poll() is None:
        now = time.monotonic() - start
        seen = {}
        try:
            for tid in os.listdir(f"/proc/{proc.pid}/task"):
                ns = runtime(proc.pid, tid)
                if ns is not None:
                    seen[int(tid)] = ns
        except OSError:
            pass
        samples.append((now, seen))
        time.sleep(0.003)
    wall = time.monotonic() - start
    # CPU per thread per slice, from the differences of successive samples.
    step = wall / slices
    busy = {}
    last = {}
    first_seen = {}
    for when, seen in samples:
        for tid, ns in seen.items():
            prev_when, prev_ns = last.get(tid, (when, 0 if tid not in first_seen else ns))
            first_seen.setdefault(tid, when)
            delta = (ns - prev_ns) / 1e9
            if delta > 0:
                # Spread the delta over the slices between the two samples.
                a, b = prev_when, max(when, prev_when + 1e-9)
                row = busy.setdefault(tid, [0.0] * slices)
                for k in range(int(a / step), min(int(b / step), slices - 1) + 1):
                    lo, hi = max(a, k * step), min(b, (k + 1) * step)
                    if hi > lo:
                        row[k] += delta * (hi - lo) / (b - a)
            last[tid] = (when, ns)
    marks = " .:+#"

    def bar(values, full):
        return "".join(marks[min(4, int(v / full * 4 + (0.999 if v > 0 else 0)))] for v in values)

    total = [0.0] * slices
    print(f"wall {wall:.2f} s, {slices} slices of {step * 1000:.0f} ms, {cores} cores")
    for tid in sorted(busy):
        row = busy[tid]
        cpu = sum(row)
        if cpu < 0.005:
            continue
        for k, v in enumerate(row):
            total[k] += v
        print(f"{tid:>8} {cpu:6.2f}s |{bar(row, step)}|")
    print(f"{'all':>8} {sum(total):6.2f}s |{bar(total, step * cores)}|")
    used = sum(total)
    # Idle core-seconds: before the work spread to all cores, in the middle, at the end.
    full = [v >= 0.9 * step * cores for v in total]
    first_full = next((k for k, f in enumerate(full) if f), slices)
    last_full = max((k for k, f in enumerate(full) if f), default=-1)
    idle = [step * cores - min(v, step * cores) for v in total]
    head = sum(idle[:first_full])
    tail = sum(idle[last_full + 1 :]) if last_full >= 0 else 0.0
    middle = sum(idle) - head - tail
    print(
        f"CPU {used:.2f} s of {wall * cores:.2f} core-seconds ({used / (wall * cores) * 100:.0f} %); "
        f"idle core-seconds: {head:.2f} before all cores ran ({first_full * step:.2f} s), "
        f"{middle:.2f} in between, {tail:.2f} after ({(slices - last_full - 1) * step:.2f} s)"
    )
    sys.exit(proc.returncode)


if __name__ == "__main__":
    main()
