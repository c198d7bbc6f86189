#!/usr/bin/python3
"""Optimises every GIF of a corpus half with tvgif and gifsicle and reports,
per file and setting, the bytes, the PSNR over time against the input and
the wall-clock seconds.

PSNR over time: both animations are drawn by tvgif's renderer (the screen
after each frame, as the painter shows it), each picture held for its
delay as the painter holds it (0 as 10 hundredths, at least 3); the RGB
squared error is pooled over every hundredth of a second of the input's
run (a shorter result shows its last picture on); 99 dB when equal.

usage: bench/gif/measure-corpus.py [--tvgif PATH] [--json OUT] DIR...
Needs python3-pil and gifsicle; the corpus comes from make-corpus.py."""
import argparse
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageChops

OURS = [("tvgif", []), ("tvgif-best", ["--best"]), ("tvgif-lossy20", ["--lossy=20"]),
        ("tvgif-lossy40", ["--lossy=40"]), ("tvgif-lossy80", ["--lossy=80"])]
THEIRS = [("gifsicle-O2", ["-O2"]), ("gifsicle-O3", ["-O3"]), ("gifsicle-lossy20", ["-O3", "--lossy=20"]),
          ("gifsicle-lossy40", ["-O3", "--lossy=40"]), ("gifsicle-lossy80", ["-O3", "--lossy=80"])]
GROUND = (255, 0, 255)  # behind transparent parts, so that they count as a colour of their own


def timeline(tvgif, path, work):
    """[(RGB picture, hundredths)] as the painter shows the animation."""
    info = json.loads(subprocess.run([tvgif, "info", path], check=True, capture_output=True, text=True).stdout)
    out = os.path.join(work, "render")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    subprocess.run([tvgif, "render", path, out], check=True, capture_output=True)
    shown = []
    for i, frame in enumerate(info["frames"]):
        delay = frame.get("delay", 0)
        delay = 10 if delay == 0 else max(delay, 3)
        picture = Image.open(os.path.join(out, "frame-%04d.png" % i)).convert("RGBA")
        flat = Image.new("RGB", picture.size, GROUND)
        flat.paste(picture, mask=picture.getchannel("A"))
        shown.append((flat, delay))
    return shown


def squared_error(a, b):
    total = 0
    for channel in range(3):
        histogram = ImageChops.difference(a.getchannel(channel), b.getchannel(channel)).histogram()
        total += sum(count * d * d for d, count in enumerate(histogram) if count)
    return total


def psnr(original, result):
    if not result or original[0][0].size != result[0][0].size:
        return 0.0
    error, time_, j, left = 0, 0, 0, result[0][1]
    pairs = {}
    for i, (picture, delay) in enumerate(original):
        while delay > 0:
            step = min(delay, left) if j < len(result) - 1 else delay
            key = (i, j)
            if key not in pairs:
                pairs[key] = squared_error(picture, result[j][0])
            error += pairs[key] * step
            time_ += step
            delay -= step
            left -= step
            if left == 0 and j < len(result) - 1:
                j += 1
                left = result[j][1]
    w, h = original[0][0].size
    mse = error / (time_ * w * h * 3)
    return 99.0 if mse == 0 else min(99.0, 10 * math.log10(255 * 255 / mse))


def run(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, capture_output=True)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    root = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
    parser.add_argument("--tvgif", default=os.path.join(root, "build/default/tools/tvgif/tvgif"))
    parser.add_argument("--json")
    parser.add_argument("--full", action="store_true", help="measure the PSNR of the lossless settings too")
    parser.add_argument("--only", help="comma-separated setting names")
    parser.add_argument("dirs", nargs="+")
    args = parser.parse_args()
    only = set(args.only.split(",")) if args.only else None
    rows = []
    with tempfile.TemporaryDirectory() as work:
        for d in args.dirs:
            for name in sorted(os.listdir(d)):
                if not name.endswith(".gif"):
                    continue
                path = os.path.join(d, name)
                original = timeline(args.tvgif, path, work)
                row = {"file": name, "half": os.path.basename(os.path.normpath(d)), "input": os.path.getsize(path),
                       "results": {}}
                settings = [(n, [args.tvgif, "optimize"] + o + [path]) for n, o in OURS] + \
                           [(n, ["gifsicle"] + o + [path, "-o"]) for n, o in THEIRS]
                for setting, command in settings:
                    if only and setting not in only:
                        continue
                    out = os.path.join(work, setting + ".gif")
                    seconds = run(command + [out])
                    # The lossless settings are checked by the test suite;
                    # of them only --best is measured here (--full: all).
                    measured = args.full or "lossy" in setting or setting == "tvgif-best"
                    quality = psnr(original, timeline(args.tvgif, out, work)) if measured else 99.0
                    row["results"][setting] = {"bytes": os.path.getsize(out), "psnr": round(quality, 2),
                                               "seconds": round(seconds, 3)}
                rows.append(row)
                print(name, " ".join("%s=%d/%.1f" % (k, v["bytes"], v["psnr"]) for k, v in row["results"].items()),
                      file=sys.stderr, flush=True)
    if args.json:
        with open(args.json, "w") as f:
            json.dump(rows, f, indent=1)
    names = [n for n, _ in OURS + THEIRS if not only or n in only]
    print("| file | input | " + " | ".join(names) + " |")
    print("|---|---:|" + "---:|" * len(names))
    totals = {n: 0 for n in names}
    for row in rows:
        cells = []
        for n in names:
            r = row["results"][n]
            totals[n] += r["bytes"]
            cells.append("%d / %.1f / %.2f" % (r["bytes"], r["psnr"], r["seconds"]))
        print("| %s | %d | %s |" % (row["file"], row["input"], " | ".join(cells)))
    print("| total | %d | %s |" % (sum(r["input"] for r in rows), " | ".join(str(totals[n]) for n in names)))


if __name__ == "__main__":
    main()
