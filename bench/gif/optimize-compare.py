#!/usr/bin/env python3
"""Checks that two GIF animations show the same: both are coalesced by
ImageMagick into whole frames, each frame is held for its delay as the
painter shows it (0 as 10 hundredths, at least 3), equal frames in a row join,
and the two timelines must match pixel for pixel.

usage: optimize-compare.py ORIGINAL OPTIMISED    (exit 0 when the same)"""
import subprocess
import sys


def timeline(path):
    size = subprocess.run(["identify", "-format", "%W %H\n", path], check=True, capture_output=True,
                          text=True).stdout.split("\n")[0].split()
    width, height = int(size[0]), int(size[1])
    delays = [int(d) for d in subprocess.run(["identify", "-format", "%T\n", path], check=True,
                                             capture_output=True, text=True).stdout.split()]
    raw = subprocess.run(["convert", path, "-coalesce", "-background", "none", "-extent",
                          f"{width}x{height}", "-depth", "8", "rgba:-"], check=True,
                         capture_output=True).stdout
    frame = width * height * 4
    shown = []
    for i, delay in enumerate(delays):
        pixels = raw[i * frame:(i + 1) * frame]
        # Fully transparent pixels are the same whatever colour they carry.
        pixels = bytes(b"".join(pixels[j:j + 4] if pixels[j + 3] else b"\0\0\0\0"
                                for j in range(0, len(pixels), 4)))
        delay = 10 if delay == 0 else max(delay, 3)
        if shown and shown[-1][0] == pixels:
            shown[-1][1] += delay
        else:
            shown.append([pixels, delay])
    return (width, height), shown


def main():
    a_size, a = timeline(sys.argv[1])
    b_size, b = timeline(sys.argv[2])
    if a_size != b_size or len(a) != len(b):
        print(f"differ: {len(a)} shown pictures against {len(b)}")
        return 1
    for i, (x, y) in enumerate(zip(a, b)):
        if x[0] != y[0] or x[1] != y[1]:
            print(f"differ at shown picture {i}")
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
