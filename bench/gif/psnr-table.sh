#!/usr/bin/env bash
# The colour-reduction quality table: PSNR (dB, against the 24-bit source) of
# tvgif convert per method (6, 7, 8, best) and dither mode (0-6), next to
# ImageMagick's `-colors 256` with and without dither and pngquant
# (libimagequant) with and without dither, on three pictures made here.
#
#   bench/gif/psnr-table.sh [TVGIF]      (default build/default/tools/tvgif/tvgif)
set -euo pipefail
cd "$(dirname "$0")/../.."
tvgif=${1:-build/default/tools/tvgif/tvgif}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Three pictures: a photograph-like scene (plasma, waves, sensor noise), a
# fractal plasma, and a noisy two-way gradient with a vignette.
convert -size 640x480 -seed 7 plasma:'#205080'-'#e0a060' -blur 0x6 \
    \( -size 640x480 xc: -fx 'sin(i/20)*0.5+0.5' \) -compose overlay -composite \
    -seed 9 -attenuate 0.2 +noise Gaussian -depth 8 PNG24:"$work/photo.png"
convert -size 640x480 -seed 42 plasma:fractal -blur 0x1 -depth 8 PNG24:"$work/plasma.png"
convert -size 640x480 gradient:'#102040'-'#f0c080' \( -size 640x480 radial-gradient:white-black \) \
    -compose multiply -composite -seed 3 -attenuate 0.3 +noise Gaussian -depth 8 PNG24:"$work/gradient.png"

# compare exits 1 when the pictures differ, which they do.
psnr() { { compare -metric PSNR "$1" "$2" null: 2>&1 || true; } | awk '{printf "%.2f", $1}'; }

printf '| picture | method | d0 | d1 FS | d2 Stucki | d3 Sierra | d4 JaJuNi | d5 SteveArche | d6 Burkes |\n'
printf '|---|---|---|---|---|---|---|---|---|\n'
for picture in photo plasma gradient; do
    in="$work/$picture.png"
    for method in 6 7 8 best; do
        row="| $picture | $method |"
        for dither in 0 1 2 3 4 5 6; do
            "$tvgif" convert "$in" "$work/out.gif" --method "$method" --dither "$dither"
            row+=" $(psnr "$in" "$work/out.gif") |"
        done
        echo "$row"
    done
done
echo
printf '| picture | ImageMagick +dither | ImageMagick dither | pngquant --nofs | pngquant dither |\n'
printf '|---|---|---|---|---|\n'
for picture in photo plasma gradient; do
    in="$work/$picture.png"
    convert "$in" +dither -colors 256 "$work/im-plain.gif"
    convert "$in" -colors 256 "$work/im-dither.gif"
    row="| $picture | $(psnr "$in" "$work/im-plain.gif") | $(psnr "$in" "$work/im-dither.gif") |"
    if command -v pngquant >/dev/null; then
        pngquant 256 --nofs --speed 1 -f -o "$work/pq-plain.png" "$in"
        pngquant 256 --speed 1 -f -o "$work/pq-dither.png" "$in"
        row+=" $(psnr "$in" "$work/pq-plain.png") | $(psnr "$in" "$work/pq-dither.png") |"
    else
        row+=" - | - |"
    fi
    echo "$row"
done
