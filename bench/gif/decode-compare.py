#!/usr/bin/env python3
"""Decoding speed of tvgif against a peer decoder, side by side on the same
files: ROUNDS rounds, each running `tvgif bench FILES --reps 3`, then
`PEER FILES --reps 3` (and `GIFLIB FILES --reps 3`, the program built from
giflib-bench.c; `tvgif bench --threads N` for each --threads N; a BEFORE
tvgif); each program's best figure per file and in total counts (on a busy
machine the least disturbed run). All time on the wall clock; figures are
megapixels per second, pixels being the sum of frame areas.

usage: decode-compare.py --tvgif TVGIF --peer PEER [--giflib GIFLIB]
                         [--before TVGIF] [--rounds 5] [--threads N]... [--quiet]
                         FILE..."""
import argparse
import os
import subprocess
import sys
import time


def figures(command):
    """{file or 'total': MP/s} from the output of one bench run."""
    out = subprocess.run(command, check=True, capture_output=True, text=True).stdout
    result = {}
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 2:
            try:
                result[parts[0]] = float(parts[-1] if parts[0] != "total" else parts[1])
            except ValueError:
                pass
    return result


def idle_share(seconds=0.5):
    """The share of the machine's CPU time that was idle over seconds."""
    def read():
        with open("/proc/stat") as stat:
            ticks = [int(t) for t in stat.readline().split()[1:]]
        return sum(ticks), ticks[3] + ticks[4]
    total0, idle0 = read()
    time.sleep(seconds)
    total1, idle1 = read()
    return (idle1 - idle0) / max(1, total1 - total0)


def wait_until_quiet(share=0.8, longest=30):
    """On a shared machine: waits (at most longest seconds) until other
    programs leave most of the cores idle."""
    start = time.time()
    while time.time() - start < longest and idle_share() < share:
        pass


def keep_best(best, run):
    for key, value in run.items():
        best[key] = max(best.get(key, 0.0), value)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tvgif", required=True)
    parser.add_argument("--peer", required=True)
    parser.add_argument("--giflib")
    parser.add_argument("--before", help="an earlier tvgif, measured on one thread")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--threads", type=int, action="append", default=[],
                        help="also measure tvgif on N threads (repeatable)")
    parser.add_argument("--quiet", action="store_true",
                        help="before each program's run, wait until the machine is mostly idle")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    # Each program's command and column name, run in this order every round.
    programs = [("ours", [args.tvgif, "bench", *args.files, "--reps", "3"])]
    for n in args.threads:
        if n > 1:
            programs.append((f"ours {n}t", [args.tvgif, "bench", *args.files, "--reps", "3", "--threads", str(n)]))
    programs.append(("peer", [args.peer, *args.files, "--reps", "3"]))
    if args.giflib:
        programs.append(("giflib", [args.giflib, *args.files, "--reps", "3"]))
    if args.before:
        programs.append(("before", [args.before, "bench", *args.files, "--reps", "3"]))

    best = {name: {} for name, _ in programs}
    for _ in range(args.rounds):
        for name, command in programs:
            if args.quiet:
                wait_until_quiet()
            keep_best(best[name], figures(command))

    width = max(len(os.path.basename(f)) for f in args.files + ["total"])
    names = [name for name, _ in programs]
    header = f"{'file':<{width}}" + "".join(f" {n:>9}" for n in names) + f" {'ours/peer':>9}"
    header += "".join(f" {n + '/ours':>10}" for n in names if n.startswith("ours ") or n == "before")
    print(header)
    for name in args.files + ["total"]:
        ours = best["ours"].get(name, 0.0)
        peer = best["peer"].get(name, 0.0)
        line = f"{os.path.basename(name):<{width}}" + "".join(f" {best[n].get(name, 0.0):9.1f}" for n in names)
        line += f" {ours / peer if peer else 0:9.2f}"
        for n in names:
            if n.startswith("ours ") or n == "before":
                line += f" {best[n].get(name, 0.0) / ours if ours else 0:10.2f}"
        print(line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
