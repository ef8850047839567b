#!/bin/sh
# Times the conversion of a book through the program's own run (the start
# button's run over the real chain, driven by convert_bench) against the
# plain chain on the same book in one go:
#   ebook-convert book.epub book.txt
#   espeak-ng -v gmw/en -a VOLUME -s WPM [-g GAP] -w book.wav -f book.txt
#   lame -h book.wav book.mp3
# with the voice, volume and speed the run uses. Prints the fastest of RUNS
# runs of each, their time ratio (goal: at most 1.10) and the program's peak
# memory (goal: under 150 MB, the same for a short and a long book).
#
#   bench/convert_bench.sh [book.epub...]
#
# Without books, trees.epub (short) and wasteland.epub (six times longer) of
# tests/books are used.
#   BUILD_DIR  Release build tree to use (default: build-bench)
#   RUNS       runs of each measurement, the fastest kept (default: 3)
#   SPEED      the speed slider's value, -10..10 (default: 0)
#   VOLUME     the volume slider's value, 0..100 (default: 100)
#   LONG       when set to N, a book holding the text of wasteland.epub N
#              times is made and measured as well (N=8 gives hours of audio)
#   BENCH_ROWS when set, a file that gets one tab-separated row per book
#              (name, program s, plain s, unit, ratio, goal, peak, met) and,
#              for several books, one row comparing the program's peak memory
#              on the longest and the shortest book (goal: at most 1.10 times)
#   BENCH_BUILT when set, the Release tree is taken as built (bench/run.sh)
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
runs=${RUNS:-3}
if [ $# -eq 0 ]; then
    set -- "$books/trees.epub" "$books/wasteland.epub"
fi

bench_begin convert-bench convert_bench
driver=$build/bin/convert_bench

engine=$("$driver" --engine-speed "$speed")
wpm=$(field wpm "$engine")
gap=$(field gap "$engine")

# One run of the program: wall time (microseconds), its own peak memory (KB)
# and the seconds of audio it made. It starts from an empty working folder,
# as a first run does.
run_program() {
    dir=$work/run
    mkdir -p "$dir/temp" "$dir/out"
    start=$(now_us)
    line=$(TEMP="$dir/temp" "$driver" "$dir/out" "$speed" "$volume" "$1" 2>>"$work/run.log")
    took=$(($(now_us) - start))
    [ "$(field ok "$line")" = 1 ] || { echo "the run failed: $line" >&2; exit 1; }
    echo "$took $(field peak_kb "$line") $(audio_seconds "$dir/out/"*.mp3)"
    rm -rf "$dir"
}

# The same for the plain chain, with the peak memory of its largest tool.
run_plain() {
    dir=$work/plain
    mkdir -p "$dir"
    gap_option=
    [ "$gap" -gt 0 ] && gap_option="-g $gap"
    chain="ebook-convert '$1' '$dir/book.txt' >/dev/null 2>&1 &&
        espeak-ng -v gmw/en -a $volume -s $wpm $gap_option -w '$dir/book.wav' -f '$dir/book.txt' &&
        lame --quiet -h '$dir/book.wav' '$dir/book.mp3'"
    start=$(now_us)
    kb=$(/usr/bin/time -f '%M' sh -c "$chain" 2>&1 >/dev/null | tail -n 1)
    took=$(($(now_us) - start))
    [ -s "$dir/book.mp3" ] || { echo "the plain chain failed" >&2; exit 1; }
    echo "$took $kb $(audio_seconds "$dir/book.mp3")"
    rm -rf "$dir"
}

# The two chains take turns, so that other work on the machine weighs on
# both alike; the fastest run of each and the largest peak are kept.
compare() {
    rbest= rpeak=0 pbest= ppeak=0
    for _ in $(seq "$runs"); do
        set -- "$1" $(run_program "$1")
        if [ -z "$rbest" ] || [ "$2" -lt "$rbest" ]; then rbest=$2; fi
        [ "$3" -gt "$rpeak" ] && rpeak=$3
        raudio=$4
        set -- "$1" $(run_plain "$1")
        if [ -z "$pbest" ] || [ "$2" -lt "$pbest" ]; then pbest=$2; fi
        [ "$3" -gt "$ppeak" ] && ppeak=$3
        paudio=$4
    done
    echo "$rbest $rpeak $raudio $pbest $ppeak $paudio"
}

# An EPUB book holding the text of wasteland.epub $1 times.
make_long_book() {
    ebook-convert "$books/wasteland.epub" "$work/seed.txt" >/dev/null 2>&1
    make_repeated_book "$work/seed.txt" "$1" "$work/long.epub"
    echo "$work/long.epub"
}
if [ -n "${LONG:-}" ]; then
    set -- "$@" "$(make_long_book "$LONG")"
fi

echo "speed $speed ($wpm words a minute, word gap $gap), volume $volume, $runs runs each"
for book in "$@"; do
    set -- $(compare "$book")
    awk -v name="$(basename "$book")" -v run="$1" -v rkb="$2" -v ra="$3" -v plain="$4" \
        -v pkb="$5" -v pa="$6" 'BEGIN {
        printf "%s\n", name
        printf "  program  %8.2f s   peak %6.1f MB (the program itself)   audio %5.1f min\n",
            run / 1e6, rkb / 1024, ra / 60
        printf "  plain    %8.2f s   peak %6.1f MB (its largest tool)     audio %5.1f min\n",
            plain / 1e6, pkb / 1024, pa / 60
        printf "  ratio    %.3f (time)\n", run / plain }'
    [ -z "${BENCH_ROWS:-}" ] || awk -v name="$(basename "$book")" -v run="$1" -v rkb="$2" -v ra="$3" \
        -v plain="$4" -v pkb="$5" 'BEGIN {
        r = run / plain
        printf "Conversion of %s (%.1f min of audio): program run vs plain chain\t%.2f\t%.2f\ts\t",
            name, ra / 60, run / 1e6, plain / 1e6
        printf "%.3f\tratio <= 1.10, peak < 150 MB\t%.1f MB (plain chain: %.1f MB)\t%s\n", r,
            rkb / 1024, pkb / 1024, (r <= 1.10 && rkb < 150 * 1024) ? "met" : "not met"
    }' >>"$BENCH_ROWS"
    echo "$(basename "$book") $3 $2" >>"$work/peaks"
done
# The peak memory of the longest book (in audio) against that of the shortest.
if [ -n "${BENCH_ROWS:-}" ] && [ "$(wc -l <"$work/peaks")" -ge 2 ]; then
    sort -n -k 2 "$work/peaks" | awk 'NR == 1 { sn = $1; sa = $2; skb = $3 } { ln = $1; la = $2; lkb = $3 }
        END {
        r = lkb / skb
        printf "Program run peak memory, %s (%.1f min) vs %s (%.1f min)\t%.1f\t-\tMB\t%.3f\t",
            ln, la / 60, sn, sa / 60, lkb / 1024, r
        printf "ratio <= 1.10 (flat)\t%.1f MB vs %.1f MB\t%s\n", lkb / 1024, skb / 1024,
            (r <= 1.10 ? "met" : "not met") }' >>"$BENCH_ROWS"
fi
