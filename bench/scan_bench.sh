#!/bin/sh
# Times "Add All EPUB Files In Folder" through the core against
# find DIR -iname '*.epub' on a tree of 100 000 files in 5 000 folders (a few
# hundred EPUB books, some hidden files and folders, lock files, and some
# folders nobody may read). Both run with a warm cache, in turns; the fastest
# of RUNS runs of each counts. Goal: Add All takes at most 3 times as long as find.
#
#   bench/scan_bench.sh
#
#   BUILD_DIR  Release build tree to use (default: build-bench)
#   BENCH_DIR  where the tree is made (default: $TMPDIR or /tmp)
#   RUNS       runs of each measurement (default: 5)
#   BENCH_ROWS when set, a file that gets one tab-separated row: name, Add All
#              ms, find ms, unit, ratio, goal, peak memory of Add All, met
#   BENCH_BUILT when set, the Release tree is taken as built (bench/run.sh)
#
# As root the unreadable folders would be read anyway, so both programs then
# run without root's right to read everything (setpriv).
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
runs=${RUNS:-5}

bench_begin scan-bench scan_bench
driver=$build/bin/scan_bench

trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work"' EXIT INT TERM
tree=$work/tree

as_user=""
if [ "$(id -u)" -eq 0 ]; then
    if command -v setpriv >/dev/null 2>&1; then
        as_user="setpriv --bounding-set=-dac_override,-dac_read_search --"
    else
        echo "note: running as root without setpriv; unreadable folders are read" >&2
    fi
fi

echo "Making the tree in $tree ..."
"$driver" make "$tree"
folders=$(find "$tree" -type d 2>/dev/null | wc -l)
files=$(find "$tree" -type f 2>/dev/null | wc -l)
echo "  $folders folders, $files files"

now_ns() { date +%s%N; }

# Warm the cache, then run the two in turns so that other load on the
# machine weighs on both alike; the fastest run of each counts.
$as_user find "$tree" -iname '*.epub' >/dev/null 2>&1 || true
$as_user "$driver" add "$tree" 1 >/dev/null
find_best=""
add_best=""
add_kb=""
for _ in $(seq "$runs"); do
    start=$(now_ns)
    $as_user find "$tree" -iname '*.epub' >/dev/null 2>&1 || true
    elapsed=$(( ($(now_ns) - start) / 1000000 ))
    if [ -z "$find_best" ] || [ "$elapsed" -lt "$find_best" ]; then find_best=$elapsed; fi
    result=$($as_user /usr/bin/time -f %M -o "$work/add.kb" "$driver" add "$tree" 1)
    kb=$(tail -n 1 "$work/add.kb")
    if [ -z "$add_kb" ] || [ "$kb" -gt "$add_kb" ]; then add_kb=$kb; fi
    elapsed=$(echo "$result" | awk '{print $4}')
    add_rows=$(echo "$result" | awk '{print $2}')
    if [ -z "$add_best" ] || [ "$elapsed" -lt "$add_best" ]; then add_best=$elapsed; fi
done
find_count=$($as_user find "$tree" -iname '*.epub' 2>/dev/null | wc -l || true)

echo
printf '%-34s %8s %10s\n' "" "matches" "best ms"
printf '%-34s %8s %10s\n' "find -iname '*.epub'" "$find_count" "$find_best"
printf '%-34s %8s %10s\n' "Add All EPUB Files In Folder" "$add_rows" "$add_best"
awk -v a="$add_best" -v f="$find_best" 'BEGIN {
    if (f < 1) f = 1;
    r = a / f;
    printf "ratio %.2f (goal: at most 3) %s\n", r, (r <= 3 ? "met" : "NOT met");
}'
echo "(find also lists hidden files and lock files, which Add All leaves out)"
[ -z "${BENCH_ROWS:-}" ] || awk -v a="$add_best" -v f="$find_best" -v kb="$add_kb" -v files="$files" 'BEGIN {
    if (f < 1) f = 1;
    r = a / f;
    printf "Add All on %d files vs find -iname\t%d\t%d\tms\t%.2f\tratio <= 3\t%.1f MB\t%s\n",
        files, a, f, r, kb / 1024, (r <= 3 ? "met" : "not met") }' >>"$BENCH_ROWS"
