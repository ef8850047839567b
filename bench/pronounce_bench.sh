#!/bin/sh
# What a pronunciation list of 100 000 rules costs a conversion: the book
# through vellumtone-cli with the list (--pronounce) and with an empty one,
# taking turns, fastest of RUNS each (goal: at most 1.05 of the time). The
# list holds 99 980 made-up words, 16 words and names the book has and 4
# patterns, so the rules are looked up at every word and some apply. The
# text pass alone (vellumtone-cli --text with and without the list) is shown
# beside it.
#
#   bench/pronounce_bench.sh [book.epub...]
#
# Without books, moby-dick-excerpt.epub of tests/books (29 minutes of speech).
#   BUILD_DIR, RUNS, SPEED, VOLUME, BENCH_ROWS, BENCH_BUILT: as convert_bench.sh
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
runs=${RUNS:-3}
if [ $# -eq 0 ]; then
    set -- "$books/moby-dick-excerpt.epub"
fi

bench_begin pronounce-bench vellumtone-cli
cli=$build/bin/vellumtone-cli

list=$work/rules.txt
empty=$work/empty.txt
: >"$empty"
{
    echo "# 100 000 rules"
    for w in Ishmael Queequeg Ahab Manhattoes Nantucket Pequod Starbuck Stubb Flask \
        Tashtego Daggoo Fedallah Bildad Peleg Moby Leviathan; do
        echo "$w = ${w}ah"
    done
    echo '/\b(\d+)th\b/ = \1 th'
    echo '/\bSt\./ = Saint'
    echo '/\bMr\./ = Mister'
    echo '/(\w+)-(\w+)/ = \1 \2'
    awk 'BEGIN { for (i = 0; i < 99980; i++) printf "zq%dword = spoken %d\n", i, i }'
} >"$list"

# One run: microseconds ($1: the list, $2: the book, $3: --text or nothing).
run() {
    dir=$work/run
    mkdir -p "$dir/temp" "$dir/out"
    start=$(now_us)
    if [ "$3" = --text ]; then
        TEMP="$dir/temp" "$cli" --text --pronounce "$1" "$2" >/dev/null 2>>"$work/run.log"
    else
        TEMP="$dir/temp" "$cli" --rate "$speed" --volume "$volume" --pronounce "$1" \
            --out "$dir/out" "$2" >/dev/null 2>>"$work/run.log"
    fi
    echo $(($(now_us) - start))
    rm -rf "$dir"
}

echo "speed $speed, volume $volume, $runs runs each; $(wc -l <"$list") lines in the list"
for book in "$@"; do
    for mode in --text --convert; do
        with= without=
        for i in $(seq "$runs"); do
            if [ $((i % 2)) -eq 1 ]; then order="$list $empty"; else order="$empty $list"; fi
            for side in $order; do
                us=$(run "$side" "$book" "$mode")
                if [ "$side" = "$list" ]; then
                    if [ -z "$with" ] || [ "$us" -lt "$with" ]; then with=$us; fi
                elif [ -z "$without" ] || [ "$us" -lt "$without" ]; then without=$us; fi
            done
        done
        eval "with_${mode#--}=$with without_${mode#--}=$without"
    done
    awk -v name="$(basename "$book")" -v tw="$with_text" -v two="$without_text" \
        -v cw="$with_convert" -v cwo="$without_convert" 'BEGIN {
        printf "%s\n", name
        printf "  text only    %8.2f s with the list, %8.2f s without (+%.2f s)\n", tw / 1e6, two / 1e6, (tw - two) / 1e6
        printf "  conversion   %8.2f s with the list, %8.2f s without (ratio %.3f)\n", cw / 1e6, cwo / 1e6, cw / cwo }'
    [ -z "${BENCH_ROWS:-}" ] || awk -v name="$(basename "$book")" -v cw="$with_convert" \
        -v cwo="$without_convert" -v tw="$with_text" -v two="$without_text" 'BEGIN {
        r = cw / cwo
        printf "A pronunciation list of 100 000 rules on %s: conversion with it vs with none\t", name
        printf "%.2f\t%.2f\ts\t%.3f\tratio <= 1.05\ttext only %.2f s vs %.2f s\t%s\n", cw / 1e6,
            cwo / 1e6, r, tw / 1e6, two / 1e6, (r <= 1.05 ? "met" : "not met") }' >>"$BENCH_ROWS"
done
