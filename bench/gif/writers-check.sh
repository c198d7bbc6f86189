#!/bin/bash
# Writes frame sequences (made by make-frames.py) as other tools write GIFs,
# and checks that `tvgif optimize --best` is never larger than
# `gifsicle -O3` on any of them: ImageMagick as it converts by default
# (every frame quantised and dithered anew, tables of their own), with
# -layers optimize, OptimizePlus and OptimizeTransparency, with +dither and
# fewer colours, interlaced, with a pause (every frame twice, full frames
# with a comment each), single frames, and gifsicle -O1.
#
# usage: bench/gif/writers-check.sh [--tvgif PATH] OUTDIR SEQDIR...
# Prints one line a file (bytes ours, gifsicle's, ratio) and the totals;
# exits 1 when any file of ours is larger. Needs ImageMagick and gifsicle.
set -eu
root="$(cd "$(dirname "$0")/../.." && pwd)"
tvgif="$root/build/default/tools/tvgif/tvgif"
if [ "${1:-}" = "--tvgif" ]; then
    tvgif="$2"
    shift 2
fi
out="$1"
shift
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

i=0
for dir in "$@"; do
    name=$(basename "$dir")
    mapfile -t frames < <(find "$dir" -name '*.png' | sort | head -16)
    # The kinds come in groups of eight: each group pairs them with other ways.
    case $(((i + i / 8) % 8)) in
    0) convert -delay 10 "${frames[@]}" -loop 0 "$out/im-$name.gif" ;;
    1) convert -delay 10 "${frames[@]}" -loop 0 -layers optimize "$out/im-optimize-$name.gif" ;;
    2) convert -delay 8 "${frames[@]}" -loop 0 -layers OptimizePlus "$out/im-plus-$name.gif" ;;
    3) convert -delay 10 "${frames[@]}" -loop 0 -layers OptimizeTransparency "$out/im-transparency-$name.gif" ;;
    4) convert -delay 10 "${frames[@]}" -loop 0 +dither -colors 64 "$out/im-64-$name.gif" ;;
    5) convert -delay 10 "${frames[@]}" -loop 0 -layers optimize -interlace GIF "$out/im-interlaced-$name.gif" ;;
    6)
        paused=()
        for f in "${frames[@]:0:8}"; do paused+=("$f" "$f"); done
        convert -delay 10 "${paused[@]}" -loop 0 "$out/im-pause-$name.gif"
        ;;
    7)
        convert "${frames[3]}" "$out/still-$name.gif"
        convert -delay 10 "${frames[@]}" -loop 0 "$tmp/full.gif"
        gifsicle -O1 "$tmp/full.gif" -o "$out/gifsicle-O1-$name.gif" 2>/dev/null
        ;;
    esac
    i=$((i + 1))
done

larger=0
ours_total=0
theirs_total=0
for f in "$out"/*.gif; do
    "$tvgif" optimize --best "$f" "$tmp/ours.gif" >/dev/null
    gifsicle -O3 "$f" -o "$tmp/theirs.gif" 2>/dev/null
    ours=$(stat -c %s "$tmp/ours.gif")
    theirs=$(stat -c %s "$tmp/theirs.gif")
    ours_total=$((ours_total + ours))
    theirs_total=$((theirs_total + theirs))
    mark=""
    if [ "$ours" -gt "$theirs" ]; then
        mark=" LARGER"
        larger=$((larger + 1))
    fi
    printf '%-40s %9d %9d %6.3f%s\n' "$(basename "$f")" "$ours" "$theirs" \
        "$(echo "scale=4; $ours / $theirs" | bc)" "$mark"
done
printf 'total %d %d %.4f; larger than gifsicle -O3: %d\n' "$ours_total" "$theirs_total" \
    "$(echo "scale=4; $ours_total / $theirs_total" | bc)" "$larger"
[ "$larger" -eq 0 ]
