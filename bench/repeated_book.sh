# Sourced by the benchmarks: make_repeated_book SEED_TXT TIMES OUT_EPUB
# writes an EPUB book whose one page holds the text SEED_TXT TIMES times.
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
