#!/usr/bin/env python3
"""Decoding speed of tvgif against a peer decoder, side by side on the same
files: ROUNDS rounds, each running `tvgif bench FILES --reps 3`, then
`PEER FILES --reps 3` (and `GIFLIB FILES --reps 3`, the program built from
giflib-bench.c); each program's best figure per file and in total counts (on
a busy machine the least disturbed run). All time on the wall clock; figures
are megapixels per second, pixels being the sum of frame areas.

usage: decode-compare.py --tvgif TVGIF --peer PEER [--giflib GIFLIB]
                         [--rounds 5] [--threads N] FILE..."""
import argparse
import os
import subprocess
import sys


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


def keep_best(best, run):
    for key, value in run.items():
        best[key] = max(best.get(key, 0.0), value)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tvgif", required=True)
    parser.add_argument("--peer", required=True)
    parser.add_argument("--giflib")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--threads", type=int, default=1)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    ours, peer, giflib = {}, {}, {}
    threads = ["--threads", str(args.threads)] if args.threads > 1 else []
    for _ in range(args.rounds):
        keep_best(ours, figures([args.tvgif, "bench", *args.files, "--reps", "3", *threads]))
        keep_best(peer, figures([args.peer, *args.files, "--reps", "3"]))
        if args.giflib:
            keep_best(giflib, figures([args.giflib, *args.files, "--reps", "3"]))

    width = max(len(os.path.basename(f)) for f in args.files + ["total"])
    print(f"{'file':<{width}} {'ours':>8} {'peer':>8} {'ours/peer':>9}" + (f" {'giflib':>8}" if giflib else ""))
    for name in args.files + ["total"]:
        o, p = ours.get(name, 0.0), peer.get(name, 0.0)
        line = f"{os.path.basename(name):<{width}} {o:8.1f} {p:8.1f} {o / p if p else 0:9.2f}"
        if giflib:
            line += f" {giflib.get(name, 0.0):8.1f}"
        print(line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
