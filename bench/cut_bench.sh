#!/bin/sh
# Times the text cutter against a plain byte filter of the same text: tr
# turning everything but ASCII letters, digits, the blank, ! , . ; ? and line
# breaks into blanks, piped to tr for lower case. Prints the time and peak
# memory of both and their ratio, for a novel-sized text and a 100 MB text
# made by repeating it.
#
#   bench/cut_bench.sh [novel.txt]
#
# Without a text, the English test books are converted and repeated to the
# size of a long novel (1.25 MB).
#   BUILD_DIR  Release build tree to use (default: build-bench)
#   BENCH_DIR  where the texts and pieces go (default: $TMPDIR or /tmp); the
#              cutter writes thousands of piece files, so the file system
#              there counts
#   RUNS       runs of each measurement, the fastest kept (default: 3)
#   BENCH_ROWS when set, a file that gets one tab-separated row per text:
#              name, cut ms, tr ms, unit, ratio, goal, peak, met
#              (goal: at most twice tr's time, peak under 50 MB)
#   BENCH_BUILT when set, the Release tree is taken as built (bench/run.sh)
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
runs=${RUNS:-3}

bench_begin cut-bench cut_bench
driver=$build/bin/cut_bench

if [ $# -ge 1 ]; then
    cp "$1" "$work/novel.txt"
else
    for book in wasteland trees hefty-water cc-shared-culture; do
        ebook-convert "$books/$book.epub" "$work/$book.txt" >/dev/null 2>&1
        cat "$work/$book.txt" >>"$work/seed.txt"
    done
    : >"$work/novel.txt"
    while [ "$(stat -c %s "$work/novel.txt")" -lt 1250000 ]; do
        cat "$work/seed.txt" >>"$work/novel.txt"
    done
fi
: >"$work/big.txt"
while [ "$(stat -c %s "$work/big.txt")" -lt 104857600 ]; do
    cat "$work/novel.txt" >>"$work/big.txt"
done

# Fastest run: wall, user and system time (microseconds); peak memory (KB).
# Each run cuts in a folder of its own; the pieces stay until the end, so
# one run's deletions do not slow the next one's file creation.
measure_cut() {
    best= user= sys= peak=0
    for i in $(seq "$runs"); do
        mkdir "$work/cut-$2-$i"
        cp "$1" "$work/cut-$2-$i/output.txt"
        line=$("$driver" "$work/cut-$2-$i/output.txt" 0)
        took=$(field us "$line")
        if [ -z "$best" ] || [ "$took" -lt "$best" ]; then
            best=$took user=$(field user_us "$line") sys=$(field sys_us "$line")
        fi
        kb=$(field peak_kb "$line")
        [ "$kb" -gt "$peak" ] && peak=$kb
        pieces=$(field pieces "$line")
    done
    echo "$best $user $sys $peak $pieces"
}

measure_tr() {
    best=
    filter="tr -c 'A-Za-z0-9 !,.;?\\n' ' ' <'$1' | tr A-Z a-z >'$work/tr.out'"
    for _ in $(seq "$runs"); do
        start=$(now_us)
        sh -c "$filter"
        took=$(($(now_us) - start))
        if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
    done
    # user and system seconds of both tr together, and the larger peak
    set -- $(/usr/bin/time -f '%U %S %M' sh -c "$filter" 2>&1 >/dev/null)
    rm -f "$work/tr.out"
    echo "$best $(awk -v u="$1" -v s="$2" 'BEGIN { printf "%d %d", u * 1e6, s * 1e6 }') $3"
}

report() {
    size=$(stat -c %s "$2")
    set -- "$1" "$size" $(measure_cut "$2" "$1") $(measure_tr "$2")
    awk -v name="$1" -v size="$2" -v cut="$3" -v cu="$4" -v cs="$5" -v ckb="$6" -v pieces="$7" \
        -v tr="$8" -v tu="$9" -v ts="${10}" -v tkb="${11}" 'BEGIN {
        printf "%s: %.1f MB of text\n", name, size / 1048576
        printf "  cut    %8.1f ms (cpu user %7.1f, sys %7.1f)  peak %5.1f MB  %d pieces\n",
            cut / 1000, cu / 1000, cs / 1000, ckb / 1024, pieces
        printf "  tr|tr  %8.1f ms (cpu user %7.1f, sys %7.1f)  peak %5.1f MB\n",
            tr / 1000, tu / 1000, ts / 1000, tkb / 1024
        printf "  ratio  %.2f (time), %.1f (peak memory)\n", cut / tr, ckb / tkb }'
    [ -z "${BENCH_ROWS:-}" ] || awk -v name="$1" -v size="$2" -v cut="$3" -v ckb="$6" -v tr="$8" \
        -v tkb="${11}" 'BEGIN {
        r = cut / tr
        printf "Text cutting, %.1f MB text: cutter vs tr | tr\t%.1f\t%.1f\tms\t%.2f\t", size / 1048576,
            cut / 1000, tr / 1000, r
        printf "ratio <= 2, peak < 50 MB\t%.1f MB (tr: %.1f MB)\t%s\n", ckb / 1024, tkb / 1024,
            (r <= 2 && ckb < 50 * 1024) ? "met" : "not met" }' >>"$BENCH_ROWS"
}

report novel "$work/novel.txt"
report 100MB "$work/big.txt"
