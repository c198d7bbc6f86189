#!/bin/sh
# Renders every GIF of a directory with `tvgif render` and with ImageMagick's
# `convert FILE -coalesce`, and compares the frames pixel for pixel (pixels
# transparent in both count as equal whatever their colour).
# Files named known-*.gif show deliberate differences of the painter: their
# differences are listed but do not fail the comparison.
# Usage: compare-render.sh TVGIF DIR   Exit 1 on any other difference.
set -eu
tvgif="$1"
dir="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
for gif in "$dir"/*.gif; do
    name="$(basename "$gif" .gif)"
    differs=0
    mkdir -p "$work/$name/ours" "$work/$name/theirs"
    "$tvgif" render "$gif" "$work/$name/ours"
    convert "$gif" -coalesce "$work/$name/theirs/frame-%04d.png"
    ours=$(ls "$work/$name/ours" | wc -l)
    theirs=$(ls "$work/$name/theirs" | wc -l)
    if [ "$ours" != "$theirs" ]; then
        echo "$name: $ours frames, ImageMagick $theirs"
        differs=1
    fi
    [ "$differs" = 1 ] || for png in "$work/$name/ours"/*.png; do
        frame="$(basename "$png")"
        # Transparent pixels are made transparent black on both sides.
        convert "$png" -background none -alpha background "$work/a.png"
        convert "$work/$name/theirs/$frame" -background none -alpha background "$work/b.png"
        diff=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)
        if [ "$diff" != "0" ]; then
            echo "$name $frame: $diff pixels differ"
            differs=1
        fi
    done
    if [ "$differs" = 0 ]; then
        echo "$name: $ours frames agree"
    else
        case "$name" in
        known-*) echo "$name: known difference" ;;
        *) failed=1 ;;
        esac
    fi
done
exit "$failed"
