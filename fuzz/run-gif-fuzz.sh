#!/bin/sh
# Builds a GIF fuzz target with clang and runs it for a given time.
#   fuzz/run-gif-fuzz.sh [SECONDS] [JOBS] [TARGET]
# (default 1800 seconds, 1 job, target gif_read; gif_encode checks that
# every frame decodes to what was encoded; gif_roundtrip that what was read
# and written reads back the same; gif_optimize that optimised random
# animations animate as before). The growing corpus lives in
# fuzz/corpus-work/ (not committed); it starts from the committed seeds in
# fuzz/corpus/TARGET/ where there are any. FUZZ_TIMEOUT (seconds, default
# 10) loosens the hang limit when the machine is shared. Each crash, hang or
# leak is copied to tests/data/gif/fuzz-regressions/, where the reader tests load
# every file and expect an answer instead of a fault.
set -eu
seconds=${1:-1800}
jobs=${2:-1}
target=${3:-gif_read}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz-gif"
work="$root/fuzz/corpus-work/$target"
seeds="$root/fuzz/corpus/$target"
crashes="$root/fuzz/corpus-work/$target-crashes"
mkdir -p "$work" "$seeds" "$crashes" "$root/tests/data/gif/fuzz-regressions"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTV_FUZZ=ON >/dev/null
ninja -C "$build" -j2 "${target}_fuzzer"

# The reading targets get 512 MB: a small input that claims more is a
# finding. The others build and check larger pictures.
rss=2048
case "$target" in gif_read | gif_roundtrip) rss=512 ;; esac
# The address sanitizer keeps freed memory aside (256 MB by default) and
# that counts in the limit; a smaller quarantine leaves the limit to what the
# inputs claim.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"
# gif_optimize reads a few hundred choices at most.
len=65536
[ "$target" = gif_optimize ] && len=1024
parallel=""
[ "$jobs" -gt 1 ] && parallel="-jobs=$jobs -workers=$jobs"
status=0
# Parallel jobs write fuzz-N.log into the current folder: keep them in work.
cd "$root/fuzz/corpus-work"
# shellcheck disable=SC2086
"$build/fuzz/${target}_fuzzer" "$work" "$seeds" \
    -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb="$rss" -max_len="$len" \
    $parallel -artifact_prefix="$crashes/" -print_final_stats=1 || status=$?

for f in "$crashes"/*; do
    [ -e "$f" ] || continue
    # gif_encode's and gif_optimize's inputs are choices, not GIF files: the reader
    # tests cannot replay them, so they stay in the crash folder.
    if [ "$target" = gif_encode ] || [ "$target" = gif_optimize ]; then
        echo "crash input: $f (replay: $build/fuzz/${target}_fuzzer $f)"
        continue
    fi
    cp "$f" "$root/tests/data/gif/fuzz-regressions/$(basename "$f").gif"
    echo "regression file: tests/data/gif/fuzz-regressions/$(basename "$f").gif"
done
echo "corpus: $(ls "$work" | wc -l) files"
exit $status
