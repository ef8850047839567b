#!/bin/sh
# Installs a build folder into a temporary DESTDIR with the prefix /usr and
# checks the installed tree.
# Usage: install_test.sh BUILD_FOLDER APP_ID VERSION
set -eu
build=$1 id=$2 version=$3
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
usr=$root/usr
desktop=$usr/share/applications/$id.desktop
metainfo=$usr/share/metainfo/$id.metainfo.xml
manual=$usr/share/man/man1/vellumtone-cli.1.gz
window_manual=$usr/share/man/man1/vellumtone.1.gz
copyright=$usr/share/doc/vellumtone/copyright

for file in bin/vellumtone bin/vellumtone-cli; do
    [ -x "$usr/$file" ] || fail "no program $file"
done
for file in "$desktop" "$metainfo" "$manual" "$window_manual" "$copyright" \
    "$usr/share/doc/vellumtone/changelog.gz" \
    "$usr/share/icons/hicolor/scalable/apps/$id.svg" \
    "$usr/share/vellumtone/Samples/The Lighthouse Clock.epub" \
    "$usr/share/vellumtone/Samples/Le café du matin.epub"; do
    [ -f "$file" ] || fail "not installed: $file"
done
for size in 16 22 24 32 48 64 128 256; do
    png=$usr/share/icons/hicolor/${size}x$size/apps/$id.png
    file "$png" | grep -q "PNG image data, $size x $size," || fail "no $size-pixel icon at $png"
done

# The menu entry and the software-centre entry pass their validators, the
# menu entry without even a hint (one main category: menus list it once).
out=$(desktop-file-validate "$desktop" 2>&1) || fail "$out"
[ -z "$out" ] || fail "$out"
appstreamcli validate --no-net "$metainfo" >&2 || fail "the metainfo file is not valid"
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$metainfo" ||
    fail "the metainfo names no licence"
grep -q "example" "$metainfo" && fail "the metainfo names a placeholder address"
grep -q "^License: GPL-3.0-or-later" "$copyright" || fail "the copyright file names no licence"
grep -qx "Icon=$id" "$desktop" || fail "the menu entry names another icon"
grep -qx "Exec=vellumtone %F" "$desktop" || fail "the menu entry does not pass books on"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"

# The manual pages read without warnings; vellumtone-cli's has an entry (the
# line after ".TP") for every option of --help.
for page in "$manual" "$window_manual"; do
    warnings=$(zcat "$page" | groff -man -ww -z 2>&1)
    [ -z "$warnings" ] || fail "manual page $page: $warnings"
done
entries=$(zcat "$manual" | awk 'entry { print; entry = 0 } /^\.TP/ { entry = 1 }')
for option in $("$usr/bin/vellumtone-cli" --help | grep -oE -- '--[a-z-]+' | sort -u); do
    case "$entries" in
        *"$(echo "$option" | sed 's/-/\\-/g')"*) ;;
        *) fail "the manual page has no entry for $option" ;;
    esac
done

# The installed vellumtone-cli runs from the install tree and finds the
# installed samples, not those of the build folder.
out=$(cd / && "$usr/bin/vellumtone-cli" --version)
echo "$out" | grep -qx "vellumtone-cli $version" || fail "--version said: $out"
echo "$out" | grep -qxF "sample books: $usr/share/vellumtone/Samples" || fail "--version said: $out"
