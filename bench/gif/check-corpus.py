#!/usr/bin/python3
"""Checks that every lossless setting of `tvgif optimize` leaves each
animation of a corpus showing the same pictures for the same time, as three
renderers see it: tvgif's own painter (`tvgif render`), ImageMagick
(`convert -coalesce`) and Pillow. A renderer judges a file only where it
shows the input as our painter does: renderers differ on some inputs (how a
restored frame looks, the first frame's background), and there a difference
in the result says nothing about the optimiser.

What counts is the run of pictures and the hundredths each stays, with
pictures that follow each other unchanged joined (the optimiser may join or
drop frames, never change what shows when). Fully transparent pixels count
as one colour.

usage: bench/gif/check-corpus.py [--tvgif PATH] [--setting ARGS]... DIR...
Needs python3-pil and ImageMagick; the corpus comes from make-corpus.py.
Exit 1 when any result differs from its input under any renderer that
agrees with our painter on the input."""
import argparse
import glob
import hashlib
import json
import os
import subprocess
import sys
import tempfile

from PIL import Image, ImageSequence

SETTINGS = ["--crop", "--merge", "--cleanup", "--colormap", "", "--best"]


def canonical(picture):
    """The picture's RGBA bytes with every fully transparent pixel alike."""
    rgba = picture.convert("RGBA")
    alpha = rgba.getchannel("A").point(lambda a: 255 if a else 0)
    clear = Image.new("RGBA", rgba.size, (0, 0, 0, 0))
    return hashlib.sha1(Image.composite(rgba, clear, alpha).tobytes()).hexdigest()


def joined(shown):
    """[(picture, hundredths)] with pictures that repeat their predecessor
    joined into one."""
    run = []
    for picture, delay in shown:
        if run and run[-1][0] == picture:
            run[-1] = (picture, run[-1][1] + delay)
        else:
            run.append((picture, delay))
    return run


def ours(tvgif, path, work):
    out = tempfile.mkdtemp(dir=work)
    info = json.loads(subprocess.run([tvgif, "info", path], check=True, capture_output=True, text=True).stdout)
    subprocess.run([tvgif, "render", path, out], check=True, capture_output=True)
    return joined([(canonical(Image.open(os.path.join(out, "frame-%04d.png" % i))), frame.get("delay", 0))
                   for i, frame in enumerate(info["frames"])])


def imagemagick(path, work):
    out = tempfile.mkdtemp(dir=work)
    subprocess.run(["convert", path, "-coalesce", os.path.join(out, "f-%05d.png")], check=True,
                   capture_output=True)
    delays = subprocess.run(["identify", "-format", "%T\n", path], check=True, capture_output=True,
                            text=True).stdout.split()
    frames = sorted(glob.glob(os.path.join(out, "f-*.png")))
    return joined([(canonical(Image.open(f)), int(d)) for f, d in zip(frames, delays)])


def pillow(path, work):
    with Image.open(path) as image:
        return joined([(canonical(frame), frame.info.get("duration", 0) // 10)
                       for frame in ImageSequence.Iterator(image)])


RENDERERS = [("imagemagick", imagemagick), ("pillow", pillow)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tvgif", default=os.path.join(os.path.dirname(__file__),
                                                        "../../build/default/tools/tvgif/tvgif"))
    parser.add_argument("--setting", action="append", help="optimize options, one setting (default: each step "
                        "alone, all four, --best)")
    parser.add_argument("dirs", nargs="+")
    args = parser.parse_args()
    settings = args.setting or SETTINGS
    files = sorted(f for d in args.dirs for f in glob.glob(os.path.join(d, "*.gif")))
    failures = 0
    judged = {name: 0 for name in ["tvgif"] + [n for n, _ in RENDERERS]}
    with tempfile.TemporaryDirectory() as work:
        for path in files:
            reference = ours(args.tvgif, path, work)
            inputs = {name: render(path, work) for name, render in RENDERERS}
            agreeing = [name for name, _ in RENDERERS if inputs[name] == reference]
            line = [os.path.basename(path), "agree: " + (",".join(agreeing) or "none")]
            for setting in settings:
                result = os.path.join(work, "out.gif")
                subprocess.run([args.tvgif, "optimize", *setting.split(), path, result], check=True,
                               capture_output=True)
                wrong = []
                if ours(args.tvgif, result, work) != reference:
                    wrong.append("tvgif")
                judged["tvgif"] += 1
                for name, render in RENDERERS:
                    if name in agreeing:
                        judged[name] += 1
                        if render(result, work) != inputs[name]:
                            wrong.append(name)
                line.append(f"{setting or 'all four'}: {'differs in ' + ','.join(wrong) if wrong else 'same'}")
                failures += bool(wrong)
            print(" | ".join(line), flush=True)
    print(f"results judged: {judged}; differing: {failures}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
