#!/usr/bin/env python3
"""Decoding speed of tvgif against a peer decoder, side by side on the same
files: ROUNDS rounds, each running `tvgif bench FILES --reps 3` and then
`PEER FILES --reps 3`; each program's best figure per file and in total
counts (on a busy machine the least disturbed run). With --gif-bench, giflib's
figure from gif_bench (the fastest of 3 passes on the thread's CPU clock) is
added. Figures are megapixels per second, pixels being the sum of frame
areas.

usage: decode-compare.py --tvgif TVGIF --peer PEER [--gif-bench GIF_BENCH]
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


def giflib_figures(gif_bench, files):
    """giflib's MP/s per file (by base name) from gif_bench run on the files' folder."""
    folders = {os.path.dirname(os.path.abspath(f)) for f in files}
    result = {}
    for folder in folders:
        out = subprocess.run([gif_bench, folder, "--turns=3"], check=True, capture_output=True,
                             text=True).stdout
        for line in out.splitlines():
            parts = line.split()
            if len(parts) == 4 and parts[0].endswith(".gif"):
                result[os.path.join(folder, parts[0])] = float(parts[2])
            if len(parts) == 6 and parts[0] == "total" and len(folders) == 1:
                result["total"] = float(parts[4])
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tvgif", required=True)
    parser.add_argument("--peer", required=True)
    parser.add_argument("--gif-bench")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--threads", type=int, default=1)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    ours, peer = {}, {}
    threads = ["--threads", str(args.threads)] if args.threads > 1 else []
    for _ in range(args.rounds):
        keep_best(ours, figures([args.tvgif, "bench", *args.files, "--reps", "3", *threads]))
        keep_best(peer, figures([args.peer, *args.files, "--reps", "3"]))
    giflib = giflib_figures(args.gif_bench, args.files) if args.gif_bench else {}

    width = max(len(os.path.basename(f)) for f in args.files + ["total"])
    print(f"{'file':<{width}} {'ours':>8} {'peer':>8} {'ours/peer':>9}" + (f" {'giflib':>8}" if giflib else ""))
    for name in args.files + ["total"]:
        o, p = ours.get(name, 0.0), peer.get(name, 0.0)
        line = f"{os.path.basename(name):<{width}} {o:8.1f} {p:8.1f} {o / p if p else 0:9.2f}"
        if giflib:
            g = giflib.get(name if name == "total" else os.path.abspath(name))
            line += f" {g:8.1f}" if g is not None else f" {'':>8}"
        print(line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
