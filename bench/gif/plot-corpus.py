#!/usr/bin/python3
"""Draws bytes against PSNR per kind of animation from measure-corpus.py's
JSON: one curve per tool (lossless, then --lossy 20, 40, 80), the bytes of
each kind summed and shown relative to gifsicle -O3's; lossless points sit
on the top edge.

usage: bench/gif/plot-corpus.py RESULTS.json... OUT.png"""
import json
import sys

from PIL import Image, ImageDraw, ImageFont

CURVES = [("tvgif", ["tvgif-best", "tvgif-lossy20", "tvgif-lossy40", "tvgif-lossy80"], (200, 40, 40)),
          ("gifsicle", ["gifsicle-O3", "gifsicle-lossy20", "gifsicle-lossy40", "gifsicle-lossy80"], (40, 90, 200))]
TOP_DB = 70.0  # lossless (99 dB) is drawn here
PANEL_W, PANEL_H, MARGIN = 260, 190, 36


def main():
    rows = []
    for name in sys.argv[1:-1]:
        with open(name) as f:
            rows += json.load(f)
    kinds = {}
    for row in rows:
        kinds.setdefault(row["file"].split("-")[0], []).append(row)
    font = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 11)
    columns = 4
    lines = (len(kinds) + columns - 1) // columns
    img = Image.new("RGB", (columns * PANEL_W, lines * PANEL_H + 24), "white")
    d = ImageDraw.Draw(img)
    d.text((6, 4), "bytes (relative to gifsicle -O3) against PSNR over time (dB); points: lossless, lossy 20, 40, 80"
           "   red: tvgif   blue: gifsicle", fill="black", font=font)
    for k, (kind, members) in enumerate(sorted(kinds.items())):
        x0 = (k % columns) * PANEL_W + MARGIN
        y0 = (k // columns) * PANEL_H + 24 + 16
        w, h = PANEL_W - MARGIN - 10, PANEL_H - 16 - 30
        reference = sum(r["results"]["gifsicle-O3"]["bytes"] for r in members)
        points = {}
        for label, settings, colour in CURVES:
            curve = []
            for s in settings:
                size = sum(r["results"][s]["bytes"] for r in members) / reference
                # The PSNR of the kind: the mean squared error averaged over its files.
                mse = sum(10 ** (-min(r["results"][s]["psnr"], 99) / 10) for r in members) / len(members)
                db = 99.0 if mse < 10 ** -9.8 else -10 * __import__("math").log10(mse)
                curve.append((size, min(db, TOP_DB)))
            points[label] = (curve, colour)
        low_db = min(p[1] for c, _ in points.values() for p in c)
        low_db = max(10.0, 5 * int(low_db / 5) - 5 if low_db < TOP_DB else TOP_DB - 10)
        high_x = max(1.05, max(p[0] for c, _ in points.values() for p in c) * 1.05)
        d.rectangle([x0, y0, x0 + w, y0 + h], outline=(160, 160, 160))
        d.text((x0, y0 - 15), "%s (%d files)" % (kind, len(members)), fill="black", font=font)

        def at(p):
            return (x0 + w * p[0] / high_x, y0 + h * (TOP_DB - p[1]) / (TOP_DB - low_db))

        for frac in (0.25, 0.5, 0.75, 1.0):
            if frac < high_x:
                x = at((frac, TOP_DB))[0]
                d.line([x, y0 + h, x, y0 + h + 3], fill="black")
                d.text((x - 10, y0 + h + 4), "%.2f" % frac, fill="black", font=font)
        for db in range(int(low_db), int(TOP_DB) + 1, 10):
            y = at((0, db))[1]
            d.text((x0 - 30, y - 6), "%d" % db if db < TOP_DB else "lossl", fill="black", font=font)
        for curve, colour in points.values():
            xy = [at(p) for p in curve]
            d.line(xy, fill=colour, width=2)
            for x, y in xy:
                d.ellipse([x - 3, y - 3, x + 3, y + 3], fill=colour)
    img.save(sys.argv[-1])


if __name__ == "__main__":
    main()
