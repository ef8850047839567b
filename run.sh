#!/bin/sh
# Sets up, builds and starts Vellumtone.
set -eu
cd "$(dirname "$0")"
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Vellumtone needs a graphical display (DISPLAY or WAYLAND_DISPLAY is not set); try: xvfb-run ./run.sh" >&2
    exit 1
fi
exec build/bin/vellumtone "$@"
