#!/bin/sh
# Times what the title, cover and chapters add to a book's conversion: the
# program's own run (convert_bench over the real chain) with tags and with
# --no-tags, taking turns, and the tag work alone (placing the chapters in
# the spoken pieces, measuring the MP3, drawing the cover, tagging the file),
# which the driver does once more on its own after a run with tags. The tag
# work against the run without tags is the figure that counts (goal: at most
# 1.02); the two whole runs are shown beside it, as other load on the
# machine sways them by more than the 2 % looked for.
#
#   bench/tags_bench.sh [book.epub...]
#
# Without books, moby-dick-excerpt.epub (an SVG cover, a contents of
# documents) and wasteland.epub (a contents of anchors in one document) of
# tests/books are used.
#   BUILD_DIR, RUNS, SPEED, VOLUME, BENCH_ROWS, BENCH_BUILT: as convert_bench.sh
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
runs=${RUNS:-3}
if [ $# -eq 0 ]; then
    set -- "$books/moby-dick-excerpt.epub" "$books/wasteland.epub"
fi

bench_begin tags-bench convert_bench
driver=$build/bin/convert_bench

# One run: "wall_us tag_us chapters" ($1: --tags or --no-tags, $2: the book).
run() {
    dir=$work/run
    mkdir -p "$dir/temp" "$dir/out"
    flag=
    [ "$1" = --no-tags ] && flag=--no-tags
    line=$(TEMP="$dir/temp" XDG_RUNTIME_DIR="$work" "$driver" $flag "$dir/out" "$speed" "$volume" \
        "$2" 2>>"$work/run.log")
    [ "$(field ok "$line")" = 1 ] || { echo "the run failed: $line" >&2; exit 1; }
    chapters=$(ffprobe -v error -show_chapters -of csv=p=0 "$dir/out/"*.mp3 | wc -l)
    echo "$(field us "$line") $(field tag_us "$line") $chapters"
    rm -rf "$dir"
}

echo "speed $speed, volume $volume, $runs runs each"
for book in "$@"; do
    with= without= work_us= chapters=0
    for i in $(seq "$runs"); do
        if [ $((i % 2)) -eq 1 ]; then order="--tags --no-tags"; else order="--no-tags --tags"; fi
        for side in $order; do
            set -- $(run "$side" "$book")
            if [ "$side" = --tags ]; then
                if [ -z "$with" ] || [ "$1" -lt "$with" ]; then with=$1; fi
                if [ -z "$work_us" ] || [ "$2" -lt "$work_us" ]; then work_us=$2; fi
                chapters=$3
            else
                if [ -z "$without" ] || [ "$1" -lt "$without" ]; then without=$1; fi
            fi
        done
    done
    awk -v name="$(basename "$book")" -v with="$with" -v without="$without" -v tag="$work_us" \
        -v ch="$chapters" 'BEGIN {
        printf "%s (%d chapters)\n", name, ch
        printf "  run with tags     %8.2f s\n  run without tags  %8.2f s   (ratio %.3f)\n",
            with / 1e6, without / 1e6, with / without
        printf "  tag work alone    %8.3f s   %.2f %% of the run without tags\n", tag / 1e6,
            100 * tag / without }'
    [ -z "${BENCH_ROWS:-}" ] || awk -v name="$(basename "$book")" -v with="$with" \
        -v without="$without" -v tag="$work_us" -v ch="$chapters" 'BEGIN {
        r = (without + tag) / without
        printf "Title, cover and %d chapters of %s: the run plus its tag work vs the run without tags\t",
            ch, name
        printf "%.2f\t%.2f\ts\t%.3f\tratio <= 1.02\ttag work alone %.3f s; whole runs %.2f s with tags, %.2f s without (%.3f)\t%s\n",
            (without + tag) / 1e6, without / 1e6, r, tag / 1e6, with / 1e6, without / 1e6,
            with / without, (r <= 1.02 ? "met" : "not met")
    }' >>"$BENCH_ROWS"
done
