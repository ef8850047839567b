# Sourced by the benchmarks after they set repo (the checkout's top folder):
# the Release build tree, the test books and the helpers they share.
build=${BUILD_DIR:-$repo/build-bench}
books=$repo/tests/books
# The speed slider (-10..10) and the volume slider (0..100) the runs use.
speed=${SPEED:-0}
volume=${VOLUME:-100}

# bench_begin NAME TARGET...: builds the TARGETs in the Release tree (unless
# bench/run.sh has built it: BENCH_BUILT) and makes the working folder $work,
# removed on exit.
bench_begin() {
    bb_name=$1
    shift
    if [ -z "${BENCH_BUILT:-}" ]; then
        cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVT_BUILD_TESTS=OFF >/dev/null
        cmake --build "$build" --target "$@" -j2 >/dev/null
    fi
    work=$(mktemp -d -p "${BENCH_DIR:-${TMPDIR:-/tmp}}" "$bb_name.XXXXXX")
    trap 'rm -rf "$work"' EXIT INT TERM
}

# field NAME LINE: the number after "NAME=" in a driver's output line.
field() { echo "$2" | sed "s/.*\\b$1=\\([0-9]*\\).*/\\1/"; }
now_us() { echo $(($(date +%s%N) / 1000)); }
# Seconds of audio in an MP3 file, decoded whole.
audio_seconds() {
    ffmpeg -v error -i "$1" -f s16le -ac 1 -ar 22050 - | wc -c | awk '{ printf "%d", $1 / 44100 }'
}
# plain_speak TXT WAV: espeak-ng as the plain chain runs it, at the speed
# the caller took from the driver ($wpm, $gap) and $volume.
plain_speak() {
    ps_gap=
    [ "$gap" -gt 0 ] && ps_gap="-g $gap"
    espeak-ng -v gmw/en -a "$volume" -s "$wpm" $ps_gap -w "$2" -f "$1"
}
# row TEXT: one line for bench/run.sh's table, when it asked for rows.
row() { [ -z "${BENCH_ROWS:-}" ] || printf '%s\n' "$1" >>"$BENCH_ROWS"; }

# make_repeated_book SEED_TXT TIMES OUT_EPUB writes an EPUB book whose one page holds the text SEED_TXT TIMES times.
make_repeated_book() {
    rb_seed=$1
    rb_times=$2
    rb_out=$3
    rb_dir=$(mktemp -d -p "${TMPDIR:-/tmp}" repeated-book.XXXXXX)
    mkdir -p "$rb_dir/META-INF" "$rb_dir/OEBPS"
    printf 'application/epub+zip' >"$rb_dir/mimetype"
    cat >"$rb_dir/META-INF/container.xml" <<'XML'
<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>
XML
    cat >"$rb_dir/OEBPS/content.opf" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
    <dc:identifier id="id">bench-repeated-$rb_times</dc:identifier><dc:title>Repeated $rb_times</dc:title>
    <dc:language>en</dc:language><meta property="dcterms:modified">2020-01-01T00:00:00Z</meta>
  </metadata>
  <manifest><item id="t" href="text.xhtml" media-type="application/xhtml+xml"/></manifest>
  <spine><itemref idref="t"/></spine>
</package>
XML
    {
        echo '<?xml version="1.0" encoding="UTF-8"?>'
        echo '<html xmlns="http://www.w3.org/1999/xhtml"><head><title>Repeated</title></head><body>'
        for _ in $(seq "$rb_times"); do
            sed -e 's/&/and/g; s/[<>]/ /g; s/^/<p>/; s/$/<\/p>/' "$rb_seed"
        done
        echo '</body></html>'
    } >"$rb_dir/OEBPS/text.xhtml"
    rm -f "$rb_out"
    (cd "$rb_dir" && zip -q -X -0 "$rb_out" mimetype && zip -q -X -r "$rb_out" META-INF OEBPS)
    rm -rf "$rb_dir"
}
