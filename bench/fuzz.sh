#!/bin/sh
# Builds the libFuzzer targets (fuzz/) with clang in a build tree of their
# own and runs each for a bounded time: the text cleaning and cutting, cUnzip
# listing and unpacking, the joined-book MP3 fix, the package and contents
# readers, the reference-mark scanner, the cover preparation, the
# pronunciation lists and the parts a listener chooses in books of random
# shape (10 s an input at most: a slower one is a finding too). Not part of
# the test run. A finding stops its target and leaves the input in the findings
# folder; keep it as a regression input in tests/fuzz/inputs/<target>/ (the
# default test run replays those) and fix the code.
#
#   bench/fuzz.sh [seconds per target] [target ...]
#       (60; text unzip mp3 package marks cover pronounce parts)
#
#   FUZZ_BUILD_DIR  build tree (default: build-fuzz)
#   FUZZ_WORK_DIR   grown corpora and findings (default: <build tree>/fuzz-work)
#   FUZZ_FLAGS      further libFuzzer flags (e.g. -len_control=0 for long inputs at once)
# Installs clang and its fuzzer runtime (libclang-rt-14-dev) when missing.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$repo/build-fuzz}
work=${FUZZ_WORK_DIR:-$build/fuzz-work}
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-text unzip mp3 package marks cover pronounce parts}

runtime_present() {
    command -v clang++ >/dev/null 2>&1 || return 1
    resource=$(clang++ -print-resource-dir 2>/dev/null) || return 1
    [ -f "$resource/lib/linux/libclang_rt.fuzzer-x86_64.a" ]
}
if ! runtime_present; then
    sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing clang and libclang-rt-14-dev ..."
    $sudo apt-get install -y clang libclang-rt-14-dev ||
        { $sudo apt-get update && $sudo apt-get install -y clang libclang-rt-14-dev; }
fi

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DVT_FUZZ=ON -DVT_BUILD_TESTS=OFF >/dev/null
list=
for t in $targets; do list="$list fuzz_$t"; done
# shellcheck disable=SC2086
cmake --build "$build" --target $list -j2

export LSAN_OPTIONS="suppressions=$repo/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for t in $targets; do
    case $t in
    text | pronounce) max_len=8192 ;;
    *) max_len=16384 ;;
    esac
    mkdir -p "$work/corpus/$t" "$work/findings/$t"
    log="$work/$t.log"
    echo "== $t: $seconds s"
    # shellcheck disable=SC2086
    if "$build/bin/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$work/findings/$t/" \
        ${FUZZ_FLAGS:-} "$work/corpus/$t" "$repo/fuzz/seeds/$t" >"$log" 2>&1; then
        grep -E '^Done|stat::number_of_executed_units|cov:' "$log" | tail -3
    else
        status=1
        grep -E 'ERROR|finding:|SUMMARY|Test unit written' "$log" | head -8
        echo "   the whole report: $log"
    fi
done
[ "$status" -eq 0 ] && echo "No findings." ||
    echo "Findings are in $work/findings; keep each as tests/fuzz/inputs/<target>/<name>."
exit "$status"
