#!/bin/sh
# Makes the animations that `tvgif render` is compared on with ImageMagick's
# coalescing: disposal methods 0 to 3 after each other in every order,
# transparency, local colour tables of every size, interlaced frames, frames
# that reach past the logical screen and frames with delay 0.
# Usage: make-render-set.sh OUTDIR   (needs ImageMagick and gifsicle)
set -eu
out="$1"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# Small frames: a coloured block with a hole of the transparent colour.
block() { # name width height colour
    convert -size "$2x$3" xc:"$4" -fill magenta -draw "rectangle 2,2 $(($2 / 2)),$(($3 / 2))" \
        -transparent magenta "$1.gif"
}
block red 12 10 red
block green 10 12 green
block blue 14 8 blue
block yellow 8 14 yellow
convert -size 40x30 xc:'#336699' -fill white -draw 'circle 20,15 20,5' ground.gif

# A de Bruijn sequence over the disposal methods: every ordered pair of
# methods follows each other once. Each frame moves, so that every disposal
# leaves a visible trace.
set -- ground.gif
i=0
for d in 0 0 1 0 2 0 3 1 1 2 1 3 2 2 3 3 0; do
    case $((i % 4)) in 0) f=red ;; 1) f=green ;; 2) f=blue ;; *) f=yellow ;; esac
    set -- "$@" --disposal="$d" --position="$((i * 5 % 22)),$((i * 3 % 14))" "$f.gif"
    i=$((i + 1))
done
gifsicle --no-warnings --delay 10 --loopcount=forever --logical-screen 40x30 "$@" > "$out/disposal-orders.gif"

# Disposal 2 and 3 straight after each other over a transparent screen
# without a first full frame.
gifsicle --no-warnings --logical-screen 30x20 --delay 5 \
    --disposal=background --position=0,0 red.gif --disposal=previous --position=8,4 green.gif \
    --disposal=background --position=16,6 blue.gif --disposal=previous --position=4,8 yellow.gif \
    --disposal=none --position=10,2 red.gif > "$out/restore-mix.gif"

# Local colour tables of 2, 4, ..., 256 entries, one per frame.
set --
for bits in 1 2 3 4 5 6 7 8; do
    colours=$((1 << bits))
    convert -size 40x30 plasma:fractal -seed "$bits" +dither -colors "$colours" "local-$bits.gif"
    set -- "$@" "local-$bits.gif"
done
# ImageMagick keeps each frame's own table (the first becomes the global
# one); a first frame of a single grey colour precedes them.
convert -size 40x30 xc:gray50 first.gif
convert -delay 4 -loop 2 first.gif "$@" "$out/local-tables.gif"

# Interlaced frames, delay 0, with transparency.
convert -size 48x40 plasma:fractal -seed 31 +dither -colors 64 big-1.gif
convert -size 48x40 plasma:fractal -seed 32 +dither -colors 32 -fill magenta \
    -draw 'rectangle 10,10 30,25' -transparent magenta big-2.gif
gifsicle --no-warnings --interlace --delay 0 big-1.gif big-2.gif > "$out/interlaced-delay0.gif"

# Frames that reach past the right and bottom edges of the screen. gifsicle
# widens the screen to hold them; the screen is cut back in the file.
gifsicle --no-warnings --delay 7 ground.gif \
    --position=30,0 green.gif --position=34,24 red.gif --disposal=background --position=28,20 blue.gif \
    --position=0,22 yellow.gif > "$work/wide.gif"
# Logical screen width and height are bytes 6-9 (little-endian): 40 x 30.
printf '\050\000\036\000' | dd of="$work/wide.gif" bs=1 seek=6 conv=notrunc 2>/dev/null
cp "$work/wide.gif" "$out/past-edges.gif"

# Known differences: ImageMagick starts from the first frame on an opaque
# ground of the background colour when that frame has no transparent
# colour; the painter draws onto a transparent ground, so the parts of the
# screen that no frame has covered stay transparent.
convert -size 10x8 xc:navy solid.gif
gifsicle --no-warnings --delay 7 --logical-screen 20x16 --position=0,0 solid.gif \
    --position=10,6 red.gif > "$out/known-uncovered-screen.gif"

# Transparent frames over a full first frame, all kept.
gifsicle --no-warnings --delay 3 --loopcount=1 ground.gif --position=3,3 red.gif \
    --position=15,9 yellow.gif > "$out/transparent-over.gif"

ls "$out"
