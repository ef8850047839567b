#!/bin/sh
# Chinese heard as Mandarin. The characters of Unihan's kHanyuPinlu (the
# frequency count of modern Chinese in Debian's unicode-data), each a
# sentence of its own: how many of them espeak-ng reads in English
# (espeak-ng -x shows a switch, "(en)") as the program gave them to it
# before, characters to espeak-ng -v cmn, and as it gives them now, its
# --text to the pinyin voice (goal: none). And minutes of audio per 1 000
# characters (natural Mandarin: 3.3 to 4.2) of a book of those characters
# in sentences of twenty and of the Chinese test books: the program's MP3
# against the plain chain (ebook-convert, espeak-ng -v cmn, lame -h), which
# is how the program spoke Chinese before. Characters are the Han
# characters of ebook-convert's text.
#
#   bench/chinese_bench.sh [book.epub...]
#
# Without books, the two Chinese books of tests/books.
#   BUILD_DIR, SPEED, VOLUME, BENCH_ROWS, BENCH_BUILT: as convert_bench.sh
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
if [ $# -eq 0 ]; then
    set -- "$books/zh-hans-beiying.epub" "$books/zh-hant-taohuayuan.epub"
fi
unihan=${UNIHAN_DIR:-/usr/share/unicode}/Unihan_Readings.txt.bz2

bench_begin chinese-bench vellumtone-cli convert_bench
cli=$build/bin/vellumtone-cli
engine=$("$build/bin/convert_bench" --engine-speed "$speed")
wpm=$(field wpm "$engine")
seconds() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
han() { perl -CSD -ne '$n += () = /\p{Script=Han}/g; END { print $n + 0 }' "$1"; }
switches() { grep -o '(en)' | wc -l; }

# A zh-CN book whose one page holds the lines of $1, each a paragraph.
make_book() {
    mb_dir=$work/book
    rm -rf "$mb_dir"
    mkdir -p "$mb_dir/META-INF" "$mb_dir/OEBPS"
    printf 'application/epub+zip' >"$mb_dir/mimetype"
    cat >"$mb_dir/META-INF/container.xml" <<'XML'
<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>
XML
    cat >"$mb_dir/OEBPS/content.opf" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
    <dc:identifier id="id">bench-hanyu-pinlu</dc:identifier><dc:title>Pinlu</dc:title>
    <dc:language>zh-CN</dc:language><meta property="dcterms:modified">2020-01-01T00:00:00Z</meta>
  </metadata>
  <manifest><item id="t" href="text.xhtml" media-type="application/xhtml+xml"/></manifest>
  <spine><itemref idref="t"/></spine>
</package>
XML
    {
        echo '<?xml version="1.0" encoding="UTF-8"?>'
        echo '<html xmlns="http://www.w3.org/1999/xhtml" lang="zh-CN"><head><title>Pinlu</title></head><body>'
        sed -e 's/^/<p>/; s/$/<\/p>/' "$1"
        echo '</body></html>'
    } >"$mb_dir/OEBPS/text.xhtml"
    rm -f "$2"
    (cd "$mb_dir" && zip -q -X -0 "$2" mimetype && zip -q -X -r "$2" META-INF OEBPS)
}

# The program's MP3 and the plain chain's of a book: minutes of each.
convert() { # $1: book; sets minutes_new, minutes_plain, chars
    rm -rf "$work/out" "$work/plain"
    mkdir -p "$work/out" "$work/plain" "$work/temp"
    TEMP="$work/temp" HOME="$work" "$cli" --match-language --rate "$speed" --volume "$volume" \
        --out "$work/out" "$1" >/dev/null 2>>"$work/run.log"
    minutes_new=$(seconds "$work/out/$(basename "$1" .epub).mp3" | awk '{ print $1 / 60 }')
    ebook-convert "$1" "$work/plain/book.txt" >/dev/null 2>&1
    chars=$(han "$work/plain/book.txt")
    espeak-ng -v cmn -a "$volume" -s "$wpm" -w "$work/plain/book.wav" -f "$work/plain/book.txt"
    lame --quiet -h "$work/plain/book.wav" "$work/plain/book.mp3"
    minutes_plain=$(seconds "$work/plain/book.mp3" | awk '{ print $1 / 60 }')
}

report() { # $1: name
    awk -v n="$1" -v c="$chars" -v w="$minutes_new" -v p="$minutes_plain" 'BEGIN {
        printf "%s: %d characters; minutes per 1 000 characters: %.2f (before: %.2f)\n",
            n, c, w / (c / 1000), p / (c / 1000) }'
    [ -z "${BENCH_ROWS:-}" ] || awk -v n="$1" -v c="$chars" -v w="$minutes_new" \
        -v p="$minutes_plain" 'BEGIN {
        m = w / (c / 1000); b = p / (c / 1000)
        printf "Chinese %s: minutes of audio per 1 000 characters, pinyin voice vs espeak-ng -v cmn\t", n
        printf "%.2f\t%.2f\tmin\t%.3f\t3.3 <= min <= 4.2\t\t%s\n", m, b, m / b,
            (m >= 3.3 && m <= 4.2) ? "met" : "not met" }' >>"$BENCH_ROWS"
}

echo "speed $speed ($wpm words a minute), volume $volume"
mkdir -p "$work/temp"
# The characters, one a line, each ending a sentence.
bzip2 -dc "$unihan" | awk -F '\t' '$1 ~ /^U\+/ && $2 == "kHanyuPinlu" { print substr($1, 3) }' |
    perl -CS -ne 'chomp; print chr(hex($_)), chr(0x3002), "\n"' >"$work/characters.txt"
count=$(wc -l <"$work/characters.txt")
before=$(espeak-ng -q -v cmn -x -f "$work/characters.txt" | switches)
make_book "$work/characters.txt" "$work/characters.epub"
TEMP="$work/temp" HOME="$work" "$cli" --text --match-language "$work/characters.epub" \
    >"$work/pinyin.txt" 2>>"$work/run.log"
after=$(sed 's/⟦[a-z0-9-]*⟧//g' "$work/pinyin.txt" |
    espeak-ng -q -v cmn-latn-pinyin -x | switches)
echo "kHanyuPinlu: $count characters; read in English: $after (before: $before)"
[ -z "${BENCH_ROWS:-}" ] || printf 'Chinese: kHanyuPinlu characters read in English\t%s\t%s\tcharacters\t\t0\t\t%s\n' \
    "$after" "$before" "$([ "$after" -eq 0 ] && echo met || echo 'not met')" >>"$BENCH_ROWS"

# The characters in sentences of twenty.
perl -CS -0777 -ne 's/[\x{3002}\n]//g; print "$1\x{3002}\n" while /(.{1,20})/g' \
    <"$work/characters.txt" >"$work/sentences.txt"
make_book "$work/sentences.txt" "$work/sentences.epub"
convert "$work/sentences.epub"
report "kHanyuPinlu characters in sentences of twenty"
for book in "$@"; do
    convert "$book"
    report "$(basename "$book")"
done
