#!/bin/sh
# Starts Vellumtone on a virtual screen (Xvfb) and saves a picture of its
# window, as it opens on a first start.
# Usage: scripts/screenshot.sh [program] [picture]
#   program: defaults to build/bin/vellumtone
#   picture: defaults to docs/screenshot.png
set -eu
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/bin/vellumtone}")
picture=$(realpath -m "${2:-docs/screenshot.png}")
if [ ! -x "$program" ]; then
    echo "No program at $program: build it first (./run.sh, or cmake --build build)." >&2
    exit 1
fi

# A fresh home, so that the picture shows the first start and the user's own
# settings stay untouched.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/Desktop" "$home/tmp"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" TEMP="$home/tmp"
unset XDG_DESKTOP_DIR

xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
    "$1" &
    pid=$!
    tries=0
    until xwininfo -name Vellumtone >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ "$tries" -gt 300 ] || ! kill -0 "$pid" 2>/dev/null; then
            echo "The window did not appear." >&2
            kill "$pid" 2>/dev/null || true
            exit 1
        fi
        sleep 0.1
    done
    sleep 1 # let the first paint finish
    id=$(xwininfo -name Vellumtone | awk "/Window id:/ { print \$4 }")
    import -window "$id" "$2"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
' sh "$program" "$picture"
echo "Saved $picture"
