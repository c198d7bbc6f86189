#!/usr/bin/python3
"""Compares `tvgif make` with gifski and ImageMagick on frame sequences made by
make-frames.py: bytes, mean and worst-frame PSNR and wall-clock seconds.

PSNR is RGB, of each shown picture against its source frame at the frame's
time (a merged frame counts for every instant it stays), 99 dB when equal;
the mean is over the source frames (of their PSNRs).

usage: make-compare.py [--tvgif PATH] [--gifski PATH] [--tools a,b,...] SEQDIR...
tools: ours, ours-best, ours-q100, gifski, gifski-q100, magick (default: all)"""
import argparse
import glob
import math
import os
import subprocess
import tempfile
import time

from PIL import Image, ImageChops, ImageStat

FPS = 10


def commands(tvgif, gifski, frames, out):
    return {
        "ours": [tvgif, "make", "--fps", str(FPS), "-o", out] + frames,
        "ours-best": [tvgif, "make", "--best", "--fps", str(FPS), "-o", out] + frames,
        "ours-q100": [tvgif, "make", "--quality", "100", "--fps", str(FPS), "-o", out] + frames,
        "gifski": [gifski, "--fps", str(FPS), "-o", out] + frames,
        "gifski-q100": [gifski, "-Q", "100", "--extra", "--fps", str(FPS), "-o", out] + frames,
        "magick": ["convert", "-delay", str(100 // FPS)] + frames + ["-layers", "optimize", out],
    }


def shown_frames(path):
    """(start in ms, RGB picture) of each frame as shown."""
    gif = Image.open(path)
    shown = []
    t = 0
    for i in range(gif.n_frames):
        gif.seek(i)
        shown.append((t, gif.convert("RGB")))
        t += gif.info.get("duration", 100) or 100
    return shown


def psnr(a, b):
    diff = ImageChops.difference(a, b)
    sq = sum(ImageStat.Stat(diff).sum2)
    if sq == 0:
        return 99.0
    mse = sq / (a.width * a.height * 3)
    return min(99.0, 10 * math.log10(255 * 255 / mse))


def measure(path, frames):
    shown = shown_frames(path)
    values = []
    j = 0
    for k, name in enumerate(frames):
        t = k * 1000 / FPS
        while j + 1 < len(shown) and shown[j + 1][0] <= t + 1e-6:
            j += 1
        values.append(psnr(Image.open(name).convert("RGB"), shown[j][1]))
    return sum(values) / len(values), min(values)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tvgif", default="build/default/tools/tvgif/tvgif")
    parser.add_argument("--gifski", default="/tmp/package/bin/debian/gifski")
    parser.add_argument("--tools", default="ours,ours-best,ours-q100,gifski,gifski-q100,magick")
    parser.add_argument("seqs", nargs="+")
    args = parser.parse_args()
    tools = args.tools.split(",")
    print("| sequence | tool | bytes | mean PSNR | worst PSNR | seconds |")
    print("|---|---|---:|---:|---:|---:|")
    with tempfile.TemporaryDirectory() as work:
        for seq in args.seqs:
            frames = sorted(glob.glob(os.path.join(seq, "*.png")))
            for tool in tools:
                out = os.path.join(work, tool + ".gif")
                start = time.monotonic()
                subprocess.run(commands(args.tvgif, args.gifski, frames, out)[tool], check=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                seconds = time.monotonic() - start
                mean, worst = measure(out, frames)
                print("| %s | %s | %d | %.2f | %.2f | %.2f |" % (os.path.basename(seq.rstrip("/")), tool,
                      os.path.getsize(out), mean, worst, seconds), flush=True)


if __name__ == "__main__":
    main()
