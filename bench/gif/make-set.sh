#!/bin/sh
# Makes the GIF benchmark set in bench/data/gif/ (not committed): large
# photo-like stills, an interlaced image, a full-frame and an optimised
# animation, a flat and a two-colour image. Needs ImageMagick and gifsicle.
set -eu
out="$(cd "$(dirname "$0")/.." && pwd)/data/gif"
mkdir -p "$out"
cd "$out"
convert -size 1600x1200 plasma:fractal -seed 11 -blur 0x2 +dither -colors 256 photo-large.gif
convert -size 1280x960 plasma:fractal -seed 12 -colors 256 photo-dithered.gif
convert -size 1024x768 plasma:fractal -seed 13 -blur 0x1 -colors 128 -interlace GIF interlaced.gif
frames=""
for i in 1 2 3 4 5 6 7 8; do
    convert -size 480x360 plasma:fractal -seed "$i" -blur 0x3 "frame-$i.png"
    frames="$frames frame-$i.png"
done
# shellcheck disable=SC2086
convert -delay 8 -loop 0 $frames +dither -colors 256 anim-full.gif
rm -f frame-*.png
# A moving square over a fixed background, every frame mapped to one palette:
# what an optimiser crops to small changed rectangles.
convert -size 640x480 plasma:fractal -seed 21 -blur 0x2 +dither -colors 63 background.gif
convert background.gif -fill yellow -draw 'rectangle 0,0 3,3' -unique-colors palette.gif
set --
for i in 0 1 2 3 4 5 6 7 8 9 10 11; do
    x=$((40 * i))
    convert background.gif -fill yellow -draw "rectangle $x,100 $((x + 120)),220" +dither -remap palette.gif "move-$i.gif"
    set -- "$@" "move-$i.gif"
done
gifsicle --delay 5 --loopcount=forever "$@" > anim-moving.gif
gifsicle -O3 anim-moving.gif -o anim-optimised.gif
rm -f move-*.gif background.gif palette.gif anim-moving.gif
convert -size 1600x1200 xc:'#3366aa' -fill '#aa3366' -draw 'rectangle 400,300 1200,900' flat.gif
convert -size 1600x1200 pattern:checkerboard -fill black -draw 'circle 800,600 800,100' -monochrome two-colour.gif
ls -l "$out"
