#!/bin/sh
# Makes the small animations that the optimisation tests check for
# losslessness: full frames, frames optimised by ImageMagick and gifsicle,
# disposal to background and to previous, transparency, local tables.
# Needs ImageMagick's convert and gifsicle. Run from anywhere; writes here.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# A sprite moving over a still background, every frame whole.
convert -size 48x32 plasma:fractal -seed 31 -blur 0x1 +dither -colors 24 "$tmp/bg.gif"
set --
for i in 0 1 2 3 4 5; do
    x=$((6 * i))
    convert "$tmp/bg.gif" -fill yellow -draw "rectangle $x,8 $((x + 9)),17" "$tmp/s$i.gif"
    set -- "$@" "$tmp/s$i.gif"
done
convert -delay 6 -loop 0 "$@" +dither -colors 32 sprite-full.gif
convert sprite-full.gif -layers optimize sprite-im-optimized.gif
gifsicle -O2 sprite-full.gif -o sprite-gifsicle-O2.gif
gifsicle -O3 sprite-full.gif -o sprite-gifsicle-O3.gif
# Particles on a clear ground, each frame restored to the background.
set --
for i in 0 1 2 3 4; do
    convert -size 40x30 xc:none -fill white -draw "point $((3 + 7 * i)),$((4 + 5 * i))" \
        -fill cyan -draw "circle $((30 - 5 * i)),15 $((32 - 5 * i)),15" "$tmp/p$i.png"
    set -- "$@" "$tmp/p$i.png"
done
convert -delay 4 -dispose background -loop 0 "$@" particles-dispose2.gif
gifsicle -O2 particles-dispose2.gif -o particles-gifsicle-O2.gif
# A spinner: a wheel restored to what was before each spoke.
convert -size 24x24 xc:white -fill gray -draw 'circle 12,12 12,2' "$tmp/wheel.png"
set -- -dispose none "$tmp/wheel.png" -dispose previous
for a in 0 60 120 180 240 300; do
    convert -size 24x24 xc:none -stroke black -strokewidth 2 \
        -draw "translate 12,12 rotate $a line 0,0 0,-9" "$tmp/k$a.png"
    set -- "$@" "$tmp/k$a.png"
done
convert -delay 5 -loop 0 "$@" spinner-previous.gif
# Text fading in, frames with local tables.
set --
for g in 230 180 130 80 30; do
    convert -size 56x20 xc:white -fill "rgb($g,$g,$g)" -draw 'rectangle 4,5 51,14' \
        -fill "rgb($((g / 2)),0,0)" -draw 'rectangle 10,7 20,12' "$tmp/t$g.gif"
    set -- "$@" "$tmp/t$g.gif"
done
gifsicle --delay 8 --loopcount=forever "$@" > text-fade-local.gif
gifsicle -O3 text-fade-local.gif -o text-fade-gifsicle-O3.gif
ls -l
