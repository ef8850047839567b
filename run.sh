#!/bin/sh
# Sets up, builds and starts Vellumtone. Builds only what it starts: the two
# programs and the sample books (the tests are ./test.sh's, the benchmarks
# bench/'s).
set -eu
cd "$(dirname "$0")"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Vellumtone needs a graphical display (DISPLAY or WAYLAND_DISPLAY is not set); try: xvfb-run ./run.sh" >&2
    exit 1
fi
scripts/setup.sh
# A configured folder reconfigures itself when a CMakeLists.txt changes.
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVT_BUILD_TESTS=OFF -DVT_BUILD_BENCH=OFF >/dev/null
fi
cmake --build build --target vellumtone vellumtone-cli vt_samples
exec build/bin/vellumtone "$@"
