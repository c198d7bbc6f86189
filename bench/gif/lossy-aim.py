#!/usr/bin/python3
"""The per-file lossy aim, quickly: for every GIF of the folders and each
level, `tvgif optimize --lossy=N` against `gifsicle -O3 --lossy=N`, as the
ratio of bytes and the difference of PSNR over time (measure-corpus.py's
measure), and whether ours is at most 0.9 times the bytes at no more than
0.2 dB below. Files run side by side (the seconds are not measured);
gifsicle's results are kept in --cache, so that a change of ours is
measured in well under a minute on a corpus half.

usage: bench/gif/lossy-aim.py [--tvgif PATH] [--levels 20,40,80] [--cache DIR] [--jobs N] DIR..."""
import argparse
import hashlib
import importlib.util
import json
import os
import subprocess
import tempfile
from concurrent.futures import ProcessPoolExecutor

here = os.path.dirname(os.path.abspath(__file__))
# The measure of measure-corpus.py, loaded from its file (its name is no module name).
found = importlib.util.spec_from_file_location("measure", os.path.join(here, "measure-corpus.py"))
measure = importlib.util.module_from_spec(found)
found.loader.exec_module(measure)


def result(tvgif, original, path, work):
    return {"bytes": os.path.getsize(path), "psnr": measure.psnr(original, measure.timeline(tvgif, path, work))}


def one(args, path):
    with tempfile.TemporaryDirectory() as work:
        original = measure.timeline(args.tvgif, path, work)
        with open(path, "rb") as f:
            digest = hashlib.sha1(f.read()).hexdigest()
        rows = {}
        for level in args.levels:
            cached = os.path.join(args.cache, "%s-%d.json" % (digest, level))
            if os.path.exists(cached):
                with open(cached) as f:
                    theirs = json.load(f)
            else:
                out = os.path.join(work, "gifsicle.gif")
                subprocess.run(["gifsicle", "-O3", "--lossy=%d" % level, path, "-o", out], check=True,
                               stderr=subprocess.DEVNULL)
                theirs = result(args.tvgif, original, out, work)
                with open(cached, "w") as f:
                    json.dump(theirs, f)
            out = os.path.join(work, "tvgif.gif")
            subprocess.run([args.tvgif, "optimize", "--lossy=%d" % level, path, out], check=True,
                           capture_output=True)
            rows[level] = (result(args.tvgif, original, out, work), theirs)
        return path, rows


def main():
    parser = argparse.ArgumentParser()
    root = os.path.abspath(os.path.join(here, "..", ".."))
    parser.add_argument("--tvgif", default=os.path.join(root, "build/default/tools/tvgif/tvgif"))
    parser.add_argument("--levels", default="20,40,80")
    parser.add_argument("--cache", default=os.path.join(tempfile.gettempdir(), "tvgif-lossy-aim"))
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("dirs", nargs="+")
    args = parser.parse_args()
    args.levels = [int(level) for level in args.levels.split(",")]
    os.makedirs(args.cache, exist_ok=True)
    files = [os.path.join(d, f) for d in args.dirs for f in sorted(os.listdir(d)) if f.endswith(".gif")]
    met = {level: 0 for level in args.levels}
    totals = {level: [0, 0] for level in args.levels}
    print("file | " + " | ".join("%d: bytes, dB, aim" % level for level in args.levels))
    with ProcessPoolExecutor(args.jobs) as pool:
        for path, rows in pool.map(one, [args] * len(files), files):
            cells = []
            for level in args.levels:
                ours, theirs = rows[level]
                ok = ours["bytes"] <= 0.9 * theirs["bytes"] and ours["psnr"] >= theirs["psnr"] - 0.2
                met[level] += ok
                totals[level][0] += ours["bytes"]
                totals[level][1] += theirs["bytes"]
                cells.append("%5.3f %+6.2f %s" % (ours["bytes"] / theirs["bytes"], ours["psnr"] - theirs["psnr"],
                                                  "met" if ok else "---"))
            print("%-32s | %s" % (os.path.basename(path), " | ".join(cells)), flush=True)
    print("aim met on %s of %d files; total bytes %s of gifsicle's" %
          (" / ".join(str(met[level]) for level in args.levels), len(files),
           " / ".join("%.3f" % (totals[level][0] / totals[level][1]) for level in args.levels)))


if __name__ == "__main__":
    main()
