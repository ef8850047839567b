#!/bin/sh
# Runs vellumtone-cli on hostile books and folders, made afresh as real files,
# and prints one line per case: wall time, peak memory of the process tree,
# exit status, whether the time limit stopped it (TERM, or KILL when TERM was
# not enough) and what became of what the case watches. A book from the net
# must not hang a batch run, reach files outside its own book, or cost a good
# older result.
#
#   bench/hostile_bench.sh [path/to/vellumtone-cli]
#
# Without a path, the Release tree's vellumtone-cli (BUILD_DIR, default
# build-bench) is run; nothing is built.
#   LIMIT  seconds a case may run before it is stopped (default: 120)
#   CASES  only these cases, e.g. CASES="svg-local-file symlink-result"
#
# Each case has its own folder: book/, out/ (--out), temp/ (TEMP and TMPDIR)
# and outside/, the one other place the case points at and the working
# directory, whose listing is shown before and after when it changed. The
# program runs in a session of its own, so the limit stops it together with
# the tools it started; whatever still carries the case's marker in its
# environment afterwards is killed and counted.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
cli=${1:-$build/bin/vellumtone-cli}
limit=${LIMIT:-120}
all="svg-local-file svg-fifo symlink-result dangling-beside older-result-disk-full sup-32000
spine-2000 nested-100000 toc-100000 encrypted-chapter huge-title nul-chapter"
cases=${CASES:-$all}
[ -x "$cli" ] || { echo "no vellumtone-cli at $cli" >&2; exit 2; }
# The program runs in the case's outside/ folder: a relative path would miss.
case $cli in /*) ;; *) cli=$(pwd)/$cli ;; esac
for name in $cases; do
    case " $(echo $all) " in *" $name "*) ;; *) echo "unknown case: $name" >&2; exit 2 ;; esac
done

work=$(mktemp -d -p "${TMPDIR:-/tmp}" hostile-bench.XXXXXX)
marker=
# reap: the pids of processes still carrying this case's marker, killed.
reap() {
    [ -n "$marker" ] || return 0
    for p in /proc/[0-9]*; do
        if tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qxF "VT_HOSTILE_CASE=$marker"; then
            kill -KILL "${p#/proc/}" 2>/dev/null && echo "${p#/proc/}"
        fi
    done
    return 0
}
trap 'reap >/dev/null; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM HUP
# alive PID: PID runs (a zombie waits for its parent's wait, it does not run).
alive() { [ -r "/proc/$1/stat" ] && ! grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat" 2>/dev/null; }
# watch_limit PID: waits for /usr/bin/time of PID to end; at the limit stops
# the program's process group (its pid: time's child, a session leader) and
# says how: no, TERM, or KILL when TERM was not enough. Not timeout(1): its
# KILL goes to its own group too, so it dies before waiting for the program,
# and time loses the exit status and the program's peak memory.
watch_limit() {
    wl_end=$(($(now_us) + limit * 1000000))
    for wl_signal in no TERM KILL; do
        [ "$wl_signal" = no ] || kill -s "$wl_signal" -- "-$wl_group" 2>/dev/null || true
        while alive "$1" && [ "$(now_us)" -lt "$wl_end" ]; do sleep 0.2; done
        alive "$1" || break
        wl_group=$(ps -o pid= --ppid "$1" | tr -d ' ') wl_end=$(($(now_us) + 5000000))
    done
    echo "$wl_signal"
}

# new_book DIR: the bare folders of a book, mimetype and container first.
new_book() {
    mkdir -p "$1/META-INF" "$1/OEBPS"
    printf 'application/epub+zip' >"$1/mimetype"
    cat >"$1/META-INF/container.xml" <<'XML'
<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>
XML
}
# write_opf DIR MANIFEST SPINE [META]: an EPUB 3 package with the title read
# from standard input (so that a title of megabytes never becomes an argument),
# the page text.xhtml and MANIFEST's items; SPINE is the spine's content.
write_opf() {
    {
        printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' \
            '<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">' \
            '<metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:identifier id="id">hostile</dc:identifier>'
        printf '<dc:title>'
        cat
        printf '</dc:title>\n<dc:language>en</dc:language>%s' "${4:-}"
        printf '<meta property="dcterms:modified">2020-01-01T00:00:00Z</meta></metadata>\n'
        printf '<manifest><item id="t" href="text.xhtml" media-type="application/xhtml+xml"/>%s</manifest>\n' "$2"
        printf '<spine>%s</spine>\n</package>\n' "$3"
    } >"$1/OEBPS/content.opf"
}
# write_page FILE: an XHTML page whose body is read from standard input.
write_page() {
    {
        printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' \
            '<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops"><head><title>Page</title></head><body>'
        cat
        printf '\n</body></html>\n'
    } >"$1"
}
# plain_book DIR [MANIFEST [SPINE [META]]]: a book of one short page.
plain_book() {
    new_book "$1"
    echo 'A hostile book' | write_opf "$1" "${2:-}" "${3:-<itemref idref=\"t\"/>}" "${4:-}"
    echo '<p>Chapter one. A short page of words for the hostile books.</p>' | write_page "$1/OEBPS/text.xhtml"
}
# zip_book DIR EPUB [ENCRYPTED]: mimetype stored first, then the rest; the
# entry ENCRYPTED (a path inside DIR) goes in with ZipCrypto.
zip_book() {
    (cd "$1" && zip -q -X -0 "$2" mimetype && zip -q -X -r "$2" META-INF OEBPS -x "${3:-none}" &&
        if [ -n "${3:-}" ]; then zip -q -X -P secret "$2" "$3"; fi)
    rm -rf "$1"
}
# page_book [MANIFEST [SPINE [META]]]: the case's book, its page's body read
# from standard input; files put into $c/src/OEBPS beforehand go in too.
page_book() {
    plain_book "$c/src" "$@"
    write_page "$c/src/OEBPS/text.xhtml"
    zip_book "$c/src" "$book"
}
# svg_cover_book IMAGE: the book with an SVG cover that draws IMAGE.
svg_cover_book() {
    mkdir -p "$c/src/OEBPS"
    cat >"$c/src/OEBPS/cover.svg" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="50" height="50" viewBox="0 0 50 50">
  <image xlink:href="$1" x="0" y="0" width="50" height="50"/>
</svg>
XML
    echo '<p>Chapter one. A page under a drawn cover.</p>' |
        page_book '<item id="c" href="cover.svg" media-type="image/svg+xml" properties="cover-image"/>' \
            '<itemref idref="t"/>' '<meta name="cover" content="c"/>'
}
# snapshot DIR: every entry of DIR with its kind, size and link target, and
# the checksum of every regular file (never opened otherwise: a FIFO blocks).
snapshot() {
    (cd "$1" && find . -mindepth 1 -printf '%p %y %s %l\n' | sort && find . -type f -exec md5sum {} + | sort)
}
state() { if [ "$stopped" = no ]; then echo finished; else echo "hung (stopped by the limit, $stopped)"; fi; }
claimed() {
    if [ ! -s "$c/stdout" ]; then echo "no result line"
    elif grep -q '^failed:' "$c/stdout"; then echo "result line says failed"
    else echo "result line claims an MP3"; fi
}
# cover_verdict: what the MP3's attached picture shows, by the share of its
# pixels near pure red (the private picture) and its mean colour.
cover_verdict() {
    [ -s "$mp3" ] || { echo "no mp3"; return 0; }
    ffmpeg -v error -y -i "$mp3" -an -vcodec copy -frames:v 1 -f image2 "$c/cover.img" 2>/dev/null || true
    [ -s "$c/cover.img" ] || { echo "no cover"; return 0; }
    red=$(convert "$c/cover.img" -fuzz 25% -fill black +opaque red -fill white -opaque red \
        -format '%[fx:round(100*mean)]' info: 2>/dev/null || echo '?')
    mean=$(convert "$c/cover.img" -resize 1x1 txt:- 2>/dev/null | sed -n 's/.* \(#[0-9A-Fa-f]*\) .*/\1/p')
    if [ "$red" = '?' ]; then echo "cover unreadable"
    elif [ "$red" -gt 0 ]; then echo "leaked ($red% red, mean $mean)"
    else echo "no leak (0% red, mean $mean)"; fi
}

# Per case: prep_NAME makes the book and the folders' contents (and may set
# mode=beside or path), verdict_NAME says what happened to what it watches.
prep_svg_local_file() { convert -size 50x50 xc:red "$outside/private.png" && svg_cover_book "$outside/private.png"; }
verdict_svg_local_file() { cover_verdict; }
prep_svg_fifo() { mkfifo "$outside/private.png" && svg_cover_book "$outside/private.png"; }
# A run stopped while drawing the cover may leave an MP3 without its tag.
verdict_svg_fifo() {
    m="no mp3"
    [ ! -s "$mp3" ] || m="an mp3 of $(wc -c <"$mp3") bytes, cover: $(cover_verdict)"
    echo "$(state); $m; $(claimed)"
}
prep_symlink_result() {
    plain_book "$c/src" && zip_book "$c/src" "$book"
    echo precious >"$outside/target.txt"
    ln -s "$outside/target.txt" "$out/book.mp3"
}
# kept FILE TEXT: whether FILE still holds TEXT.
kept() {
    if [ "$(cat "$1" 2>/dev/null)" = "$2" ]; then echo kept
    elif [ -e "$1" ]; then echo "REPLACED ($(wc -c <"$1") bytes)"; else echo GONE; fi
}
# link_state LINK: what became of a symbolic link the case made.
link_state() {
    if [ -L "$1" ]; then echo "still a link"
    elif [ -f "$1" ]; then echo "link replaced by a file of $(wc -c <"$1") bytes"
    else echo "link gone"; fi
}
verdict_symlink_result() { echo "target $(kept "$outside/target.txt" precious), $(link_state "$out/book.mp3")"; }
prep_dangling_beside() {
    plain_book "$c/src" && zip_book "$c/src" "$book"
    ln -s "$outside/new.mp3" "$c/book/book.mp3"
    mode=beside
}
verdict_dangling_beside() {
    if [ -e "$outside/new.mp3" ]; then n="outside/new.mp3 CREATED ($(wc -c <"$outside/new.mp3") bytes)"
    else n="outside/new.mp3 not created"; fi
    echo "$n, $(link_state "$mp3")"
}
# lame as on a full disk: half a file, then failure. Each call is counted, so
# a program that does not take lame from PATH shows as such.
prep_older_result_disk_full() {
    plain_book "$c/src" && zip_book "$c/src" "$book"
    printf 'old mp3 bytes' >"$out/book.mp3"
    mkdir "$c/bin"
    cat >"$c/bin/lame" <<SH
#!/bin/sh
echo "\$*" >>"$c/lame-calls"
for a; do last=\$a; done
if [ "\${last:-}" = - ]; then printf 'ID3 half'; else printf 'ID3 half' >"\$last"; fi
exit 1
SH
    chmod +x "$c/bin/lame"
    path=$c/bin:$PATH
}
verdict_older_result_disk_full() {
    r="old result $(kept "$out/book.mp3" 'old mp3 bytes')"
    if [ -s "$c/lame-calls" ]; then f="fake lame called $(wc -l <"$c/lame-calls") times"
    else f="fake lame NOT called (lame not taken from PATH)"; fi
    echo "$r, $(claimed), $f"
}
prep_sup_32000() {
    awk 'BEGIN { printf "<p>"; for (i = 0; i < 32000; i++) printf "<sup>1"; print " and then some words to speak.</p>" }' |
        page_book
}
verdict_sup_32000() { echo "$(state) after ${secs}s"; }
prep_spine_2000() {
    spine=$(awk 'BEGIN { for (i = 0; i < 2000; i++) printf "<itemref idref=\"t\"/>" }')
    awk 'BEGIN { for (i = 1; i <= 40; i++) print "<p>This is sentence " i " of a page that the reading order lists two thousand times.</p>" }' |
        page_book '' "$spine"
}
# The audio's length tells whether the page was spoken once or 2000 times.
verdict_spine_2000() {
    a=none
    [ ! -s "$mp3" ] || a="$(audio_seconds "$mp3") s"
    echo "$(state) after ${secs}s, peak ${mb} MB, book $(wc -c <"$book") bytes, audio $a"
}
prep_nested_100000() {
    awk 'BEGIN { for (i = 0; i < 100000; i++) printf "<div>"; printf "word"; for (i = 0; i < 100000; i++) printf "</div>"; print "" }' |
        page_book
}
verdict_nested_100000() { echo "$(state) after ${secs}s"; }
prep_toc_100000() {
    mkdir -p "$c/src/OEBPS"
    {
        echo '<nav epub:type="toc"><h1>Contents</h1><ol>'
        awk 'BEGIN { for (i = 0; i < 100000; i++) print "<li><a href=\"text.xhtml\">Chapter one</a></li>" }'
        echo '</ol></nav>'
    } | write_page "$c/src/OEBPS/nav.xhtml"
    echo '<p>Chapter one. A page the contents name a hundred thousand times.</p>' |
        page_book '<item id="n" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>'
}
verdict_toc_100000() { echo "$(state) after ${secs}s"; }
prep_encrypted_chapter() { plain_book "$c/src" && zip_book "$c/src" "$book" OEBPS/text.xhtml; }
verdict_encrypted_chapter() {
    if [ -s "$mp3" ]; then m="mp3 of $(wc -c <"$mp3") bytes"; else m="no mp3"; fi
    echo "exit $status, $(claimed), $m"
}
prep_huge_title() {
    new_book "$c/src"
    head -c 5242880 /dev/zero | tr '\0' x | write_opf "$c/src" '' '<itemref idref="t"/>'
    echo '<p>Chapter one. A short page of words under a very long title.</p>' | write_page "$c/src/OEBPS/text.xhtml"
    zip_book "$c/src" "$book"
}
# The ID3v2 tag's size: ten header bytes plus the synchsafe size field.
verdict_huge_title() {
    [ -s "$mp3" ] || { echo "no mp3, $(claimed)"; return 0; }
    if [ "$(head -c 3 "$mp3")" = ID3 ]; then
        set -- $(od -An -tu1 -j 6 -N 4 "$mp3")
        tag="tag $(($1 * 2097152 + $2 * 16384 + $3 * 128 + $4 + 10)) bytes"
    else tag="no ID3v2 tag"; fi
    echo "$tag, mp3 $(wc -c <"$mp3") bytes"
}
prep_nul_chapter() {
    printf '<p>Chapter one. Before \000\000 the NUL bytes, and words after them.</p>\n' | page_book
}
verdict_nul_chapter() { echo "$(state), exit $status, $(claimed)"; }

echo "cli: $cli ($("$cli" --version 2>&1 | tr '\n' ';' | sed 's/;$//; s/;/; /g'))"
echo "limit ${limit}s per case, speed 10"
printf '%-22s %8s %8s %5s %7s  %s\n' case wall_s peak_MB exit stopped verdict
for name in $cases; do
    c=$work/$name
    fn=$(echo "$name" | tr - _)
    book=$c/book/book.epub out=$c/out temp=$c/temp outside=$c/outside
    mkdir -p "$c/book" "$out" "$temp" "$outside"
    mode=out path=$PATH
    "prep_$fn"
    if [ "$mode" = beside ]; then mp3=$c/book/book.mp3; set -- --beside; else mp3=$out/book.mp3; set -- --out "$out"; fi
    snapshot "$outside" >"$c/before"
    marker=$c
    (cd "$outside" && exec /usr/bin/time -o "$c/time" -f '%e %M %x' setsid -w \
        env TEMP="$temp" TMPDIR="$temp" PATH="$path" VT_HOSTILE_CASE="$marker" \
        "$cli" --rate 10 --tags "$@" "$book") </dev/null >"$c/stdout" 2>"$c/stderr" &
    # Both in the background: a signal to this script is acted on at once.
    watch_limit $! >"$c/stopped" &
    wait
    stopped=$(cat "$c/stopped")
    left=$(reap | wc -l)
    marker=
    set -- $(tail -n 1 "$c/time")
    secs=$1 status=$3
    signal=$(sed -n 's/^Command terminated by signal \([0-9]*\).*/\1/p' "$c/time")
    [ -z "$signal" ] || status=$((128 + signal))
    mb=$(awk -v kb="$2" 'BEGIN { printf "%.1f", kb / 1024 }')
    verdict=$("verdict_$fn")
    why=$(sed -n 's/^failed: //p' "$c/stdout" | awk -v b="$book: " 'index($0, b) == 1 { $0 = substr($0, length(b) + 1) }
        NR == 1 { print substr($0, 1, 70) }')
    [ -z "$why" ] || verdict="$verdict; says: $why"
    [ "$left" -eq 0 ] || verdict="$verdict; $left processes left behind, killed"
    stale=$(ls -A "$temp" | head -n 3 | tr '\n' ' ')
    [ -z "$stale" ] || verdict="$verdict; TEMP keeps ${stale% }"
    printf '%-22s %8s %8s %5s %7s  %s\n' "$name" "$secs" "$mb" "$status" "$stopped" "$verdict"
    snapshot "$outside" >"$c/after"
    for f in before after; do [ -s "$c/$f" ] || echo '(empty)' >"$c/$f"; done
    cmp -s "$c/before" "$c/after" || printf '    outside changed; before:\n%s\n    after:\n%s\n' \
        "$(sed 's/^/      /' "$c/before")" "$(sed 's/^/      /' "$c/after")"
    rm -rf "$c"
done
