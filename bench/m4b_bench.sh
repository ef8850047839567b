#!/bin/sh
# Times M4B audio books and files per chapter:
#   - the program's run making an M4B (convert_bench, BENCH_FORMAT=m4b)
#     against the plain chain with the same encoder and bit rate:
#       ebook-convert book.epub book.txt
#       espeak-ng -v gmw/en -a VOLUME -s WPM [-g GAP] -w book.wav -f book.txt
#       ffmpeg -i book.wav -c:a aac -aac_coder fast -b:a 32k book.m4b
#     (goal: at most 1.05 of the time), taking turns, the fastest kept;
#   - what cutting the book into a file per chapter adds, MP3 and M4B: the
#     cutting's own time against its run (goal: at most 3 %);
#   - the program's peak memory on each book (goal: flat with length).
#
#   bench/m4b_bench.sh [book.epub...]
#
# Without books, moby-dick-excerpt.epub and wasteland.epub of tests/books
# and a book holding wasteland's text LONG times (default 4) are used.
#   BUILD_DIR, RUNS (default 3), SPEED, VOLUME, BENCH_ROWS, BENCH_BUILT: as
#   convert_bench.sh
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
runs=${RUNS:-3}
bench_begin m4b-bench convert_bench
driver=$build/bin/convert_bench
engine=$("$driver" --engine-speed "$speed")
wpm=$(field wpm "$engine")
gap=$(field gap "$engine")
if [ $# -eq 0 ]; then
    ebook-convert "$books/wasteland.epub" "$work/seed.txt" >/dev/null 2>&1
    make_repeated_book "$work/seed.txt" "${LONG:-4}" "$work/wasteland-x${LONG:-4}.epub"
    set -- "$books/moby-dick-excerpt.epub" "$books/wasteland.epub" "$work/wasteland-x${LONG:-4}.epub"
fi

# One run of the program: "wall_us peak_kb split_us files" ($1: mp3 or m4b,
# $2: 1 to cut into chapters, $3: the book).
run_program() {
    dir=$work/run
    mkdir -p "$dir/temp" "$dir/out"
    start=$(now_us)
    line=$(BENCH_FORMAT=$1 BENCH_SPLIT=$2 TEMP="$dir/temp" "$driver" "$dir/out" "$speed" \
        "$volume" "$3" 2>>"$work/run.log")
    took=$(($(now_us) - start))
    [ "$(field ok "$line")" = 1 ] || { echo "the run failed: $line" >&2; exit 1; }
    echo "$took $(field peak_kb "$line") $(field split_us "$line") $(find "$dir/out" -type f | wc -l)"
    rm -rf "$dir"
}

run_plain() {
    dir=$work/plain
    mkdir -p "$dir"
    start=$(now_us)
    ebook-convert "$1" "$dir/book.txt" >/dev/null 2>&1
    plain_speak "$dir/book.txt" "$dir/book.wav"
    ffmpeg -v error -i "$dir/book.wav" -c:a aac -aac_coder fast -b:a 32k "$dir/book.m4b"
    took=$(($(now_us) - start))
    [ -s "$dir/book.m4b" ] || { echo "the plain chain failed" >&2; exit 1; }
    echo "$took"
    rm -rf "$dir"
}

min() { if [ -z "$1" ] || [ "$2" -lt "$1" ]; then echo "$2"; else echo "$1"; fi; }

echo "speed $speed ($wpm words a minute), volume $volume, $runs runs each"
for book in "$@"; do
    book=$(cd "$(dirname "$book")" && pwd)/$(basename "$book")
    name=$(basename "$book")
    m4b= plain= peak=0 mp3split= mp3run= m4bsplit= m4brun= files=0
    for _ in $(seq "$runs"); do
        set -- $(run_program m4b 0 "$book")
        m4b=$(min "$m4b" "$1")
        [ "$2" -gt "$peak" ] && peak=$2
        plain=$(min "$plain" "$(run_plain "$book")")
        set -- $(run_program m4b 1 "$book")
        m4brun=$(min "$m4brun" "$1")
        m4bsplit=$(min "$m4bsplit" "$3")
        files=$4
        [ "$2" -gt "$peak" ] && peak=$2
        set -- $(run_program mp3 1 "$book")
        mp3run=$(min "$mp3run" "$1")
        mp3split=$(min "$mp3split" "$3")
    done
    awk -v name="$name" -v m4b="$m4b" -v plain="$plain" -v peak="$peak" -v files="$files" \
        -v m4brun="$m4brun" -v m4bsplit="$m4bsplit" -v mp3run="$mp3run" -v mp3split="$mp3split" 'BEGIN {
        printf "%s (%d chapter files)\n", name, files
        printf "  M4B run           %8.2f s   peak %6.1f MB\n", m4b / 1e6, peak / 1024
        printf "  plain chain       %8.2f s   ratio %.3f (goal <= 1.05)\n", plain / 1e6, m4b / plain
        printf "  cutting, M4B      %8.3f s   %.2f %% of its run (goal <= 3 %%)\n", m4bsplit / 1e6,
            100 * m4bsplit / m4brun
        printf "  cutting, MP3      %8.3f s   %.2f %% of its run (goal <= 3 %%)\n", mp3split / 1e6,
            100 * mp3split / mp3run }'
    [ -z "${BENCH_ROWS:-}" ] || awk -v name="$name" -v m4b="$m4b" -v plain="$plain" \
        -v peak="$peak" -v m4brun="$m4brun" -v m4bsplit="$m4bsplit" -v mp3run="$mp3run" \
        -v mp3split="$mp3split" 'BEGIN {
        r = m4b / plain
        printf "M4B of %s: program run vs plain chain (ffmpeg -c:a aac)\t%.2f\t%.2f\ts\t%.3f\tratio <= 1.05\t%.1f MB\t%s\n",
            name, m4b / 1e6, plain / 1e6, r, peak / 1024, (r <= 1.05 ? "met" : "not met")
        c = m4bsplit / m4brun; d = mp3split / mp3run; w = (c > d ? c : d)
        printf "Files per chapter of %s: cutting vs its run\t%.3f\t%.2f\ts\t%.4f\tshare <= 0.03\tM4B %.2f %%, MP3 %.2f %%\t%s\n",
            name, m4bsplit / 1e6, m4brun / 1e6, w, 100 * c, 100 * d, (w <= 0.03 ? "met" : "not met")
    }' >>"$BENCH_ROWS"
    echo "$name $peak" >>"$work/peaks"
done
# The peak memory on the last book against the one before it: by default
# wasteland's text four times against wasteland itself.
if [ -n "${BENCH_ROWS:-}" ] && [ "$(wc -l <"$work/peaks")" -ge 2 ]; then
    tail -n 2 "$work/peaks" | awk 'NR == 1 { fn = $1; fkb = $2 } { ln = $1; lkb = $2 } END {
        r = lkb / fkb
        printf "Program run peak memory with M4B, %s vs %s\t%.1f\t-\tMB\t%.3f\tratio <= 1.10 (flat)\t%.1f MB vs %.1f MB\t%s\n",
            ln, fn, lkb / 1024, r, lkb / 1024, fkb / 1024, (r <= 1.10 ? "met" : "not met") }' \
        >>"$BENCH_ROWS"
fi
