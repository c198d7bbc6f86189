#!/bin/bash
# Peak memory of every tvgif command on the hostile files of make-hostile.py,
# and how each ends under address-space limits.
#
#   bench/gif/memory-limits.sh [TVGIF] [DIR]     peak RSS in MB (and the exit
#                                                code when it is not 0)
#   LIMITS="64 128 256 512 1024" bench/gif/memory-limits.sh [TVGIF] [DIR]
#                                                how each run ends under ulimit -v
#
# TVGIF defaults to build/default/tools/tvgif/tvgif, DIR to bench/data/hostile
# (made when missing). Under a limit every run must end with exit 0, with
# exit 1 and "FILE: out of memory", or as it ends without a limit (a file
# refused with its reason); anything else is printed as FAULT.
set -u
root="$(cd "$(dirname "$0")/../.." && pwd)"
tvgif="${1:-$root/build/default/tools/tvgif/tvgif}"
dir="${2:-$root/bench/data/hostile}"
[ -f "$dir/large-frame.gif" ] || python3 "$root/bench/gif/make-hostile.py" "$dir"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
files="empty-large empty-wide full-400 small-on-huge comment-bytes large-frame many-tiny"
commands="info copy render optimize best lossy"

args() { # command file: the arguments of tvgif
    case "$1" in
    info) echo "info $2" ;;
    copy) echo "copy $2 $work/out.gif" ;;
    render) echo "render $2 $work/out" ;;
    optimize) echo "optimize $2 $work/out.gif" ;;
    best) echo "optimize --best $2 $work/out.gif" ;;
    lossy) echo "optimize --lossy=40 $2 $work/out.gif" ;;
    esac
}

printf '%-14s' "file"
for c in $commands; do printf '%14s' "$c"; done
printf '\n'
for f in $files; do
    printf '%-14s' "$f"
    for c in $commands; do
        rm -rf "$work/out" "$work/out.gif"
        # shellcheck disable=SC2046
        if [ -z "${LIMITS:-}" ]; then
            /usr/bin/time -f '%M %x' -o "$work/time" timeout 600 "$tvgif" $(args "$c" "$dir/$f.gif") \
                >/dev/null 2>"$work/err"
            # The last line holds the figures; a line before it names a signal.
            read -r kb code < <(tail -n 1 "$work/time")
            cell="$((kb / 1024))"
            signal="$(grep -o 'signal [0-9]*' "$work/time")"
            if [ -n "$signal" ]; then
                cell="$cell ($signal)"
            elif [ "$code" != 0 ]; then
                cell="$cell (exit $code)"
            fi
        else
            # How the run ends without a limit: a file refused with exit 1 and
            # its reason is refused alike under any limit.
            timeout 600 "$tvgif" $(args "$c" "$dir/$f.gif") >/dev/null 2>"$work/free-err"
            free=$?
            cell=""
            for limit in $LIMITS; do
                rm -rf "$work/out" "$work/out.gif"
                (ulimit -v $((limit * 1024)); exec timeout 600 "$tvgif" $(args "$c" "$dir/$f.gif")) \
                    >/dev/null 2>"$work/err"
                code=$?
                if [ "$code" = 0 ]; then
                    :
                elif [ "$code" = 1 ] && [ "$free" = 1 ] && cmp -s "$work/err" "$work/free-err"; then
                    cell="$cell${cell:+,}refused@$limit"
                elif [ "$code" = 1 ] && grep -q "^$dir/$f.gif: out of memory" "$work/err"; then
                    cell="$cell${cell:+,}oom@$limit"
                else
                    cell="$cell${cell:+,}FAULT($code)@$limit"
                    sed 's/^/    /' "$work/err" | head -3 >&2
                fi
            done
            cell="${cell:-ok}"
        fi
        printf '%14s' "$cell"
    done
    printf '\n'
done
