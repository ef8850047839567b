#!/bin/sh
# Times one long book on every core, against the plain chain
#   ebook-convert book.epub book.txt
#   espeak-ng -v gmw/en -a VOLUME -s WPM [-g GAP] -w book.wav -f book.txt
#   lame -h book.wav book.mp3
# and against the program's own sequential chain (--threads 1):
#   - bench/data/moby-dick.epub whole (goal: at most 0.55 of the plain
#     chain on 2 cores, --threads 1 at most 1.00);
#   - tests/books/hefty-water.epub, a book of about 5 minutes (goal: at
#     most 0.70);
#   - the program's peak memory on a book of SEED's text 1 and 16 times
#     (goal: flat within 10 %, under 150 MB).
# The sides take turns; the fastest run of each counts. It prints where the
# program's time went: calibre, speaking with the encoders beside it, the
# encoders' tail, the tags; and the CPU time of speech and of encoding.
#
#   bench/threads_bench.sh [book.epub...]
#
#   RUNS (default 2), BUILD_DIR, SPEED, VOLUME, BENCH_ROWS, BENCH_BUILT: as
#   convert_bench.sh; SEED (default trees).
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
runs=${RUNS:-2}
seed=${SEED:-trees}
bench_begin threads-bench convert_bench
driver=$build/bin/convert_bench
engine=$("$driver" --engine-speed "$speed")
wpm=$(field wpm "$engine")
gap=$(field gap "$engine")
[ $# -gt 0 ] || set -- "$repo/bench/data/moby-dick.epub" "$books/hefty-water.epub"

cores=$(nproc)
model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
echo "$cores cores ($model); speed $speed ($wpm words a minute), volume $volume, $runs runs each"

# One run of the program: its driver's line (BENCH_THREADS=$1, book $2).
run_program() {
    dir=$work/run
    mkdir -p "$dir/temp" "$dir/out"
    line=$(BENCH_THREADS=$1 TEMP="$dir/temp" "$driver" "$dir/out" "$speed" "$volume" "$2" \
        2>>"$work/run.log")
    [ "$(field ok "$line")" = 1 ] || { echo "the run failed: $line" >&2; exit 1; }
    rm -rf "$dir"
    echo "$line"
}

# One run of the plain chain: "wall_us calibre_us espeak_us lame_us".
run_plain() {
    dir=$work/plain
    mkdir -p "$dir"
    t0=$(now_us)
    ebook-convert "$1" "$dir/book.txt" >/dev/null 2>&1
    t1=$(now_us)
    plain_speak "$dir/book.txt" "$dir/book.wav"
    t2=$(now_us)
    lame -h --quiet "$dir/book.wav" "$dir/book.mp3"
    t3=$(now_us)
    [ -s "$dir/book.mp3" ] || { echo "the plain chain failed" >&2; exit 1; }
    rm -rf "$dir"
    echo "$((t3 - t0)) $((t1 - t0)) $((t2 - t1)) $((t3 - t2))"
}

# The fastest of two driver lines.
faster() { if [ -z "$1" ] || [ "$(field us "$2")" -lt "$(field us "$1")" ]; then echo "$2"; else echo "$1"; fi; }

for book in "$@"; do
    book=$(cd "$(dirname "$book")" && pwd)/$(basename "$book")
    name=$(basename "$book" .epub)
    every= one= plain=
    for i in $(seq "$runs"); do
        # Each side goes first in every other run.
        if [ $((i % 2)) -eq 1 ]; then order="every plain one"; else order="one plain every"; fi
        for side in $order; do
            case $side in
            every)
                l=$(run_program 0 "$book")
                every=$(faster "$every" "$l")
                ;;
            one)
                l=$(run_program 1 "$book")
                one=$(faster "$one" "$l")
                ;;
            plain)
                p=$(run_plain "$book")
                if [ -z "$plain" ] || [ "${p%% *}" -lt "${plain%% *}" ]; then plain=$p; fi
                ;;
            esac
        done
    done
    set -- $plain
    awk -v name="$name" -v e="$(field us "$every")" -v o="$(field us "$one")" -v p="$1" \
        -v pc="$2" -v pe="$3" -v pl="$4" -v cores="$cores" -v epk="$(field peak_kb "$every")" \
        -v conv="$(field conv_us "$every")" -v speak="$(field speak_us "$every")" \
        -v tail="$(field encode_us "$every")" -v fin="$(field finish_us "$every")" \
        -v scpu="$(field speech_cpu_us "$every")" -v ecpu="$(field encode_cpu_us "$every")" \
        -v rows="${BENCH_ROWS:-}" 'BEGIN {
        goal = (name == "moby-dick" ? 0.55 : 0.70)
        printf "%s\n", name
        printf "  every core (%d)   %8.2f s   ratio %.3f (goal <= %.2f)   peak %.1f MB\n", cores,
            e / 1e6, e / p, goal, epk / 1024
        printf "  --threads 1       %8.2f s   ratio %.3f (goal <= 1.00)\n", o / 1e6, o / p
        printf "  plain chain       %8.2f s   (ebook-convert %.2f, espeak-ng %.2f, lame -h %.2f)\n",
            p / 1e6, pc / 1e6, pe / 1e6, pl / 1e6
        rest = e - conv - speak - tail - fin
        printf "  where the time went: calibre %.1f %%, speaking with the encoders %.1f %%, the encoders\x27 tail %.1f %%, tags %.1f %%, the rest %.1f %%\n",
            100 * conv / e, 100 * speak / e, 100 * tail / e, 100 * fin / e, 100 * rest / e
        printf "  CPU: speech %.1f s, encoding %.1f s (%.1f %% of the two)\n", scpu / 1e6, ecpu / 1e6,
            100 * ecpu / (scpu + ecpu)
        if (rows != "") {
            r = e / p
            printf "%s on every core (%d): program vs plain chain\t%.2f\t%.2f\ts\t%.3f\tratio <= %.2f\tcalibre %.0f %%, speaking with encoders %.0f %%, tail %.0f %%, tags %.0f %%\t%s\n",
                name, cores, e / 1e6, p / 1e6, r, goal, 100 * conv / e, 100 * speak / e,
                100 * tail / e, 100 * fin / e, (r <= goal ? "met" : "not met") >>rows
            r = o / p
            printf "%s with --threads 1 (sequential chain) vs plain chain\t%.2f\t%.2f\ts\t%.3f\tratio <= 1.00\t-\t%s\n",
                name, o / 1e6, p / 1e6, r, (r <= 1.00 ? "met" : "not met") >>rows
        } }'
done

# Peak memory of the program's own process, on one book and on 16 of it.
ebook-convert "$books/$seed.epub" "$work/seed.txt" >/dev/null 2>&1
peaks=
for times in 1 16; do
    make_repeated_book "$work/seed.txt" "$times" "$work/$seed-x$times.epub"
    l=$(run_program 0 "$work/$seed-x$times.epub")
    peaks="$peaks $(field peak_kb "$l")"
done
set -- $peaks
awk -v a="$1" -v b="$2" -v seed="$seed" -v rows="${BENCH_ROWS:-}" 'BEGIN {
    r = b / a
    printf "peak memory, every core: %s x1 %.1f MB, x16 %.1f MB (ratio %.3f, goal <= 1.10 and < 150 MB)\n",
        seed, a / 1024, b / 1024, r
    if (rows != "")
        printf "Peak memory on every core, %s x16 vs x1\t%.1f\t%.1f\tMB\t%.3f\tratio <= 1.10, < 150 MB\t-\t%s\n",
            seed, b / 1024, a / 1024, r, (r <= 1.10 && b < 150 * 1024 ? "met" : "not met") >>rows }'
