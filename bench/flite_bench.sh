#!/bin/sh
# Times the conversion of a book with Flite's slt voice through the program's
# own run (the start button's run over the real chain, driven by
# convert_bench with BENCH_VOICE=cmu_us_slt) against the plain chain on the
# same book:
#   ebook-convert book.epub book.txt
#   flite -voice slt -f book.txt -o book.wav
#   lame -h book.wav book.mp3
# at speed 0 (the voice's own pace) and full volume. Prints the fastest of
# RUNS runs of each and their ratio (goal: at most 1.10), for a short book
# (trees.epub) and one holding its text LONG times, the program's peak
# memory on both (goal: the same, at most 1.10 times), and then every Flite
# voice speaking the short book's text alone, through the program and
# through flite, with its real-time factor (seconds of work per second of
# speech).
#
#   bench/flite_bench.sh
#
#   BUILD_DIR  Release build tree to use (default: build-bench)
#   RUNS       runs of each measurement, the fastest kept (default: 3)
#   LONG       copies of the short book's text in the long book (default: 6)
#   BENCH_ROWS when set, a file that gets one tab-separated row per
#              comparison (name, program, plain, unit, ratio, goal, peak, met)
#   BENCH_BUILT when set, the Release tree is taken as built (bench/run.sh)
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
runs=${RUNS:-3}
long=${LONG:-6}

bench_begin flite-bench convert_bench
driver=$build/bin/convert_bench

# CPU time (user and system, microseconds) of a command and the tools it
# waited for, from /usr/bin/time's "%U %S" in file $1.
cpu_us() { tail -n 1 "$1" | awk '{ printf "%d", ($1 + $2) * 1e6 }'; }

# One run of the program: wall time (microseconds), its own peak memory (KB),
# the seconds of audio it made and the CPU time of it and its tools, from an
# empty working folder.
run_program() {
    dir=$work/run
    mkdir -p "$dir/temp" "$dir/out"
    start=$(now_us)
    line=$(BENCH_VOICE=cmu_us_slt TEMP="$dir/temp" /usr/bin/time -o "$work/cpu" -f '%U %S' \
        "$driver" "$dir/out" 0 100 "$1" 2>>"$work/run.log")
    took=$(($(now_us) - start))
    [ "$(field ok "$line")" = 1 ] || { echo "the run failed: $line" >&2; exit 1; }
    echo "$took $(field peak_kb "$line") $(audio_seconds "$dir/out/"*.mp3) $(cpu_us "$work/cpu")"
    rm -rf "$dir"
}

# The same for the plain chain, with the peak memory of its largest tool.
run_plain() {
    dir=$work/plain
    mkdir -p "$dir"
    chain="ebook-convert '$1' '$dir/book.txt' >/dev/null 2>&1 &&
        flite -voice slt -f '$dir/book.txt' -o '$dir/book.wav' 2>/dev/null &&
        lame --quiet -h '$dir/book.wav' '$dir/book.mp3'"
    start=$(now_us)
    /usr/bin/time -o "$work/cpu" -f '%U %S %M' sh -c "$chain" >/dev/null 2>&1
    took=$(($(now_us) - start))
    [ -s "$dir/book.mp3" ] || { echo "the plain chain failed" >&2; exit 1; }
    kb=$(tail -n 1 "$work/cpu" | awk '{ print $3 }')
    echo "$took $kb $(audio_seconds "$dir/book.mp3") $(cpu_us "$work/cpu")"
    rm -rf "$dir"
}

# The two sides take turns, so that other work on the machine weighs on both
# alike; the fastest run of each and the largest peak are kept.
compare() {
    rbest= rpeak=0 rcpu= pbest= ppeak=0 pcpu=
    for i in $(seq "$runs"); do
        if [ $((i % 2)) -eq 1 ]; then order="program plain"; else order="plain program"; fi
        for side in $order; do
            if [ "$side" = program ]; then
                set -- "$1" $(run_program "$1")
                if [ -z "$rbest" ] || [ "$2" -lt "$rbest" ]; then rbest=$2; fi
                if [ -z "$rcpu" ] || [ "$5" -lt "$rcpu" ]; then rcpu=$5; fi
                [ "$3" -gt "$rpeak" ] && rpeak=$3
                raudio=$4
            else
                set -- "$1" $(run_plain "$1")
                if [ -z "$pbest" ] || [ "$2" -lt "$pbest" ]; then pbest=$2; fi
                if [ -z "$pcpu" ] || [ "$5" -lt "$pcpu" ]; then pcpu=$5; fi
                [ "$3" -gt "$ppeak" ] && ppeak=$3
                paudio=$4
            fi
        done
    done
    echo "$rbest $rpeak $raudio $pbest $ppeak $paudio $rcpu $pcpu"
}

ebook-convert "$books/trees.epub" "$work/seed.txt" >/dev/null 2>&1
make_repeated_book "$work/seed.txt" "$long" "$work/trees-x$long.epub"

echo "Flite's slt at its own pace, volume 100, $runs runs each; load $(cut -d ' ' -f 1-3 /proc/loadavg)"
: >"$work/peaks"
for book in "$books/trees.epub" "$work/trees-x$long.epub"; do
    name=$(basename "$book")
    set -- $(compare "$book")
    awk -v name="$name" -v run="$1" -v rkb="$2" -v ra="$3" -v plain="$4" -v pkb="$5" -v pa="$6" \
        -v rc="$7" -v pc="$8" 'BEGIN {
        printf "%s\n", name
        printf "  program  %8.2f s   CPU %7.2f s   peak %6.1f MB (the program itself)   audio %5.1f min\n",
            run / 1e6, rc / 1e6, rkb / 1024, ra / 60
        printf "  plain    %8.2f s   CPU %7.2f s   peak %6.1f MB (its largest tool)     audio %5.1f min\n",
            plain / 1e6, pc / 1e6, pkb / 1024, pa / 60
        printf "  ratio    %.3f (time), %.3f (CPU time)\n", run / plain, rc / pc }'
    row "$(awk -v name="$name" -v run="$1" -v rkb="$2" -v ra="$3" -v plain="$4" -v pkb="$5" \
        -v rc="$7" -v pc="$8" 'BEGIN {
        r = run / plain
        printf "Conversion of %s (%.1f min) with Flite slt: program run vs flite -voice slt + lame -h", name, ra / 60
        printf " (CPU time ratio %.3f)\t", rc / pc
        printf "%.2f\t%.2f\ts\t%.3f\tratio <= 1.10, peak < 150 MB\t%.1f MB (plain chain: %.1f MB)\t%s",
            run / 1e6, plain / 1e6, r, rkb / 1024, pkb / 1024,
            (r <= 1.10 && rkb < 150 * 1024) ? "met" : "not met" }')"
    echo "$name $3 $2" >>"$work/peaks"
done
# The program's peak memory on the long book against the short one.
summary=$(sort -n -k 2 "$work/peaks" | awk 'NR == 1 { sn = $1; sa = $2; skb = $3 }
    { ln = $1; la = $2; lkb = $3 } END {
    r = lkb / skb
    printf "Program run peak memory with Flite slt, %s (%.1f min) vs %s (%.1f min)\t%.1f\t-\tMB\t%.3f\t",
        ln, la / 60, sn, sa / 60, lkb / 1024, r
    printf "ratio <= 1.10 (flat)\t%.1f MB vs %.1f MB\t%s", lkb / 1024, skb / 1024,
        (r <= 1.10 ? "met" : "not met") }')
echo "$summary" | awk -F '\t' '{ printf "%s: ratio %s (%s)\n", $1, $5, $8 }'
row "$summary"

# Every voice speaking the short book's text alone: the program (resampled to
# 22 050 Hz, events and all) against flite itself, fastest of RUNS each.
echo "Each voice speaking trees.epub's text alone (real-time factor: wall seconds per second of speech)"
for voice in slt rms awb kal16 kal; do
    pbest= fbest= cpu=0 audio=0
    for _ in $(seq "$runs"); do
        line=$("$driver" --speak "cmu_us_$voice" 0 "$work/seed.txt" "$work/voice.wav" 2>/dev/null)
        wall=$(field wall_us "$line")
        if [ -z "$pbest" ] || [ "$wall" -lt "$pbest" ]; then
            pbest=$wall cpu=$(field cpu_us "$line") audio=$(field audio_ms "$line")
        fi
        start=$(now_us)
        flite -voice "$voice" -f "$work/seed.txt" -o "$work/plain.wav" 2>/dev/null
        took=$(($(now_us) - start))
        if [ -z "$fbest" ] || [ "$took" -lt "$fbest" ]; then fbest=$took; fi
    done
    line=$(awk -v v="$voice" -v p="$pbest" -v f="$fbest" -v c="$cpu" -v a="$audio" 'BEGIN {
        r = p / f
        printf "Flite %s speaking trees.epub alone (%.1f min): program vs flite -voice %s; ", v, a / 60000, v
        printf "real-time factor %.3f (CPU %.3f)\t%.2f\t%.2f\ts\t%.3f\tratio <= 1.10\t-\t%s",
            p / 1000 / a, c / 1000 / a, p / 1e6, f / 1e6, r, (r <= 1.10 ? "met" : "not met") }')
    echo "$line" | awk -F '\t' '{ printf "  %s: %s s vs %s s, ratio %s\n", $1, $2, $3, $5 }'
    row "$line"
done
