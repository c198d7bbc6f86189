#!/usr/bin/python3
"""Wall-clock and CPU seconds of `tvgif optimize --best` against
`gifsicle -O3` over every GIF of each folder, one file after the other as a
user runs them (each program's start-up included), the two programs taken
in turn; the median of the rounds is printed.

usage: bench/gif/best-time.py [--tvgif PATH] [--rounds N] DIR..."""
import argparse
import glob
import os
import resource
import statistics
import subprocess
import tempfile
import time


def loop(command_of, files):
    """Wall and CPU (user + system) seconds of running command_of(f) for each file."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    for f in files:
        subprocess.run(command_of(f), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def main():
    parser = argparse.ArgumentParser()
    root = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
    parser.add_argument("--tvgif", default=os.path.join(root, "build/default/tools/tvgif/tvgif"))
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("dirs", nargs="+")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, "out.gif")
        for d in args.dirs:
            files = sorted(glob.glob(os.path.join(d, "*.gif")))
            ours, theirs = [], []
            for _ in range(args.rounds):
                ours.append(loop(lambda f: [args.tvgif, "optimize", "--best", f, out], files))
                theirs.append(loop(lambda f: ["gifsicle", "-O3", f, "-o", out], files))
            wall = statistics.median(w for w, _ in ours)
            cpu = statistics.median(c for _, c in ours)
            gwall = statistics.median(w for w, _ in theirs)
            gcpu = statistics.median(c for _, c in theirs)
            print("%s (%d files): --best %.3f s wall, %.3f s CPU; gifsicle -O3 %.3f s wall, %.3f s CPU; "
                  "wall ratio %.2f" % (d, len(files), wall, cpu, gwall, gcpu, wall / gwall))


if __name__ == "__main__":
    main()
