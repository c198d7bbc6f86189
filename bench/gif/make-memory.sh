#!/bin/sh
# Peak memory of tvgif make on a long sequence: 1,000 frames of 1280 x 720
# (a camera pan over a detailed scene with a moving panel), with the default
# options and with --best. Needs ImageMagick and Pillow.
#   bench/gif/make-memory.sh TVGIF [WORKDIR]
set -eu
tvgif=$1
work=${2:-$(mktemp -d)}
frames="$work/frames"
if [ ! -e "$frames/f0999.png" ]; then
    mkdir -p "$frames"
    convert -size 1600x900 -seed 11 plasma:fractal -blur 0x1 -depth 8 "PNG24:$work/scene.png"
    /usr/bin/python3 - "$work/scene.png" "$frames" <<'PY'
import sys
from PIL import Image, ImageDraw
scene = Image.open(sys.argv[1]).convert("RGB")
for i in range(1000):
    x, y = (i * 3) % 320, (i * 2) % 180
    frame = scene.crop((x, y, x + 1280, y + 720))
    draw = ImageDraw.Draw(frame)
    px = 100 + (i * 7) % 900
    draw.rectangle((px, 500, px + 200, 620), fill=(240, 240, 240), outline=(20, 20, 20), width=3)
    draw.text((px + 20, 540), "frame %d" % i, fill=(0, 0, 0))
    frame.save("%s/f%04d.png" % (sys.argv[2], i), compress_level=1)
PY
fi
for options in "" "--best"; do
    /usr/bin/time -f "%M KB peak, %e s" -o "$work/time.txt" "$tvgif" make "$frames"/f*.png -o "$work/out.gif" $options >/dev/null 2>&1
    echo "make $options: $(cat "$work/time.txt"), $(stat -c %s "$work/out.gif") bytes"
done
