#!/bin/sh
# Japanese read through MeCab: minutes of audio per 1 000 characters of a
# Japanese book's text (goal 2.5 to 4.5; a person reads 1 000 characters
# aloud in about 3 minutes), for the program with MeCab's dictionary, for
# the program without it (MECABRC naming a missing file: the kanji are
# spoken as "Chinese letter", in English), and for the plain chain
# (ebook-convert, espeak-ng -v ja, lame -h). And the MeCab step's share of
# the book's conversion (goal at most 5 %): the text pass alone
# (vellumtone-cli --text) with and without the dictionary, fastest of RUNS
# each, its difference against the conversion with the dictionary.
# Characters are those of ebook-convert's text that are neither blank nor
# punctuation, less the ruby readings (<rt>) of the book's pages: a person
# reads the word or its reading, not both; the figure per 1 000 characters
# of the converter's whole text is shown beside it.
#
#   bench/japanese_bench.sh [book.epub...]
#
# Without books, kusamakura-preview.epub and ja-ebook-formats.epub (an
# article full of Latin words, which go to the English voice) of
# tests/books. For each book, the Latin letters of its text and the
# stretches --text hands to another voice.
#   BUILD_DIR, RUNS, SPEED, VOLUME, BENCH_ROWS, BENCH_BUILT: as convert_bench.sh
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
runs=${RUNS:-3}
if [ $# -eq 0 ]; then
    set -- "$books/kusamakura-preview.epub" "$books/ja-ebook-formats.epub"
fi

bench_begin japanese-bench vellumtone-cli convert_bench
cli=$build/bin/vellumtone-cli
engine=$("$build/bin/convert_bench" --engine-speed "$speed")
wpm=$(field wpm "$engine")
seconds() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
missing="MECABRC=$work/missing-mecabrc"

# One run of the program ($1: "" or $missing, $2: the book, $3: --text or
# --convert): microseconds; the MP3 is left in $work/out.
run() {
    rm -rf "$work/out" "$work/temp"
    mkdir -p "$work/out" "$work/temp"
    start=$(now_us)
    if [ "$3" = --text ]; then
        env $1 TEMP="$work/temp" HOME="$work" "$cli" --text "$2" >/dev/null 2>>"$work/run.log"
    else
        env $1 TEMP="$work/temp" HOME="$work" "$cli" --rate "$speed" --volume "$volume" \
            --out "$work/out" "$2" >/dev/null 2>>"$work/run.log"
    fi
    echo $(($(now_us) - start))
}
fastest() { # $1: environment, $2: book, $3: mode
    best=
    for i in $(seq "$runs"); do
        us=$(run "$1" "$2" "$3")
        if [ -z "$best" ] || [ "$us" -lt "$best" ]; then best=$us; fi
    done
    echo "$best"
}

echo "speed $speed ($wpm words a minute), volume $volume, $runs runs each"
for book in "$@"; do
    name=$(basename "$book" .epub)
    mkdir -p "$work/plain"
    ebook-convert "$book" "$work/plain/book.txt" >/dev/null 2>&1
    count='$n += () = /[^\s\p{P}\p{S}]/g; END { print $n + 0 }'
    all=$(perl -CSD -ne "$count" "$work/plain/book.txt")
    ruby=$(unzip -p "$book" '*.xhtml' '*.html' '*.htm' 2>/dev/null |
        perl -CSD -0777 -ne 'while (/<rt\b[^>]*>(.*?)<\/rt>/gs) { print "$1\n" }' |
        sed 's/<[^>]*>//g' | perl -CSD -ne "$count")
    chars=$((all - ruby))
    espeak-ng -v ja -a "$volume" -s "$wpm" -w "$work/plain/book.wav" -f "$work/plain/book.txt"
    lame --quiet -h "$work/plain/book.wav" "$work/plain/book.mp3"
    plain=$(seconds "$work/plain/book.mp3")
    run "$missing" "$book" --convert >/dev/null
    without=$(seconds "$work/out/$name.mp3")
    with_convert=$(fastest "" "$book" --convert)
    with=$(seconds "$work/out/$name.mp3")
    with_text=$(fastest "" "$book" --text)
    env TEMP="$work/temp" HOME="$work" "$cli" --text "$book" >"$work/spoken.txt" 2>/dev/null
    latin=$(perl -CSD -ne '$n += () = /\p{Latin}/g; END { print $n + 0 }' "$work/plain/book.txt")
    handed=$(grep -o '⟦[a-z0-9-][a-z0-9-]*⟧' "$work/spoken.txt" | sort | uniq -c |
        awk '{ printf "%s%d to %s", (NR > 1 ? ", " : ""), $1, $2 }')
    echo "$name: $latin Latin letters; stretches handed to other voices: ${handed:-none}"
    without_text=$(fastest "$missing" "$book" --text)
    awk -v n="$name" -v c="$chars" -v a="$all" -v p="$plain" -v wo="$without" -v w="$with" \
        -v cw="$with_convert" -v tw="$with_text" -v two="$without_text" 'BEGIN {
        k = c / 1000
        printf "%s: %d characters (%d with the ruby readings); audio %.1f min with MeCab, %.1f without, %.1f plain\n",
            n, c, a, w / 60, wo / 60, p / 60
        printf "  per 1 000 characters of the converter'"'"'s whole text: with MeCab %.2f, without %.2f, plain %.2f\n",
            w / 60 / (a / 1000), wo / 60 / (a / 1000), p / 60 / (a / 1000)
        printf "  minutes per 1 000 characters: with MeCab %.2f, without %.2f, plain espeak-ng -v ja %.2f\n",
            w / 60 / k, wo / 60 / k, p / 60 / k
        printf "  MeCab step: text pass %.2f s with, %.2f s without; conversion %.2f s: share %.1f %%\n",
            tw / 1e6, two / 1e6, cw / 1e6, 100 * (tw - two) / cw }'
    [ -z "${BENCH_ROWS:-}" ] || awk -v n="$name" -v c="$chars" -v p="$plain" -v w="$with" \
        -v cw="$with_convert" -v tw="$with_text" -v two="$without_text" 'BEGIN {
        m = w / 60 / (c / 1000); s = 100 * (tw - two) / cw
        printf "Japanese %s.epub: minutes of audio per 1 000 characters, with MeCab vs plain espeak-ng -v ja\t", n
        printf "%.2f\t%.2f\tmin\t%.3f\t2.5 <= min <= 4.5\tMeCab %.1f %% of the conversion (<= 5)\t%s\n",
            m, p / 60 / (c / 1000), m / (p / 60 / (c / 1000)), s,
            (m >= 2.5 && m <= 4.5 && s <= 5) ? "met" : "not met" }' >>"$BENCH_ROWS"
    rm -rf "$work/plain"
done
