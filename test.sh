#!/bin/sh
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs every test.
set -eu
cd "$(dirname "$0")"
scripts/setup.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVT_SANITIZE=ON >/dev/null
cmake --build build-asan
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-asan
ctest --output-on-failure --timeout 900 -j "$(nproc)"
