#!/bin/sh
# Makes a set of animations of the kinds people optimise (screen recordings,
# sprites over a still background, a spinner, a photo pan, particles restored
# to the background, text fading in, a progress bar) in bench/data/optimize/
# (not committed), optimises each with tvgif (the four options, and --best)
# and with gifsicle -O2 and -O3, checks that tvgif's results animate exactly
# as the originals, and prints the sizes in bytes.
#
# usage: bench/gif/optimize-set.sh [TVGIF]   (default build/default/tools/tvgif/tvgif)
# Needs ImageMagick, gifsicle and python3.
set -eu
root="$(cd "$(dirname "$0")/../.." && pwd)"
tvgif="${1:-$root/build/default/tools/tvgif/tvgif}"
compare="$root/bench/gif/optimize-compare.py"
out="$root/bench/data/optimize"
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
font=DejaVu-Sans-Mono

# Screen recording: a terminal where a command is typed and its output appears.
set --
text=""
i=0
for word in '$ ls -l' '\ntotal 48' '\n-rw-r--r-- 1 vesk 2048 main.cpp' '\n-rw-r--r-- 1 vesk 9311 GIFImage.cpp' \
    '\ndrwxr-xr-x 2 vesk 4096 tests' '\n$ make -j2' '\n[ 10%] Building CXX object' '\n[ 55%] Linking' \
    '\n[100%] Built target tulva' '\n$ ./tulva &' '\n$ '; do
    text="$text$word"
    convert -size 360x220 xc:'#1e1e1e' -fill '#d0d0d0' -font "$font" -pointsize 12 \
        -annotate +8+18 "$(printf '%b' "$text")" -fill '#303030' -draw 'rectangle 0,200 359,219' \
        -fill '#80c080' -annotate +8+214 "vesk@tulva: ~/src   $i" "$tmp/term-$i.png"
    set -- "$@" "$tmp/term-$i.png"
    i=$((i + 1))
done
convert -delay 40 -loop 0 "$@" -colors 64 "$out/screen-terminal.gif"

# Screen recording: a window with a pointer that moves and a dialog that opens.
convert -size 400x300 gradient:'#dde4ee'-'#aab4c4' -fill white -draw 'rectangle 20,30 380,280' \
    -fill '#3060a0' -draw 'rectangle 20,30 380,50' -fill black -font "$font" -pointsize 11 \
    -annotate +30+80 'Tulva and Vesk: scores' -annotate +30+100 '1. 0:42.3  Ana' \
    -annotate +30+116 '2. 1:03.9  Vesk' -annotate +30+132 '3. 1:30.0  Tulva' "$tmp/desk.png"
convert "$tmp/desk.png" -fill '#f4f4f4' -stroke '#404040' -draw 'rectangle 120,120 300,200' -stroke none \
    -fill black -font "$font" -pointsize 11 -annotate +140+160 'Clear the table?' "$tmp/desk-dialog.png"
set --
for i in $(seq 0 15); do
    x=$((60 + 15 * i)); y=$((200 - 6 * i))
    ground="$tmp/desk.png"
    [ "$i" -ge 10 ] && ground="$tmp/desk-dialog.png"
    convert "$ground" -fill black -stroke white \
        -draw "polygon $x,$y $((x + 10)),$((y + 12)) $((x + 4)),$((y + 12))" "$tmp/desk-$i.png"
    set -- "$@" "$tmp/desk-$i.png"
done
convert -delay 8 -loop 0 "$@" +dither -colors 128 "$out/screen-window.gif"

# Sprites over a still background.
convert -size 320x240 -seed 21 plasma:fractal -blur 0x2 +dither -colors 60 "$tmp/bg.gif"
set --
for i in $(seq 0 15); do
    a=$((10 + 18 * i)); b=$((200 - 11 * i))
    convert "$tmp/bg.gif" -fill yellow -draw "circle $a,60 $((a + 12)),60" \
        -fill red -draw "rectangle $b,150 $((b + 20)),170" -fill white -draw "circle 160,$((40 + 10 * i)) 166,$((40 + 10 * i))" \
        "$tmp/sprite-$i.gif"
    set -- "$@" "$tmp/sprite-$i.gif"
done
convert -delay 6 -loop 0 "$@" +dither -colors 64 "$out/sprites.gif"

# A spinner with anti-aliased spokes.
set --
for a in 0 30 60 90 120 150 180 210 240 270 300 330; do
    convert -size 64x64 xc:white -stroke '#2080e0' -strokewidth 5 -fill none -draw 'circle 32,32 32,10' \
        -stroke '#e04020' -draw "translate 32,32 rotate $a line 0,0 0,-20" "$tmp/spin-$a.png"
    set -- "$@" "$tmp/spin-$a.png"
done
convert -delay 5 -loop 0 "$@" "$out/spinner.gif"

# A photo pan: a window sliding over a larger photograph.
convert -size 480x260 -seed 33 plasma:fractal -blur 0x1 "$tmp/photo.png"
set --
for i in $(seq 0 11); do
    convert "$tmp/photo.png" -crop "200x150+$((20 * i))+$((8 * i))" +repage "$tmp/pan-$i.png"
    set -- "$@" "$tmp/pan-$i.png"
done
convert -delay 8 -loop 0 "$@" "$out/photo-pan.gif"

# Particles on a clear ground, each frame restored to the background.
set --
for i in $(seq 0 19); do
    draw=""
    for p in 0 1 2 3 4 5 6 7; do
        x=$(((37 * p + 9 * i * (p % 3 + 1)) % 196 + 2)); y=$(((23 * p + 7 * i) % 146 + 2))
        draw="$draw circle $x,$y $((x + 2)),$y"
    done
    convert -size 200x150 xc:none -fill '#ffcc33' -draw "$draw" "$tmp/part-$i.png"
    set -- "$@" "$tmp/part-$i.png"
done
convert -delay 4 -dispose background -loop 0 "$@" "$out/particles.gif"

# Text fading in over a light card.
set --
for g in 240 215 190 165 140 115 90 65 40 15; do
    convert -size 240x80 xc:'#fafafa' -fill "rgb($g,$g,$g)" -font DejaVu-Sans -pointsize 28 \
        -annotate +16+50 'Well done!' "$tmp/fade-$g.png"
    set -- "$@" "$tmp/fade-$g.png"
done
convert -delay 10 -loop 0 "$@" "$out/text-fade.gif"

# A progress bar filling up, with its percentage.
set --
for i in $(seq 0 20); do
    convert -size 300x40 xc:'#eeeeee' -fill '#cccccc' -draw 'rectangle 10,10 289,29' \
        -fill '#30a040' -draw "rectangle 10,10 $((10 + 14 * i)),29" -fill black -font "$font" \
        -pointsize 12 -annotate +130+24 "$((5 * i))%" "$tmp/bar-$i.png"
    set -- "$@" "$tmp/bar-$i.png"
done
convert -delay 10 -loop 0 "$@" "$out/progress.gif"

printf '%-18s %9s %9s %9s %9s %9s  %s\n' animation original tvgif tvgif-best gifsicle-O2 gifsicle-O3 lossless
t0=0 t1=0 t2=0 t3=0 t4=0
for f in "$out"/*.gif; do
    case "$f" in *.opt.gif | *.best.gif | *.O2.gif | *.O3.gif) continue ;; esac
    base="${f%.gif}"
    "$tvgif" optimize "$f" "$base.opt.gif" >/dev/null
    "$tvgif" optimize --best "$f" "$base.best.gif" >/dev/null
    gifsicle -O2 "$f" -o "$base.O2.gif"
    gifsicle -O3 "$f" -o "$base.O3.gif"
    same=yes
    "$compare" "$f" "$base.opt.gif" >/dev/null || same=NO
    "$compare" "$f" "$base.best.gif" >/dev/null || same=NO
    s0=$(stat -c %s "$f"); s1=$(stat -c %s "$base.opt.gif"); s2=$(stat -c %s "$base.best.gif")
    s3=$(stat -c %s "$base.O2.gif"); s4=$(stat -c %s "$base.O3.gif")
    printf '%-18s %9d %9d %9d %9d %9d  %s\n' "$(basename "$f")" "$s0" "$s1" "$s2" "$s3" "$s4" "$same"
    t0=$((t0 + s0)); t1=$((t1 + s1)); t2=$((t2 + s2)); t3=$((t3 + s3)); t4=$((t4 + s4))
done
printf '%-18s %9d %9d %9d %9d %9d\n' total "$t0" "$t1" "$t2" "$t3" "$t4"
