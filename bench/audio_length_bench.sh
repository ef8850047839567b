#!/bin/sh
# How long the program's audio book lasts against the plain chain on the
# same book, with the same voice, speed and volume:
#   ebook-convert book.epub book.txt
#   espeak-ng -v en -a VOLUME -s WPM [-g GAP] -w book.wav -f book.txt
#   lame -h book.wav book.mp3
# The program speaks the text as written: its pauses at line ends and
# sentence ends are the plain chain's, so its audio should last as long
# (goal: within 5 %). It leaves out only what it must not say (reference
# marks, contents pages) and the symbols its filter turns into pauses.
#
#   bench/audio_length_bench.sh [book.epub...]
#
# Without books, the English prose and poetry of tests/books are used
# (trees, moby-dick-excerpt, wasteland).
#   BUILD_DIR   Release build tree to use (default: build-bench)
#   SPEED       the speed slider's value, -10..10 (default: 0)
#   VOLUME      the volume slider's value, 0..100 (default: 100)
#   BENCH_ROWS  when set, a file that gets one tab-separated row per book:
#               name, program min, plain min, unit, ratio, goal, peak, met
#   BENCH_BUILT when set, the Release tree is taken as built (bench/run.sh)
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
if [ $# -eq 0 ]; then
    set -- "$books/trees.epub" "$books/moby-dick-excerpt.epub" "$books/wasteland.epub"
fi

bench_begin audio-length vellumtone-cli convert_bench
cli=$build/bin/vellumtone-cli

engine=$("$build/bin/convert_bench" --engine-speed "$speed")
wpm=$(field wpm "$engine")
gap=$(field gap "$engine")
gap_option=
[ "$gap" -gt 0 ] && gap_option="-g $gap"
seconds() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }

echo "speed $speed ($wpm words a minute, word gap $gap), volume $volume"
for book in "$@"; do
    name=$(basename "$book" .epub)
    mkdir -p "$work/out" "$work/temp" "$work/plain"
    TEMP="$work/temp" HOME="$work" "$cli" --voice "English (Great Britain)" --rate "$speed" \
        --volume "$volume" --no-match-language --out "$work/out" "$book" >/dev/null 2>"$work/err" ||
        { cat "$work/err" >&2; exit 1; }
    ebook-convert "$book" "$work/plain/book.txt" >/dev/null 2>&1
    # shellcheck disable=SC2086
    espeak-ng -v en -a "$volume" -s "$wpm" $gap_option -w "$work/plain/book.wav" \
        -f "$work/plain/book.txt"
    lame --quiet -h "$work/plain/book.wav" "$work/plain/book.mp3"
    program=$(seconds "$work/out/$name.mp3")
    plain=$(seconds "$work/plain/book.mp3")
    awk -v n="$name" -v p="$program" -v q="$plain" 'BEGIN {
        printf "  %-20s program %6.1f min  plain %6.1f min  ratio %.3f\n", n, p / 60, q / 60, p / q }'
    [ -z "${BENCH_ROWS:-}" ] || awk -v n="$name" -v p="$program" -v q="$plain" 'BEGIN {
        r = p / q
        printf "Audio length of %s.epub: vellumtone-cli vs plain chain (espeak-ng -v en)\t%.1f\t%.1f\t", n,
            p / 60, q / 60
        printf "min\t%.3f\t0.95 <= ratio <= 1.05\t-\t%s\n", r, (r >= 0.95 && r <= 1.05) ? "met" : "not met"
    }' >>"$BENCH_ROWS"
    rm -rf "$work/out" "$work/temp" "$work/plain"
done
