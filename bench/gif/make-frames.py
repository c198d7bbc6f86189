#!/usr/bin/python3
"""Makes frame sequences (PNG, 10 frames per second) of twenty kinds for
comparing `tvgif make` with gifski and ImageMagick: a terminal being typed
into, a camera pan over a detailed scene, a chart drawing itself, a UI panel
sliding in, sprites over a tiled ground, particles, text fading in and out,
and video-like footage with sensor noise; and six more kinds: a slideshow
cross-fade, a page of text scrolling, a pixel-art game scrolling in
parallax, a zoom into a photograph, a cartoon of outlined shapes, and a
mouse pointer over a desktop; and six more: slides cut one to the next, a
photograph fading to black, a still grey film with grain, a small
spinner, bars with gradient fills growing, and source code scrolling. Each kind comes in a tuning part
and a held-out part (other seed, size and content), measured only at the end.

usage: make-frames.py OUTDIR [tune|held|all]
writes OUTDIR/<part>-<kind>/f0000.png, ..."""
import argparse
import math
import os
import random
import subprocess

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

FONT_PATHS = ["/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
              "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"]


def font(size, mono=True):
    for path in FONT_PATHS if mono else FONT_PATHS[::-1]:
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def save(frames, out):
    os.makedirs(out, exist_ok=True)
    for i, frame in enumerate(frames):
        frame.convert("RGB").save(os.path.join(out, "f%04d.png" % i))


def plasma(w, h, seed, tmp):
    """A detailed photo-like scene from ImageMagick's fractal plasma."""
    path = os.path.join(tmp, "plasma-%d-%dx%d.png" % (seed, w, h))
    subprocess.run(["convert", "-size", "%dx%d" % (w, h), "-seed", str(seed), "plasma:fractal",
                    "-blur", "0x1", "-sharpen", "0x1", "-depth", "8", "PNG24:" + path], check=True)
    return Image.open(path).convert("RGB")


def terminal(rng, w, h, n):
    f = font(14)
    lines = ["$ make -j2 tvgif", "[ 12%] Building CXX object GIFImage/GIFDecoder.cpp.o",
             "[ 40%] Linking CXX static library libtv_gif.a", "$ ls -la build/", "total 1280",
             "drwxr-xr-x 5 user user 4096 Dec  7 23:36 .", "$ git status", "On branch main",
             "nothing to commit, working tree clean", "$ echo done"]
    rng.shuffle(lines)
    text = "\n".join(lines)
    frames = []
    typed = 0
    for i in range(n):
        typed = min(len(text), typed + rng.randint(2, 9))
        img = Image.new("RGB", (w, h), (30, 32, 40))
        d = ImageDraw.Draw(img)
        d.rectangle([0, 0, w, 22], fill=(60, 63, 72))
        for k, c in enumerate([(240, 90, 80), (240, 200, 80), (90, 200, 90)]):
            d.ellipse([8 + 18 * k, 6, 20 + 18 * k, 18], fill=c)
        y = 30
        shown = text[:typed].split("\n")
        for line in shown[-(h - 40) // 18:]:
            d.text((8, y), line, font=f, fill=(200, 220, 200) if line.startswith("$") else (180, 180, 190))
            y += 18
        if i % 6 < 3:
            x = 8 + int(d.textlength(shown[-1], font=f))
            d.rectangle([x, y - 18, x + 8, y - 2], fill=(220, 220, 220))
        frames.append(img)
    return frames


def pan(rng, w, h, n, tmp, seed):
    scene = plasma(w * 2, h + 40, seed, tmp)
    d = ImageDraw.Draw(scene)
    for _ in range(60):  # trees and houses: edges and small detail
        x, y = rng.randrange(w * 2), rng.randrange(h // 2, h + 40)
        c = (rng.randrange(20, 90), rng.randrange(60, 140), rng.randrange(20, 70))
        d.polygon([(x, y - rng.randrange(20, 60)), (x - 12, y), (x + 12, y)], fill=c)
    frames = []
    for i in range(n):
        x = i * (w // n)
        y = int(20 + 10 * math.sin(i / 7))
        frames.append(scene.crop((x, y, x + w, y + h)))
    return frames


def chart(rng, w, h, n):
    pts = []
    v = h / 2
    for i in range(n * 4 + 1):
        v = min(h - 30, max(30, v + rng.uniform(-18, 18)))
        pts.append((40 + i * (w - 60) / (n * 4), v))
    f = font(11, mono=False)
    frames = []
    for i in range(n):
        img = Image.new("RGB", (w, h), (255, 255, 255))
        d = ImageDraw.Draw(img)
        for gy in range(30, h - 20, 40):
            d.line([(40, gy), (w - 20, gy)], fill=(225, 228, 235))
            d.text((4, gy - 6), str(h - gy), font=f, fill=(90, 90, 100))
        d.line([(40, 20), (40, h - 20), (w - 20, h - 20)], fill=(60, 60, 70), width=2)
        upto = pts[: i * 4 + 2]
        d.line(upto, fill=(30, 110, 220), width=3)
        d.polygon(upto + [(upto[-1][0], h - 21), (40, h - 21)], fill=(215, 230, 250))
        d.line(upto, fill=(30, 110, 220), width=3)
        x, y = upto[-1]
        d.ellipse([x - 5, y - 5, x + 5, y + 5], fill=(220, 60, 50))
        d.text((w - 120, 24), "value %.1f" % (h - y), font=f, fill=(40, 40, 40))
        frames.append(img)
    return frames


def ui(rng, w, h, n):
    base = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(base)
    top, bottom = (rng.randrange(200, 250), 240, 250), (200, 210, rng.randrange(220, 240))
    for y in range(h):
        t = y / h
        d.line([(0, y), (w, y)], fill=tuple(int(a + (b - a) * t) for a, b in zip(top, bottom)))
    f = font(13, mono=False)
    for k in range(6):
        d.rounded_rectangle([20, 40 + 40 * k, w // 2 - 20, 70 + 40 * k], 6, fill=(255, 255, 255),
                            outline=(200, 200, 210))
        d.text((30, 47 + 40 * k), "Item %d" % (k + 1), font=f, fill=(50, 50, 60))
    frames = []
    for i in range(n):
        t = min(1.0, i / (n * 0.6))
        ease = 1 - (1 - t) ** 3
        img = base.copy()
        panel = int(w - ease * (w * 0.45))
        shadow = Image.new("L", (w, h), 0)
        ImageDraw.Draw(shadow).rectangle([panel - 8, 0, w, h], fill=90)
        shadow = shadow.filter(ImageFilter.GaussianBlur(6))
        img = Image.composite(Image.new("RGB", (w, h), (0, 0, 0)), img, shadow)
        d = ImageDraw.Draw(img)
        d.rectangle([panel, 0, w, h], fill=(250, 250, 252))
        d.text((panel + 16, 16), "Settings", font=font(16, mono=False), fill=(30, 30, 40))
        for k in range(4):
            on = (i // 5 + k) % 2 == 0
            d.rounded_rectangle([panel + 16, 60 + 36 * k, panel + 60, 80 + 36 * k], 10,
                                fill=(80, 170, 90) if on else (190, 190, 195))
            d.ellipse([panel + (40 if on else 18), 62 + 36 * k, panel + (58 if on else 36), 78 + 36 * k],
                      fill=(255, 255, 255))
        # a spinner
        cx, cy = w // 4, h - 40
        for k in range(8):
            a = (k + i) * math.pi / 4
            g = 60 + 20 * k
            d.ellipse([cx + 14 * math.cos(a) - 3, cy + 14 * math.sin(a) - 3, cx + 14 * math.cos(a) + 3,
                       cy + 14 * math.sin(a) + 3], fill=(g, g, g + 10))
        frames.append(img)
    return frames


def sprites(rng, w, h, n):
    tile = Image.new("RGB", (16, 16), (90, 140, 70))
    td = ImageDraw.Draw(tile)
    td.rectangle([0, 0, 7, 7], fill=(100, 150, 80))
    td.rectangle([8, 8, 15, 15], fill=(100, 150, 80))
    td.point([(3, 11), (12, 4)], fill=(60, 100, 50))
    ground = Image.new("RGB", (w, h))
    for y in range(0, h, 16):
        for x in range(0, w, 16):
            ground.paste(tile, (x, y))
    movers = []
    for _ in range(6):
        s = Image.new("RGB", (16, 16), (0, 0, 0))
        sd = ImageDraw.Draw(s)
        body = (rng.randrange(150, 255), rng.randrange(40, 200), rng.randrange(40, 200))
        sd.ellipse([2, 2, 13, 13], fill=body)
        sd.rectangle([5, 5, 6, 7], fill=(255, 255, 255))
        sd.rectangle([9, 5, 10, 7], fill=(255, 255, 255))
        mask = Image.new("L", (16, 16), 0)
        ImageDraw.Draw(mask).ellipse([2, 2, 13, 13], fill=255)
        movers.append((s.resize((32, 32), Image.NEAREST), mask.resize((32, 32), Image.NEAREST),
                       rng.uniform(0, w - 32), rng.uniform(0, h - 32), rng.uniform(-6, 6), rng.uniform(-6, 6)))
    frames = []
    for i in range(n):
        img = ground.copy()
        nxt = []
        for s, m, x, y, vx, vy in movers:
            img.paste(s, (int(x), int(y)), m)
            x, y = x + vx, y + vy
            if not 0 <= x <= w - 32:
                vx = -vx
            if not 0 <= y <= h - 32:
                vy = -vy
            nxt.append((s, m, min(max(x, 0), w - 32), min(max(y, 0), h - 32), vx, vy))
        movers = nxt
        frames.append(img)
    return frames


def particles(rng, w, h, n):
    base = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(base)
    for y in range(h):
        d.line([(0, y), (w, y)], fill=(10, 10 + y * 30 // h, 30 + y * 60 // h))
    parts = []
    frames = []
    for i in range(n):
        for _ in range(12):
            parts.append([w / 2 + rng.uniform(-10, 10), h - 20, rng.uniform(-3, 3), rng.uniform(-9, -4),
                          (255, rng.randrange(120, 230), rng.randrange(0, 80)), rng.randrange(2, 5)])
        glow = Image.new("RGB", (w, h))
        gd = ImageDraw.Draw(glow)
        for p in parts:
            p[0] += p[2]
            p[1] += p[3]
            p[3] += 0.35
            r = p[5]
            gd.ellipse([p[0] - r, p[1] - r, p[0] + r, p[1] + r], fill=p[4])
        parts = [p for p in parts if p[1] < h + 10][-400:]
        blurred = glow.filter(ImageFilter.GaussianBlur(2))
        frames.append(ImageChops.add(ImageChops.add(base, blurred), glow))
    return frames


def textfade(rng, w, h, n):
    base = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(base)
    a, b = (rng.randrange(20, 80), 30, 90), (200, rng.randrange(80, 160), 60)
    for x in range(w):
        t = x / w
        d.line([(x, 0), (x, h)], fill=tuple(int(p + (q - p) * t) for p, q in zip(a, b)))
    words = ["Tulva", "and", "Vesk", "deduce", "the", "digits"]
    rng.shuffle(words)
    f = font(40, mono=False)
    frames = []
    per = max(4, n // 3)
    for i in range(n):
        word = words[(i // per) % len(words)]
        phase = (i % per) / per
        alpha = int(255 * math.sin(math.pi * phase))
        layer = Image.new("RGB", (w, h), (0, 0, 0))
        mask = Image.new("L", (w, h), 0)
        ImageDraw.Draw(layer).text((w // 6, h // 3), word, font=f, fill=(255, 255, 240))
        ImageDraw.Draw(mask).text((w // 6, h // 3), word, font=f, fill=alpha)
        frames.append(Image.composite(layer, base, mask))
    return frames


def noise(rng, w, h, sigma):
    """Gaussian noise about mid-grey, as Image.effect_noise makes it, but drawn
    from rng: effect_noise takes no seed, so a sequence came out other each
    time it was made."""
    return Image.frombytes("L", (w, h), bytes(min(255, max(0, round(rng.gauss(128, sigma))))
                                               for _ in range(w * h)))


def video(rng, w, h, n, tmp, seed):
    scene = plasma(w + n * 2, h, seed, tmp).filter(ImageFilter.GaussianBlur(2))
    frames = []
    for i in range(n):
        view = scene.crop((i * 2, 0, i * 2 + w, h))
        grain = noise(rng, w, h, 12).convert("RGB")
        frames.append(ImageChops.add(ImageChops.subtract(view, Image.new("RGB", (w, h), (6, 6, 6))),
                                     ImageChops.subtract(grain, Image.new("RGB", (w, h), (122, 122, 122)))))
    return frames


def crossfade(rng, w, h, tmp, seed):
    """A slideshow: a photograph, a cross-fade, another photograph."""
    a = plasma(w, h, seed, tmp)
    b = plasma(w, h, seed + 1, tmp).transpose(Image.FLIP_LEFT_RIGHT)
    return [a] * 8 + [Image.blend(a, b, k / 10) for k in range(1, 10)] + [b] * 8


def docscroll(rng, w, h, n):
    """A page of text scrolling, faster and faster."""
    f = font(15, mono=False)
    words = "the quick brown fox jumps over lazy dog GIF frames palette encoder decoder table string".split()
    page = Image.new("RGB", (w, h * 6), (250, 250, 248))
    d = ImageDraw.Draw(page)
    for y in range(10, h * 6 - 20, 22):
        x = 12
        while x < w - 30:
            word = rng.choice(words)
            d.text((x, y), word, fill=(30, 30, 30), font=f)
            x += d.textlength(word + " ", font=f)
    return [page.crop((0, s, w, s + h)) for s in [min(h * 5, int(k * k * 1.4)) for k in range(n)]]


def parallax(rng, w, h, n):
    """A pixel-art game: sky and ground scroll at different speeds under a hopping player."""
    sky = Image.new("RGB", (w * 3, h), (110, 170, 240))
    sd = ImageDraw.Draw(sky)
    for _ in range(12):
        cx, cy = rng.randrange(w * 3), rng.randrange(10, 60)
        sd.ellipse([cx, cy, cx + 40, cy + 14], fill=(245, 245, 250))
    ground = Image.new("RGB", (w * 3, 50), (120, 80, 40))
    gd = ImageDraw.Draw(ground)
    for x in range(0, w * 3, 16):
        gd.rectangle([x, 0, x + 15, 6], fill=(60, 170, 60))
        gd.point([(x + 5, 20), (x + 11, 33)], fill=(90, 60, 30))
    frames = []
    for i in range(n):
        img = sky.crop((i, 0, i + w, h))
        img.paste(ground.crop((i * 3, 0, i * 3 + w, 50)), (0, h - 50))
        d = ImageDraw.Draw(img)
        px, py = w * 2 // 5, h - 74 + int(6 * abs(math.sin(i / 3)))
        d.rectangle([px, py, px + 15, py + 23], fill=(220, 40, 40))
        d.rectangle([px + 3, py + 4, px + 6, py + 7], fill=(255, 255, 255))
        frames.append(img)
    return frames


def zoom(rng, w, h, n, tmp, seed):
    """A camera zooming into a photograph."""
    scene = plasma(w * 2, h * 2, seed, tmp)
    return [scene.crop((k * w // 40, k * h // 40, 2 * w - k * w // 40, 2 * h - k * h // 40))
            .resize((w, h), Image.BILINEAR) for k in range(n)]


def cartoon(rng, w, h, n):
    """Flat shapes with outlines moving over a flat ground, drawn large and scaled down smoothly."""
    frames = []
    x0, y0 = rng.randrange(50, 150), rng.randrange(150, 250)
    for i in range(n):
        img = Image.new("RGB", (w * 2, h * 2), (250, 240, 220))
        d = ImageDraw.Draw(img)
        d.ellipse([x0 + i * 10, y0, x0 + 200 + i * 10, y0 + 200], fill=(240, 120, 40), outline=(40, 40, 40), width=6)
        d.polygon([(w * 3 // 2, 100 + i * 5), (w * 3 // 2 + 120, 300 + i * 3), (w * 3 // 2 - 100, 320)],
                  fill=(60, 140, 220))
        frames.append(img.resize((w, h), Image.LANCZOS))
    return frames


def cursor(rng, w, h, n):
    """A mouse pointer wandering over a still desktop with icons and a window of text."""
    f = font(15, mono=False)
    desk = Image.new("RGB", (w, h), (40, 90, 140))
    d = ImageDraw.Draw(desk)
    for k in range(w // 100):
        d.rectangle([20 + 100 * k, 20, 90 + 100 * k, 80], fill=(200, 200, 210))
        d.text((25 + 100 * k, 85), "icon%d" % k, fill=(255, 255, 255), font=f)
    d.rectangle([w // 5, h * 3 // 10, w * 7 // 8, h * 9 // 10], fill=(235, 235, 235))
    d.rectangle([w // 5, h * 3 // 10, w * 7 // 8, h * 3 // 10 + 22], fill=(70, 70, 90))
    for r in range(8):
        d.text((w // 5 + 10, h * 3 // 10 + 30 + r * 24), "Line %d of a window with some text" % r,
               fill=(20, 20, 20), font=f)
    frames = []
    phase = rng.uniform(0, 6)
    for i in range(n):
        img = desk.copy()
        d = ImageDraw.Draw(img)
        x = w // 4 + int(w / 3 * math.sin(i / 7 + phase))
        y = h * 3 // 8 + int(h / 4 * math.cos(i / 9 + phase))
        d.polygon([(x, y), (x, y + 18), (x + 5, y + 14), (x + 9, y + 21), (x + 11, y + 20), (x + 8, y + 13),
                   (x + 13, y + 13)], fill=(255, 255, 255), outline=(0, 0, 0))
        frames.append(img)
    return frames


def slides(rng, w, h):
    """Slides of text over a gradient, cut from one to the next, each shown eight frames."""
    big, body = font(w // 17, mono=False), font(w // 24, mono=False)
    frames = []
    for k in range(4):
        img = Image.new("RGB", (w, h))
        d = ImageDraw.Draw(img)
        tint = rng.randrange(20, 90)
        for y in range(h):
            d.line([(0, y), (w, y)], fill=(20 + y * 45 // h, tint + k * 15, 90 + y * 70 // h))
        d.text((w // 16, h // 7), "Slide %d: results" % (k + 1), fill=(255, 255, 255), font=big)
        for r in range(4):
            d.text((w // 12, h * 3 // 8 + r * h // 8), "- point %d about the thing" % (r + 1), fill=(230, 230, 240),
                   font=body)
        frames += [img] * 8
    return frames


def fadeblack(rng, w, h, tmp, seed):
    """A photograph held, then faded to black."""
    p = plasma(w, h, seed, tmp)
    return [p] * 5 + [Image.eval(p, lambda v, k=k: int(v * (1 - k / 15))) for k in range(1, 16)]


def grayfilm(rng, w, h, n, tmp, seed):
    """A still grey photograph with fresh film grain in every frame."""
    p = plasma(w, h, seed, tmp).convert("L").filter(ImageFilter.GaussianBlur(1))
    return [Image.blend(p, noise(rng, w, h, 10), 0.08) for _ in range(n)]


def spinner(rng, w, h, n):
    """A small grey spinner of twelve spokes, antialiased."""
    frames = []
    for i in range(n):
        img = Image.new("RGB", (w * 4, h * 4), (255, 255, 255))
        d = ImageDraw.Draw(img)
        for k in range(12):
            a = 2 * math.pi * k / 12 + i * 2 * math.pi / n
            c = int(255 - 200 * (k + 1) / 12)
            d.line([(w * 2 + w * 0.75 * math.cos(a), h * 2 + h * 0.75 * math.sin(a)),
                    (w * 2 + w * 1.6 * math.cos(a), h * 2 + h * 1.6 * math.sin(a))], fill=(c, c, c), width=w // 4)
        frames.append(img.resize((w, h), Image.LANCZOS))
    return frames


def gradbars(rng, w, h, n):
    """A bar chart growing, each bar filled with a gradient over its height."""
    f = font(13)
    tops = [rng.randrange(h // 5, h * 3 // 4) for _ in range(6)]
    frames = []
    for i in range(n):
        img = Image.new("RGB", (w, h), (255, 255, 255))
        d = ImageDraw.Draw(img)
        for b, top in enumerate(tops):
            height = int(min(1, i / (n * 2 // 3)) * top)
            x = w // 12 + b * w // 7
            for y in range(height):
                t = y / max(1, height)
                d.line([(x, h - 20 - y), (x + w // 10, h - 20 - y)],
                       fill=(int(40 + 180 * t), int(100 + 60 * t), 220 - b * 20))
            d.text((x + 5, h - 16), "Q%d" % (b + 1), fill=(0, 0, 0), font=f)
        frames.append(img)
    return frames


def codescroll(rng, w, h, n):
    """Source code in four colours on a dark terminal, scrolling a line a frame."""
    f = font(13)
    lines = ["def f(x):", "    return x * 2  # double", "for i in range(10):", "    print(f(i))", "class A:",
             "    pass", "import os, sys", "x = [1, 2, 3]", "while True:", "    break"]
    rng.shuffle(lines)
    colours = [(220, 220, 220), (120, 200, 255), (255, 180, 90), (150, 230, 150)]
    frames = []
    for i in range(n):
        img = Image.new("RGB", (w, h), (25, 25, 30))
        d = ImageDraw.Draw(img)
        for r in range(h // 16):
            d.text((8, 4 + r * 16), lines[(i + r) % len(lines)], fill=colours[(i + r) % 4], font=f)
        frames.append(img)
    return frames


def make(part, out, tmp, seed_offset=0):
    held = part == "held"
    seed = (1000 if held else 1) + seed_offset
    scale = (lambda x: x * 5 // 4) if held else (lambda x: x)
    kinds = {
        "terminal": lambda r: terminal(r, scale(640), scale(400), 40),
        "pan": lambda r: pan(r, scale(400), scale(240), 40, tmp, seed + 2),
        "chart": lambda r: chart(r, scale(480), scale(320), 30),
        "ui": lambda r: ui(r, scale(480), scale(320), 36),
        "sprites": lambda r: sprites(r, scale(320), scale(240), 40),
        "particles": lambda r: particles(r, scale(400), scale(300), 40),
        "textfade": lambda r: textfade(r, scale(480), scale(270), 36),
        "video": lambda r: video(r, scale(320), scale(240), 30, tmp, seed + 8),
        # Six kinds added later; the eight above are made as before.
        "crossfade": lambda r: crossfade(r, scale(320), scale(240), tmp, seed + 20),
        "docscroll": lambda r: docscroll(r, scale(360), scale(260), 30),
        "parallax": lambda r: parallax(r, scale(256), scale(160), 40),
        "zoom": lambda r: zoom(r, scale(320), scale(240), 25, tmp, seed + 23),
        "cartoon": lambda r: cartoon(r, scale(480), scale(270), 30),
        "cursor": lambda r: cursor(r, scale(640), scale(400), 40),
        # And six more after those.
        "slides": lambda r: slides(r, scale(480), scale(270)),
        "fadeblack": lambda r: fadeblack(r, scale(320), scale(240), tmp, seed + 31),
        "grayfilm": lambda r: grayfilm(r, scale(320), scale(240), 25, tmp, seed + 32),
        "spinner": lambda r: spinner(r, scale(64), scale(64), 24),
        "gradbars": lambda r: gradbars(r, scale(480), scale(320), 30),
        "codescroll": lambda r: codescroll(r, scale(480), scale(300), 30),
    }
    for k, (name, build) in enumerate(kinds.items()):
        save(build(random.Random(seed * 100 + k)), os.path.join(out, "%s-%s" % (part, name)))


def main():
    parser = argparse.ArgumentParser(description="Makes the frame sequences that make-compare.py measures.")
    parser.add_argument("outdir")
    parser.add_argument("part", nargs="?", default="all", choices=["tune", "held", "all"])
    parser.add_argument("--seed-offset", type=int, default=0,
                        help="added to every sequence's seed: a fresh draft of the same kinds")
    args = parser.parse_args()
    out, part = args.outdir, args.part
    os.makedirs(out, exist_ok=True)
    for p in (["tune", "held"] if part == "all" else [part]):
        make(p, out, out, args.seed_offset)
    for name in os.listdir(out):
        if name.startswith("plasma-"):
            os.remove(os.path.join(out, name))


if __name__ == "__main__":
    main()
