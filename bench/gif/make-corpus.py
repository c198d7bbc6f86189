#!/usr/bin/python3
"""Makes the optimisation corpus: animations of twelve kinds, three of each,
drawn from fixed seeds, in bench/data/corpus/{tune,held}/ (not committed).
Every kind has files in both halves; the held-out half is measured only to
check that what was tuned on the other half holds on unseen files.

The frames are drawn with Pillow and written as the tools people use write
them: Pillow's own animated writer; full frames with a local table each
(quantised alone, plain or dithered into 256 entries as browsers'
screen-capture tools write them) joined by gifsicle; one global table made
by gifsicle --colors; transparent frames restored to the background.

usage: bench/gif/make-corpus.py [--seed-offset N] [OUTDIR]
(needs python3-pil and gifsicle). A seed offset draws a fresh set of the
same kinds, to check on files no one has tuned on."""
import argparse
import math
import os
import random
import subprocess
import tempfile

from PIL import Image, ImageDraw, ImageFilter, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"


def font(size, mono=True, bold=False):
    name = "DejaVuSansMono" if mono else "DejaVuSans"
    return ImageFont.truetype(FONT_DIR + name + ("-Bold" if bold else "") + ".ttf", size)


def noise_field(rng, width, height, octaves=4, base=8):
    """A photograph-like field: random colours at a few scales, smoothly
    enlarged and blended."""
    field = Image.new("RGB", (width, height), tuple(rng.randrange(256) for _ in range(3)))
    for o in range(octaves):
        cells = base << o
        small = Image.new("RGB", (max(2, width // cells + 2), max(2, height // cells + 2)))
        small.putdata([tuple(rng.randrange(256) for _ in range(3)) for _ in range(small.width * small.height)])
        layer = small.resize((width, height), Image.BICUBIC)
        field = Image.blend(field, layer, 0.55 / (o + 1))
    return field.filter(ImageFilter.GaussianBlur(0.7))


# Each kind draws (frames, delays in hundredths, disposal) from a random generator.

def terminal(rng):
    w, h = rng.choice([(360, 220), (420, 260)])
    f = font(12)
    lines = ["$ ls -l", "total 48", "-rw-r--r-- 1 vesk 2048 main.cpp", "$ make -j2",
             "[ 10%] Building CXX object GIFImage.cpp.o", "[ 55%] Linking CXX library", "[100%] Built target tulva",
             "$ ./tvgif optimize in.gif out.gif", "in.gif: 48211 -> 30122 bytes", "$ git status",
             "On branch main", "nothing to commit, working tree clean", "$ "]
    rng.shuffle(lines)
    shown, frames = [], []
    typed = ""
    for line in lines:
        for k in range(0, len(line) + 1, rng.choice([2, 3, 4])):
            typed = line[:k]
            img = Image.new("RGB", (w, h), (30, 30, 30))
            d = ImageDraw.Draw(img)
            view = (shown + [typed])[-(h // 15 - 1):]
            for i, text in enumerate(view):
                d.text((6, 4 + 15 * i), text, font=f, fill=(208, 208, 208))
            cx = 6 + int(f.getlength(typed))
            if len(frames) % 2 == 0:
                d.rectangle([cx, 4 + 15 * (len(view) - 1), cx + 7, 16 + 15 * (len(view) - 1)], fill=(200, 200, 200))
            d.rectangle([0, h - 18, w, h], fill=(48, 48, 48))
            d.text((6, h - 16), "vesk@tulva: ~/src  %d" % len(frames), font=f, fill=(128, 192, 128))
            frames.append(img)
            if len(frames) >= 40:
                return frames, [8] * len(frames), 1
        shown.append(line)
    return frames, [8] * len(frames), 1


def scrolling_text(rng):
    w, h = 300, 200
    f = font(13, mono=False)
    words = "tulva vesk digit guess attempt score window colour table frame pixel code string".split()
    page = Image.new("RGB", (w, 900), (252, 252, 248))
    d = ImageDraw.Draw(page)
    for i in range(55):
        text = " ".join(rng.choice(words) for _ in range(rng.randint(3, 7)))
        d.text((12, 8 + 16 * i), text.capitalize() + ".", font=f, fill=(30, 30, 40) if i % 9 else (160, 40, 40))
    step = rng.choice([3, 5, 8])
    frames = [page.crop((0, y, w, y + h)) for y in range(0, 900 - h, step)][:40]
    return frames, [4] * len(frames), 1


def window_moves(rng):
    w, h = 400, 280
    desk = Image.new("RGB", (w, h))
    desk.putdata([(200 - y // 4, 210 - y // 5, 228 - x // 12) for y in range(h) for x in range(w)])
    f = font(11)
    frames = []
    x0, y0 = rng.randint(10, 60), rng.randint(10, 40)
    x1, y1 = rng.randint(150, 220), rng.randint(80, 120)
    n = 24
    for i in range(n):
        t = min(1.0, i / (n - 6))
        x, y = int(x0 + (x1 - x0) * t), int(y0 + (y1 - y0) * t)
        img = desk.copy()
        d = ImageDraw.Draw(img)
        d.rectangle([x, y, x + 170, y + 130], fill=(250, 250, 250), outline=(60, 60, 60))
        d.rectangle([x, y, x + 170, y + 16], fill=(48, 96, 160))
        d.text((x + 4, y + 2), "Scores", font=f, fill=(255, 255, 255))
        for k in range(5):
            d.text((x + 8, y + 24 + 18 * k), "%d. 0:%02d.%d  Ana" % (k + 1, 40 + 7 * k, k), font=f, fill=(0, 0, 0))
        px, py = x + 60 + i, y + 8
        d.polygon([(px, py), (px + 10, py + 12), (px + 4, py + 12)], fill=(0, 0, 0), outline=(255, 255, 255))
        frames.append(img)
    return frames, [6] * n, 1


def cursor(rng):
    w, h = 320, 200
    base = Image.new("RGB", (w, h), (236, 236, 236))
    d = ImageDraw.Draw(base)
    f = font(12, mono=False)
    buttons = [(20 + 100 * (k % 3), 40 + 60 * (k // 3)) for k in range(6)]
    for k, (bx, by) in enumerate(buttons):
        d.rectangle([bx, by, bx + 80, by + 30], fill=(220, 224, 232), outline=(120, 120, 140))
        d.text((bx + 14, by + 8), "Button %d" % k, font=f, fill=(20, 20, 20))
    frames = []
    px, py = rng.randint(0, w - 20), rng.randint(0, h - 20)
    for i in range(30):
        tx, ty = buttons[(i // 6 + rng.randint(0, 1)) % 6]
        px += (tx + 40 - px) // 3
        py += (ty + 15 - py) // 3
        img = base.copy()
        d = ImageDraw.Draw(img)
        for bx, by in buttons:
            if bx <= px <= bx + 80 and by <= py <= by + 30:
                d.rectangle([bx, by, bx + 80, by + 30], fill=(190, 210, 250), outline=(40, 80, 200))
                d.text((bx + 14, by + 8), "Button %d" % buttons.index((bx, by)), font=f, fill=(20, 20, 20))
        d.polygon([(px, py), (px, py + 16), (px + 4, py + 12), (px + 11, py + 12)], fill=(0, 0, 0),
                  outline=(255, 255, 255))
        frames.append(img)
    return frames, [5] * len(frames), 1


def spinner(rng):
    size = rng.choice([48, 64, 96])
    ground = rng.choice([(255, 255, 255), (245, 248, 252), (32, 36, 44)])
    colour = tuple(rng.randrange(40, 230) for _ in range(3))
    frames = []
    n = rng.choice([12, 18, 24])
    for i in range(n):
        big = Image.new("RGB", (size * 4, size * 4), ground)
        d = ImageDraw.Draw(big)
        for k in range(12):
            a = 2 * math.pi * (k / 12 + i / n)
            fade = ((k + 12 - (i * 12 // n)) % 12) / 12
            c = tuple(int(g + (q - g) * fade) for g, q in zip(ground, colour))
            r0, r1 = size * 0.9, size * 1.7
            cx = cy = size * 2
            d.line([(cx + r0 * math.cos(a), cy + r0 * math.sin(a)), (cx + r1 * math.cos(a), cy + r1 * math.sin(a))],
                   fill=c, width=size // 4)
        frames.append(big.resize((size, size), Image.LANCZOS))
    return frames, [4] * n, 1


def progress(rng):
    w, h = 300, 48
    f = font(12)
    frames = []
    stripes = rng.random() < 0.5
    for i in range(30):
        img = Image.new("RGB", (w, h), (238, 238, 238))
        d = ImageDraw.Draw(img)
        d.rounded_rectangle([10, 12, 289, 34], 6, fill=(204, 204, 204))
        fill = 10 + int(279 * i / 29)
        d.rounded_rectangle([10, 12, fill, 34], 6, fill=(48, 160, 64))
        if stripes:
            for s in range(-20, fill, 16):
                d.polygon([(s + 2 * i % 16, 34), (s + 8 + 2 * i % 16, 12), (s + 14 + 2 * i % 16, 12),
                           (s + 6 + 2 * i % 16, 34)], fill=(70, 190, 90))
            d.rectangle([fill + 1, 12, 289, 34], fill=(204, 204, 204))
        d.text((130, 16), "%d%%" % (100 * i // 29), font=f, fill=(0, 0, 0))
        frames.append(img)
    return frames, [6] * len(frames), 1


def toggles(rng):
    w, h = 220, 150
    f = font(12, mono=False)
    frames = []
    states = [rng.random() < 0.5 for _ in range(4)]
    pos = [1.0 if s else 0.0 for s in states]
    for i in range(36):
        if i % 8 == 0:
            k = rng.randrange(4)
            states[k] = not states[k]
        img = Image.new("RGB", (w, h), (250, 250, 250))
        d = ImageDraw.Draw(img)
        for k in range(4):
            target = 1.0 if states[k] else 0.0
            pos[k] += (target - pos[k]) * 0.5
            y = 14 + 34 * k
            on = (52, 199, 89)
            off = (200, 200, 205)
            c = tuple(int(a + (b - a) * pos[k]) for a, b in zip(off, on))
            d.text((12, y + 4), "Option %d" % (k + 1), font=f, fill=(30, 30, 30))
            d.rounded_rectangle([140, y, 196, y + 26], 13, fill=c)
            kx = 142 + int(28 * pos[k])
            d.ellipse([kx, y + 2, kx + 22, y + 24], fill=(255, 255, 255), outline=(180, 180, 180))
        frames.append(img)
    return frames, [4] * len(frames), 1


def sprites(rng):
    w, h = 256, 160
    tile = Image.new("RGB", (16, 16))
    tile.putdata([(60 + 20 * ((x // 4 + y // 4) % 2), 120 + rng.randrange(20), 60) for y in range(16) for x in range(16)])
    ground = Image.new("RGB", (w, h))
    for y in range(0, h, 16):
        for x in range(0, w, 16):
            ground.paste(tile, (x, y))
    d = ImageDraw.Draw(ground)
    d.rectangle([0, h - 24, w, h], fill=(120, 80, 40))
    palette = [(0, 0, 0), (250, 220, 40), (230, 60, 50), (60, 90, 220), (255, 255, 255)]
    actors = []
    for _ in range(rng.randint(2, 4)):
        s = Image.new("RGBA", (12, 12), (0, 0, 0, 0))
        s.putdata([(0, 0, 0, 0) if rng.random() < 0.3 else palette[rng.randrange(5)] + (255,) for _ in range(144)])
        s = s.resize((24, 24), Image.NEAREST)
        actors.append([s, rng.randrange(w), rng.randrange(h - 48), rng.choice([-4, -3, 3, 4]), rng.choice([-2, 0, 2])])
    frames = []
    for i in range(32):
        img = ground.copy()
        for a in actors:
            a[1] = (a[1] + a[3]) % (w - 24)
            a[2] = min(max(a[2] + a[4], 0), h - 48)
            img.paste(a[0], (a[1], a[2]), a[0])
        frames.append(img)
    return frames, [6] * len(frames), 1


def fireworks(rng):
    """Particles on a clear ground, every frame restored to the background."""
    w, h = rng.choice([(200, 150), (240, 180)])
    bursts = [(rng.randrange(40, w - 40), rng.randrange(30, h - 60), rng.randrange(0, 12),
               tuple(rng.randrange(120, 256) for _ in range(3))) for _ in range(3)]
    frames = []
    for i in range(28):
        img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
        d = ImageDraw.Draw(img)
        for bx, by, start, colour in bursts:
            t = i - start
            if t < 0 or t > 14:
                continue
            for k in range(16):
                a = 2 * math.pi * k / 16
                r = 3 * t
                x, y = bx + r * math.cos(a), by + r * math.sin(a) + 0.2 * t * t
                fade = max(0.0, 1 - t / 15)
                c = tuple(int(v * fade + 40 * (1 - fade)) for v in colour) + (255,)
                d.ellipse([x - 1.5, y - 1.5, x + 1.5, y + 1.5], fill=c)
        frames.append(img)
    return frames, [5] * len(frames), 2


def text_effects(rng):
    w, h = 260, 90
    f = font(30, mono=False, bold=rng.random() < 0.5)
    text = rng.choice(["Well done!", "Tulva 3", "New record", "Game over"])
    ground = rng.choice([(250, 250, 250), (20, 24, 40)])
    colour = tuple(rng.randrange(256) for _ in range(3))
    frames = []
    typing = rng.random() < 0.5
    for i in range(24):
        img = Image.new("RGB", (w, h), ground)
        d = ImageDraw.Draw(img)
        if typing:
            d.text((14, 26), text[:i * len(text) // 16], font=f, fill=colour)
        else:
            t = min(1.0, i / 16)
            c = tuple(int(g + (q - g) * t) for g, q in zip(ground, colour))
            d.text((14 + int(20 * (1 - t)), 26), text, font=f, fill=c)
        frames.append(img)
    return frames, [7] * len(frames), 1


def chart(rng):
    w, h = 300, 200
    f = font(10)
    values = [rng.uniform(0.1, 0.95) for _ in range(12)]
    bars = rng.random() < 0.5
    frames = []
    base = Image.new("RGB", (w, h), (255, 255, 255))
    d = ImageDraw.Draw(base)
    for k in range(5):
        y = 20 + 35 * k
        d.line([(30, y), (290, y)], fill=(225, 225, 225))
        d.text((2, y - 6), "%d" % (100 - 25 * k), font=f, fill=(100, 100, 100))
    d.line([(30, 160), (290, 160)], fill=(0, 0, 0))
    for i in range(30):
        img = base.copy()
        d = ImageDraw.Draw(img)
        shown = min(12.0, i * 12 / 24)
        for k in range(int(math.ceil(shown))):
            part = min(1.0, shown - k)
            x = 36 + 21 * k
            top = 160 - 140 * values[k] * part
            if bars:
                d.rectangle([x, top, x + 14, 160], fill=(70, 120, 200), outline=(40, 80, 160))
            elif k > 0:
                x0, y0 = 36 + 21 * (k - 1), 160 - 140 * values[k - 1]
                y1 = 160 - 140 * values[k]
                d.line([(x0, y0), (x0 + (x - x0) * part, y0 + (y1 - y0) * part)], fill=(200, 60, 60), width=3)
        frames.append(img)
    return frames, [5] * len(frames), 1


def cinemagraph(rng):
    w, h = 240, 180
    photo = noise_field(rng, w, h)
    x0, y0 = rng.randrange(20, 120), rng.randrange(90, 120)
    frames = []
    for i in range(20):
        img = photo.copy()
        region = photo.crop((x0, y0, x0 + 100, y0 + 50))
        px = region.load()
        for y in range(50):
            shift = int(3 * math.sin(y / 3 + i * 2 * math.pi / 20))
            row = [px[(x + shift) % 100, y] for x in range(100)]
            for x in range(100):
                r, g, b = row[x]
                px[x, y] = (r // 2, g // 2 + 40, min(255, b + 60))
        img.paste(region, (x0, y0))
        frames.append(img)
    return frames, [6] * len(frames), 1


def pan(rng):
    w, h = 200, 140
    world = noise_field(rng, 520, 300, octaves=5, base=6)
    dx, dy = rng.choice([(8, 3), (6, 0), (5, 4)])
    frames = [world.crop((dx * i, dy * i, dx * i + w, dy * i + h)) for i in range(24)]
    return frames, [5] * len(frames), 1


KINDS = [terminal, scrolling_text, window_moves, cursor, spinner, progress, toggles, sprites, fireworks,
         text_effects, chart, cinemagraph, pan]
WRITERS = ["global", "pillow", "capture", "local"]


def quantised(img, dither):
    """A frame as a GIF of its own: 256 colours chosen for it (255 and a
    transparent entry for a frame with transparent parts)."""
    if img.mode == "RGBA":
        p = img.convert("RGB").quantize(255, dither=Image.NONE)
        p.paste(255, mask=img.getchannel("A").point(lambda a: 255 if a < 128 else 0))
        p.info["transparency"] = 255
        return p
    return img.convert("RGB").quantize(256, dither=Image.FLOYDSTEINBERG if dither else Image.NONE)


def join(gifs, delays, path, extra):
    args = ["gifsicle", "--no-comments", "--loopcount=forever"] + extra
    for g, d in zip(gifs, delays):
        args += ["-d", str(d), g]
    subprocess.run(args + ["-o", path], check=True, stderr=subprocess.DEVNULL)


def write(frames, delays, disposal, writer, path, tmp):
    gifs = []
    for i, img in enumerate(frames):
        gifs.append(os.path.join(tmp, "f%03d.gif" % i))
        p = quantised(img, writer == "capture")
        if "transparency" in p.info:
            p.save(gifs[-1], transparency=255)
        else:
            p.save(gifs[-1])
    if disposal == 2:
        # Transparent frames, each restored to the background.
        join(gifs, delays, path, ["--disposal=background"])
    elif writer == "global":
        # One table for all frames, as gifsicle --colors makes it.
        join(gifs, delays, path, [])
        subprocess.run(["gifsicle", "-b", "--colors", "255", path], check=True, stderr=subprocess.DEVNULL)
    elif writer == "pillow":
        first = frames[0].convert("RGB")
        rest = [f.convert("RGB") for f in frames[1:]]
        first.save(path, save_all=True, append_images=rest, duration=[10 * d for d in delays], loop=0,
                   optimize=False)
    else:
        # Full frames, each quantised alone into its own table (dithered, as
        # capture tools write them, or not), joined by gifsicle.
        join(gifs, delays, path, [])


def main():
    root = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
    parser = argparse.ArgumentParser(description="Makes the optimisation corpus (tune and held halves).")
    parser.add_argument("outdir", nargs="?", default=os.path.join(root, "bench", "data", "corpus"))
    parser.add_argument("--seed-offset", type=int, default=0, help="added to every file's seed (a fresh set)")
    args = parser.parse_args()
    out = args.outdir
    for half in ("tune", "held"):
        os.makedirs(os.path.join(out, half), exist_ok=True)
    for k, kind in enumerate(KINDS):
        for copy in range(3):
            seed = 1000 * k + copy + args.seed_offset
            rng = random.Random(seed)
            frames, delays, disposal = kind(rng)
            writer = WRITERS[(k + copy) % len(WRITERS)]
            half = "held" if (copy + k // 2) % 2 else "tune"
            name = "%s-%d-%s.gif" % (kind.__name__.replace("_", ""), copy, writer)
            path = os.path.join(out, half, name)
            with tempfile.TemporaryDirectory() as tmp:
                write(frames, delays, disposal, writer, path, tmp)
            print(half, name, os.path.getsize(path), flush=True)


if __name__ == "__main__":
    main()
