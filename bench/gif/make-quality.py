#!/usr/bin/python3
"""Bytes against mean PSNR of `tvgif make` and gifski at several quality
settings, one panel per frame sequence (from make-frames.py), measured as
make-compare.py does; writes the points as JSON and the plot as PNG.

usage: make-quality.py [--tvgif PATH] [--gifski PATH] OUT.json OUT.png SEQDIR..."""
import argparse
import glob
import importlib.util
import json
import math
import os
import subprocess
import tempfile

from PIL import Image, ImageDraw, ImageFont

QUALITIES = [30, 50, 70, 90, 100]
TOOLS = {"tvgif make": (200, 40, 40), "gifski": (40, 90, 200)}
PANEL_W, PANEL_H, MARGIN = 300, 210, 40


def compare_module():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-compare.py")
    found = importlib.util.spec_from_file_location("make_compare", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def command(tool, args, quality, frames, out):
    if tool == "tvgif make":
        return [args.tvgif, "make", "--quality", str(quality), "--fps", "10", "-o", out] + frames
    return [args.gifski, "--quality", str(quality), "--fps", "10", "-o", out] + frames


def measure(args, seqs):
    compare = compare_module()
    points = []
    with tempfile.TemporaryDirectory() as work:
        for seq in seqs:
            frames = sorted(glob.glob(os.path.join(seq, "*.png")))
            for tool in TOOLS:
                for quality in QUALITIES:
                    out = os.path.join(work, "out.gif")
                    subprocess.run(command(tool, args, quality, frames, out), check=True,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                    mean, worst = compare.measure(out, frames)
                    points.append({"sequence": os.path.basename(seq.rstrip("/")), "tool": tool,
                                   "quality": quality, "bytes": os.path.getsize(out),
                                   "mean_psnr": mean, "worst_psnr": worst})
                    print(points[-1], flush=True)
    return points


def plot(points, out):
    font = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 11)
    seqs = sorted({p["sequence"] for p in points})
    columns = 4
    rows = (len(seqs) + columns - 1) // columns
    img = Image.new("RGB", (columns * PANEL_W, rows * PANEL_H + 26), "white")
    draw = ImageDraw.Draw(img)
    x0 = 8
    for tool, colour in TOOLS.items():
        draw.line((x0, 13, x0 + 20, 13), fill=colour, width=2)
        draw.text((x0 + 25, 6), tool, fill="black", font=font)
        x0 += 120
    draw.text((x0, 6), "x: bytes (log), y: mean PSNR (dB); quality %s" % QUALITIES, fill="black", font=font)
    for n, seq in enumerate(seqs):
        left = (n % columns) * PANEL_W + MARGIN
        top = (n // columns) * PANEL_H + 26 + 16
        w, h = PANEL_W - MARGIN - 10, PANEL_H - 16 - 30
        mine = [p for p in points if p["sequence"] == seq]
        lo_b = math.log10(min(p["bytes"] for p in mine))
        hi_b = math.log10(max(p["bytes"] for p in mine))
        lo_q = min(p["mean_psnr"] for p in mine)
        hi_q = max(p["mean_psnr"] for p in mine)
        span_b = max(hi_b - lo_b, 1e-6)
        span_q = max(hi_q - lo_q, 1e-6)
        draw.rectangle((left, top, left + w, top + h), outline=(160, 160, 160))
        draw.text((left, top - 15), seq, fill="black", font=font)
        draw.text((left, top + h + 3), "%d B" % round(10 ** lo_b), fill="gray", font=font)
        draw.text((left + w - 60, top + h + 3), "%d B" % round(10 ** hi_b), fill="gray", font=font)
        draw.text((left - 36, top), "%.0f" % hi_q, fill="gray", font=font)
        draw.text((left - 36, top + h - 12), "%.0f" % lo_q, fill="gray", font=font)
        for tool, colour in TOOLS.items():
            line = sorted((p for p in mine if p["tool"] == tool), key=lambda p: p["quality"])
            xy = [(left + (math.log10(p["bytes"]) - lo_b) / span_b * w,
                   top + h - (p["mean_psnr"] - lo_q) / span_q * h) for p in line]
            if len(xy) > 1:
                draw.line(xy, fill=colour, width=2)
            for x, y in xy:
                draw.ellipse((x - 3, y - 3, x + 3, y + 3), fill=colour)
    img.save(out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tvgif", default="build/default/tools/tvgif/tvgif")
    parser.add_argument("--gifski", default="/tmp/package/bin/debian/gifski")
    parser.add_argument("json_out")
    parser.add_argument("png_out")
    parser.add_argument("seqs", nargs="+")
    args = parser.parse_args()
    points = measure(args, args.seqs)
    with open(args.json_out, "w") as f:
        json.dump(points, f, indent=1)
    plot(points, args.png_out)


if __name__ == "__main__":
    main()
