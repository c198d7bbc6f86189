#!/bin/sh
# Makes the small real GIF files that the reader tests compare with giflib.
# Needs ImageMagick's convert and gifsicle. Run from anywhere; writes here.
set -eu
cd "$(dirname "$0")"
convert -size 64x48 plasma:fractal -seed 7 +dither -colors 256 photo-256.gif
convert -size 40x30 plasma:fractal -seed 3 -colors 16 photo-16.gif
convert -size 33x17 gradient:red-blue -colors 5 gradient-5.gif
convert -size 50x20 pattern:checkerboard -monochrome two-colour.gif
convert -size 24x24 xc:navy flat.gif
convert -size 37x29 plasma:fractal -seed 5 -colors 64 -interlace GIF interlaced.gif
# A small animation: full frames, local tables, transparency, disposals, a
# looping extension and a comment.
convert -size 30x20 -delay 10 -dispose none plasma:fractal -seed 1 \
        -dispose background plasma:fractal -seed 2 \
        -dispose previous xc:none -fill red -draw 'circle 15,10 15,3' \
        -colors 32 -loop 0 -set comment "Tulva fixture" anim-full.gif
gifsicle -O3 --colors 64 anim-full.gif -o anim-optimised.gif
gifsicle --interlace --local-colors anim-full.gif -o anim-interlaced.gif 2>/dev/null ||
    gifsicle --interlace anim-full.gif -o anim-interlaced.gif
gifsicle --loopcount=2 anim-full.gif -o loop-2.gif
