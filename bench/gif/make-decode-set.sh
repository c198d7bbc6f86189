#!/bin/sh
# Makes the decoding speed set: one file of each kind a decoder meets (a
# full-frame animation, the same optimised to changed rectangles, a small
# game-like animation of many frames, an interlaced photo, a medium and a
# large photo, two colours, flat). Needs ImageMagick and gifsicle.
#   make-decode-set.sh [OUTDIR] [--held-out]
# --held-out makes the same kinds from other seeds and sizes, for checking a
# result on files it was not tuned on. Default OUTDIR: bench/data/decode
# (or bench/data/decode-held-out).
set -eu
held=0
out=""
for arg in "$@"; do
    case "$arg" in
    --held-out) held=1 ;;
    *) out="$arg" ;;
    esac
done
root="$(cd "$(dirname "$0")/.." && pwd)/data"
if [ -z "$out" ]; then
    if [ "$held" = 1 ]; then out="$root/decode-held-out"; else out="$root/decode"; fi
fi
mkdir -p "$out"
cd "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

if [ "$held" = 1 ]; then
    s=100 anim=560x420 game=80x112 inter=1200x800 medium=900x700 large=2000x1400 mono=1400x1000
else
    s=0 anim=480x360 game=96x96 inter=1024x768 medium=800x600 large=1600x1200 mono=1600x1200
fi
seed() { echo $((s + $1)); }

# Eight full frames of a blurred plasma, one palette.
set --
for i in 1 2 3 4 5 6 7 8; do
    convert -size "$anim" plasma:fractal -seed "$(seed "$i")" -blur 0x3 "$tmp/full-$i.png"
    set -- "$@" "$tmp/full-$i.png"
done
convert -delay 8 -loop 0 "$@" +dither -colors 256 anim-full.gif

# A moving rectangle over a fixed background: full frames, then optimised
# by gifsicle to the changed rectangles.
w=${anim%x*}
h=${anim#*x}
convert -size "$anim" plasma:fractal -seed "$(seed 21)" -blur 0x2 +dither -colors 63 "$tmp/background.gif"
convert "$tmp/background.gif" -fill yellow -draw 'rectangle 0,0 3,3' -unique-colors "$tmp/palette.gif"
set --
for i in 0 1 2 3 4 5 6 7 8 9 10 11; do
    x=$((i * (w - w / 4) / 12))
    convert "$tmp/background.gif" -fill yellow -draw "rectangle $x,$((h / 4)) $((x + w / 4)),$((h / 2))" \
        +dither -remap "$tmp/palette.gif" "$tmp/move-$i.gif"
    set -- "$@" "$tmp/move-$i.gif"
done
gifsicle --delay 5 --loopcount=forever "$@" >"$tmp/moving.gif"
gifsicle -O3 "$tmp/moving.gif" -o anim-optimised.gif

# A game sprite sheet's worth: 24 small full frames of a few colours, a
# figure moving over a tiled floor.
gw=${game%x*}
gh=${game#*x}
set --
for i in $(seq 0 23); do
    cx=$((gw / 4 + i * gw / 48))
    cy=$((gh / 2 + (i % 6) * 2 - 6))
    convert -size "$game" pattern:checkerboard -fill '#2a6' -colorize 40 \
        -fill '#c33' -draw "circle $cx,$cy $((cx + 9)),$cy" \
        -fill '#fd4' -draw "rectangle $((cx - 4)),$((cy - 16)) $((cx + 4)),$((cy - 9))" \
        -seed "$(seed "$i")" -attenuate 0.3 +noise Uniform +dither -colors 32 "$tmp/game-$i.gif"
    set -- "$@" "$tmp/game-$i.gif"
done
gifsicle --delay 4 --loopcount=forever --colors 64 "$@" >game-small.gif

convert -size "$inter" plasma:fractal -seed "$(seed 13)" -blur 0x1 -colors 128 -interlace GIF interlaced.gif
convert -size "$medium" plasma:fractal -seed "$(seed 12)" -colors 256 photo-medium.gif
convert -size "$large" plasma:fractal -seed "$(seed 11)" -blur 0x2 +dither -colors 256 photo-large.gif
convert -size "$mono" pattern:checkerboard -fill black -draw "circle $((${mono%x*} / 2)),$((${mono#*x} / 2)) $((${mono%x*} / 2)),$((${mono#*x} / 10))" \
    -monochrome two-colour.gif
convert -size "$mono" xc:'#3366aa' -fill '#aa3366' -draw "rectangle $((${mono%x*} / 4)),$((${mono#*x} / 4)) $((${mono%x*} * 3 / 4)),$((${mono#*x} * 3 / 4))" flat.gif
ls -l "$out"
