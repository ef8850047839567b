#!/bin/sh
# Runs every benchmark of the project in one go and writes bench/results.md
# (each benchmark's figure beside the plain tool's, measured in the same run,
# their ratio, the goal and the peak memory) and bench/conversion-time.png
# (conversion time against book length, the program and the plain chain).
#
#   bench/run.sh
#
# It builds the Release tree once, runs cut_bench.sh, scan_bench.sh,
# convert_bench.sh, flite_bench.sh (a book with Flite's slt voice against
# flite -voice slt and lame -h; goal: at most 1.10 of the time, peak memory
# flat; and each Flite voice's real-time factor) and audio_length_bench.sh
# (how long the program's audio lasts against the plain chain's, goal within
# 5 %) and tags_bench.sh (what the title, cover and chapters add to a
# book's conversion; goal at most 2 %) and pronounce_bench.sh (a
# pronunciation list of 100 000 rules against none; goal at most 1.05 of the
# time) and japanese_bench.sh (minutes of audio per 1 000 characters of a
# Japanese book, goal 2.5 to 4.5; the MeCab step, goal at most 5 % of the
# conversion) and chinese_bench.sh (the characters of Unihan's kHanyuPinlu
# read in English, goal none; minutes of audio per 1 000 characters of
# Chinese, goal 3.3 to 4.2) and m4b_bench.sh (an M4B book against
# ebook-convert + espeak-ng + ffmpeg -c:a aac, goal at most 1.05; cutting
# into a file per chapter, goal at most 3 % of the run), then measures two things of its own
# with vellumtone-cli:
#   - a batch of four English test books with --jobs 2 against --jobs 1
#     --threads 1, one book at a time on one core (goal: at most 0.55 of
#     the time), and --jobs 1 on every core beside them, and
#   - one book made of the seed book's text repeated LENGTHS times, through
#     vellumtone-cli and through the plain chain
#       ebook-convert book.epub book.txt
#       espeak-ng -v gmw/en -a VOLUME -s WPM [-g GAP] -w book.wav -f book.txt
#       lame -h book.wav book.mp3
#     (goal: at most 1.10 of the time; the program's peak memory flat).
# The two sides of every comparison take turns, so that other load on the
# machine weighs on both alike; the fastest run of each side counts.
#
#   BUILD_DIR      Release build tree (default: build-bench)
#   BENCH_DIR      where the books, texts and trees go (default: $TMPDIR or /tmp)
#   RUNS           runs of every measurement; without it each takes its own:
#                  cutting 3, folder scan 5, conversion 3, jobs 4, lengths 2
#   LENGTHS        copies of the seed text in the length series
#                  (default: "1 2 4 8 16", at least four)
#   SEED           test book whose text is repeated (default: trees)
#   SPEED, VOLUME  the speed (-10..10) and volume (0..100) used (default: 0, 100)
#   SAMPLE_EVERY   seconds between two memory samples (default: 0.2)
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/bench/common.sh"
lengths=${LENGTHS:-1 2 4 8 16}
seed=${SEED:-trees}
every=${SAMPLE_EVERY:-0.2}
jobs_runs=${RUNS:-4}
length_runs=${RUNS:-2}
voice="English (Great Britain)" # the espeak-ng voice gmw/en
results=$repo/bench/results.md
chart=$repo/bench/conversion-time.png

began=$(now_us)
load_before=$(cut -d ' ' -f 1-3 /proc/loadavg)

echo "== Building the Release tree in $build"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVT_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target vellumtone-cli convert_bench cut_bench scan_bench -j2 >/dev/null
cli=$build/bin/vellumtone-cli

work=$(mktemp -d -p "${BENCH_DIR:-${TMPDIR:-/tmp}}" run-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
rows=$work/rows.tsv
: >"$rows"
export BENCH_ROWS="$rows" BENCH_BUILT=1 BUILD_DIR="$build" SPEED="$speed" VOLUME="$volume"

# Each section's rows get the machine's 1-minute load average at its start
# and end, since other work on the machine sways the figures.
load1() { cut -d ' ' -f 1 /proc/loadavg; }
begin_section() {
    echo "== $1"
    mark=$(wc -l <"$rows")
    load_at=$(load1)
}
end_section() {
    awk -v from="$mark" -v load="$load_at to $(load1)" 'NR > from { $0 = $0 "\t" load } { print }' \
        "$rows" >"$rows.new"
    mv "$rows.new" "$rows"
}

begin_section "Text cutting (cut_bench.sh)"
sh "$repo/bench/cut_bench.sh"
end_section
begin_section "Add All folder scan (scan_bench.sh)"
sh "$repo/bench/scan_bench.sh"
end_section
begin_section "Conversion through the program's own run (convert_bench.sh)"
sh "$repo/bench/convert_bench.sh"
end_section
begin_section "Title, cover and chapters (tags_bench.sh)"
sh "$repo/bench/tags_bench.sh"
end_section
begin_section "A pronunciation list of 100 000 rules (pronounce_bench.sh)"
sh "$repo/bench/pronounce_bench.sh"
end_section
begin_section "Japanese through MeCab (japanese_bench.sh)"
sh "$repo/bench/japanese_bench.sh"
end_section
begin_section "Chinese heard as Mandarin (chinese_bench.sh)"
sh "$repo/bench/chinese_bench.sh"
end_section
begin_section "M4B books and files per chapter (m4b_bench.sh)"
sh "$repo/bench/m4b_bench.sh"
end_section
begin_section "One long book on every core (threads_bench.sh)"
sh "$repo/bench/threads_bench.sh"
end_section

begin_section "Conversion and speaking with Flite's voices (flite_bench.sh)"
sh "$repo/bench/flite_bench.sh"
end_section
begin_section "Audio length against the plain chain (audio_length_bench.sh)"
sh "$repo/bench/audio_length_bench.sh"
end_section

# --- Memory of a process tree --------------------------------------------

# Samples process $1 and all its descendants until it ends; then writes
# "own tree" to $2: its own peak resident size (VmHWM, KB) and the largest
# sum of proportional set sizes (Pss, KB) over the whole tree seen in one
# sample, so that pages the processes share count once.
sample_tree() {
    own=0 tree=0
    while [ -d "/proc/$1" ]; do
        set -- "$1" "$2" $(ps -e -o pid=,ppid= | awk -v root="$1" '
            { parent[$1] = $2 }
            END {
                tree[root] = 1
                do {
                    grew = 0
                    for (p in parent)
                        if (!(p in tree) && (parent[p] in tree)) { tree[p] = 1; grew = 1 }
                } while (grew)
                for (p in tree) {
                    f = "/proc/" p "/smaps_rollup"
                    while ((getline line < f) > 0)
                        if (line ~ /^Pss:/) { split(line, a, " "); pss += a[2] }
                    close(f)
                }
                f = "/proc/" root "/status"
                while ((getline line < f) > 0)
                    if (line ~ /^VmHWM:/) { split(line, a, " "); hwm = a[2] }
                close(f)
                print hwm + 0, pss + 0
            }')
        [ "$3" -gt "$own" ] && own=$3
        [ "$4" -gt "$tree" ] && tree=$4
        set -- "$1" "$2"
        sleep "$every"
    done
    echo "$own $tree" >"$2"
}

# Runs a command with its output in $work/cmd.out and cmd.err and sets
# took_us (wall time), own_kb and tree_kb (see sample_tree). The same sampler
# watches both sides of every comparison.
measure() {
    start=$(now_us)
    "$@" >"$work/cmd.out" 2>"$work/cmd.err" &
    pid=$!
    sample_tree "$pid" "$work/sample" &
    sampler=$!
    status=0
    wait "$pid" || status=$?
    took_us=$(($(now_us) - start))
    wait "$sampler"
    read -r own_kb tree_kb <"$work/sample"
    return "$status"
}

fail() {
    echo "$1" >&2
    cat "$work/cmd.err" >&2
    exit 1
}

# --- --jobs 2 against --jobs 1 ------------------------------------------

# The longest book first, as anyone batching books of known length would.
batch="wasteland cc-shared-culture trees hefty-water"
batch_jobs() {
    rm -rf "$work/jobs"
    mkdir -p "$work/jobs/out" "$work/jobs/temp"
    set -- "$1" "$2"
    for book in $batch; do set -- "$@" "$books/$book.epub"; done
    jobs=$1
    threads=$2
    shift 2
    measure env TEMP="$work/jobs/temp" "$cli" --voice "$voice" --volume "$volume" --rate "$speed" \
        --jobs "$jobs" $threads --out "$work/jobs/out" "$@" || fail "vellumtone-cli --jobs $jobs failed"
    [ "$(grep -c '\.mp3$' "$work/cmd.out")" -eq 4 ] || fail "vellumtone-cli --jobs $jobs: not 4 books"
}

# Three sides: --jobs 2 (the cores shared among two books), --jobs 1 on
# every core, and --jobs 1 --threads 1 (one book at a time on one core, as
# before books were encoded on every core).
begin_section "A batch of four books: --jobs 2 against --jobs 1 ($jobs_runs runs each)"
best1= best2= best0= tree1=0 tree2=0
for i in $(seq "$jobs_runs"); do
    # Each side goes first in turn.
    case $((i % 3)) in
    1) order="2 1 0" ;;
    2) order="1 0 2" ;;
    *) order="0 2 1" ;;
    esac
    for side in $order; do
        case $side in
        0) batch_jobs 1 "--threads 1" ;;
        *) batch_jobs "$side" "" ;;
        esac
        echo "  side $side: $(awk -v t="$took_us" 'BEGIN { printf "%.2f", t / 1e6 }') s," \
            "tree peak $((tree_kb / 1024)) MB"
        case $side in
        0) if [ -z "$best0" ] || [ "$took_us" -lt "$best0" ]; then best0=$took_us; fi ;;
        1)
            if [ -z "$best1" ] || [ "$took_us" -lt "$best1" ]; then best1=$took_us; fi
            [ "$tree_kb" -gt "$tree1" ] && tree1=$tree_kb
            ;;
        2)
            if [ -z "$best2" ] || [ "$took_us" -lt "$best2" ]; then best2=$took_us; fi
            [ "$tree_kb" -gt "$tree2" ] && tree2=$tree_kb
            ;;
        esac
    done
done
awk -v b0="$best0" -v b1="$best1" -v b2="$best2" -v t1="$tree1" -v t2="$tree2" -v books="$batch" 'BEGIN {
    r = b2 / b0
    gsub(/ /, ", ", books)
    printf "Batch of 4 books (%s) with vellumtone-cli --jobs 2 vs --jobs 1 --threads 1\t%.2f\t%.2f\ts\t%.3f\t", books,
        b2 / 1e6, b0 / 1e6, r
    printf "ratio <= 0.55\t--jobs 1 on every core %.2f s (--jobs 2: %.3f of it); %.1f MB whole tree (--jobs 1: %.1f MB)\t%s\n",
        b1 / 1e6, b2 / b1, t2 / 1024, t1 / 1024, (r <= 0.55 ? "met" : "not met") }' >>"$rows"
end_section

# --- Conversion time against book length -----------------------------------

# An EPUB book holding the text of the seed book $1 times.
make_book() {
    make_repeated_book "$work/seed.txt" "$1" "$work/length-$1.epub"
}

minutes() {
    ffprobe -v error -show_entries format=duration -of csv=p=0 "$1" | awk '{ printf "%.1f", $1 / 60 }'
}

engine=$("$build/bin/convert_bench" --engine-speed "$speed")
wpm=$(echo "$engine" | sed 's/.*wpm=\([0-9]*\).*/\1/')
gap=$(echo "$engine" | sed 's/.*gap=\([0-9]*\).*/\1/')
gap_option=
[ "$gap" -gt 0 ] && gap_option="-g $gap"

# One book through vellumtone-cli, from an empty working folder.
length_program() {
    rm -rf "$work/prog"
    mkdir -p "$work/prog/out" "$work/prog/temp"
    measure env TEMP="$work/prog/temp" "$cli" --voice "$voice" --volume "$volume" --rate "$speed" \
        --out "$work/prog/out" "$work/length-$1.epub" || fail "vellumtone-cli failed on length $1"
}

# The same book through the plain chain.
length_plain() {
    rm -rf "$work/plain"
    mkdir -p "$work/plain"
    d=$work/plain
    measure sh -c "ebook-convert '$work/length-$1.epub' '$d/book.txt' >/dev/null 2>&1 &&
        espeak-ng -v gmw/en -a $volume -s $wpm $gap_option -w '$d/book.wav' -f '$d/book.txt' &&
        lame --quiet -h '$d/book.wav' '$d/book.mp3'" || fail "the plain chain failed on length $1"
}

ebook-convert "$books/$seed.epub" "$work/seed.txt" >/dev/null 2>&1
begin_section "Conversion time against book length: $seed.epub's text repeated $lengths times \
($length_runs runs each; speed $speed = $wpm words a minute, gap $gap; volume $volume)"
: >"$work/lengths.tsv"
for n in $lengths; do
    make_book "$n"
    pbest= pown=0 ptree=0 cbest= ctree=0
    for i in $(seq "$length_runs"); do
        if [ $((i % 2)) -eq 1 ]; then order="program plain"; else order="plain program"; fi
        for side in $order; do
            if [ "$side" = program ]; then
                length_program "$n"
                if [ -z "$pbest" ] || [ "$took_us" -lt "$pbest" ]; then pbest=$took_us; fi
                [ "$own_kb" -gt "$pown" ] && pown=$own_kb
                [ "$tree_kb" -gt "$ptree" ] && ptree=$tree_kb
                audio=$(minutes "$work/prog/out/length-$n.mp3")
            else
                length_plain "$n"
                if [ -z "$cbest" ] || [ "$took_us" -lt "$cbest" ]; then cbest=$took_us; fi
                [ "$tree_kb" -gt "$ctree" ] && ctree=$tree_kb
                chars=$(LC_ALL=C.UTF-8 wc -m <"$work/plain/book.txt")
                plain_audio=$(minutes "$work/plain/book.mp3")
            fi
        done
    done
    rm -rf "$work/prog" "$work/plain" "$work/length-$n.epub"
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$n" "$chars" "$audio" "$plain_audio" \
        "$pbest" "$cbest" "$pown" "$ptree" "$ctree" >>"$work/lengths.tsv"
    awk -v n="$n" -v c="$chars" -v a="$audio" -v p="$pbest" -v q="$cbest" -v o="$pown" 'BEGIN {
        printf "  x%-3d %7d characters  %6.1f min  program %7.2f s  plain %7.2f s  ratio %.3f  program peak %.1f MB\n",
            n, c, a, p / 1e6, q / 1e6, p / q, o / 1024 }'
done
awk -F '\t' -v seed="$seed" '{
    r = $5 / $6
    printf "Conversion of %s x%d (%d characters, %.1f min): vellumtone-cli vs plain chain\t", seed, $1, $2, $3
    printf "%.2f\t%.2f\ts\t%.3f\tratio <= 1.10, peak < 150 MB\t%.1f MB (plain chain: %.1f MB)\t%s\n",
        $5 / 1e6, $6 / 1e6, r, $7 / 1024, $9 / 1024, (r <= 1.10 && $7 < 150 * 1024) ? "met" : "not met"
}' "$work/lengths.tsv" >>"$rows"
awk -F '\t' -v seed="$seed" 'NR == 1 { sn = $1; skb = $7 } { ln = $1; lkb = $7 } END {
    r = lkb / skb
    printf "vellumtone-cli peak memory, %s x%d vs x%d\t%.1f\t-\tMB\t%.3f\t", seed, ln, sn, lkb / 1024, r
    printf "ratio <= 1.10 (flat)\t%.1f MB vs %.1f MB\t%s\n", lkb / 1024, skb / 1024, (r <= 1.10 ? "met" : "not met")
}' "$work/lengths.tsv" >>"$rows"
end_section

# --- The chart --------------------------------------------------------------

awk -F '\t' '{ printf "%.1f %.3f %.3f %.1f %.1f %.1f %.1f\n", $2 / 1000, $5 / 1e6, $6 / 1e6, $3,
    $7 / 1024, $8 / 1024, $9 / 1024 }' \
    "$work/lengths.tsv" >"$work/chart.dat"
gnuplot <<GNUPLOT
set terminal pngcairo size 900,820 font "Liberation Sans,11"
set output "$chart"
set multiplot
set size 1,0.66
set origin 0,0.34
set title "Conversion time against book length ($seed.epub's text repeated; $(nproc) cores, fastest of $length_runs runs)"
set xlabel "book length (thousand characters of text; labels: minutes of audio the program made)"
set ylabel "wall time (s)"
set key top left Left reverse box opaque
set grid
set xrange [0:*]
set yrange [0:*]
set offsets 0, graph 0.03, graph 0.1, 0
plot "$work/chart.dat" using 1:2 with linespoints lw 2 pt 7 title "vellumtone-cli (one book)", \
     "" using 1:3 with linespoints lw 2 pt 5 dt 2 title "plain chain: ebook-convert, espeak-ng -w, lame -h", \
     "" using 1:2:(sprintf("%s min", stringcolumn(4))) with labels offset 0,1.2 notitle
set size 1,0.34
set origin 0,0
set offsets 0, graph 0.03, 0, 0
set title "Peak memory against book length (sampled every $every s)"
set xlabel "book length (thousand characters of text)"
set ylabel "peak memory (MB)"
set key right center Left reverse box opaque
plot "$work/chart.dat" using 1:5 with linespoints lw 2 pt 7 title "vellumtone-cli itself", \
     "" using 1:6 with linespoints lw 2 pt 9 title "vellumtone-cli with its tools", \
     "" using 1:7 with linespoints lw 2 pt 5 dt 2 title "plain chain (its largest tool)"
unset multiplot
GNUPLOT

# --- The report -------------------------------------------------------------

took_min=$(awk -v t="$(($(now_us) - began))" 'BEGIN { printf "%.1f", t / 6e7 }')
load_after=$(cut -d ' ' -f 1-3 /proc/loadavg)
commit=$(git -C "$repo" rev-parse --short HEAD)
if [ -n "$(git -C "$repo" status --porcelain -- src CMakeLists.txt 'bench/*.cpp' bench/CMakeLists.txt)" ]; then
    commit="$commit, with uncommitted changes in src/ at the time (the tree is shared)"
fi
{
    echo "# Performance report"
    echo
    echo "Made by \`bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC') in $took_min minutes."
    echo
    echo "- Machine: $(nproc) cores ($(grep -m 1 'model name' /proc/cpuinfo | sed 's/.*: //')), $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) of memory, Debian $(cat /etc/debian_version)"
    echo "- Load average (1, 5, 15 min) before the run: $load_before; after: $load_after (other work was running on the machine)"
    echo "- Code: commit $commit, Release build"
    echo "- Tools: $(ebook-convert --version 2>/dev/null | head -n 1), $(espeak-ng --version | head -n 1 | sed 's/ *Data at.*//'), $(flite --version 2>&1 | sed -n 's/.*version: \([^ ]*\).*/\1/p'), $(lame --version 2>&1 | head -n 1 | sed 's/ (http.*//')"
    echo
    echo "| Benchmark | Project | Plain tool | Ratio | Goal | Met | Peak memory (project) | Load |"
    echo "|---|---:|---:|---:|---|---|---|---|"
    awk -F '\t' '{
        for (i = 1; i <= NF; ++i) gsub(/\|/, "\\|", $i)
        unit = ($4 == "MB") ? " MB" : " " $4
        plain = ($3 == "-") ? "-" : $3 unit
        goal = $6; gsub(/<=/, "≤", goal)
        met = ($8 == "met") ? "met" : "**not met**"
        printf "| %s | %s%s | %s | %s | %s | %s | %s | %s |\n", $1, $2, unit, plain, $5, goal, met, $7, $9
    }' "$rows"
    echo
    echo "## Conversion time against book length"
    echo
    echo "One book made of the text of \`$seed.epub\` repeated, through \`vellumtone-cli\` (one book: converted in"
    echo "the program's own process) and through the plain chain on the same book. Fastest of $length_runs runs each."
    echo
    echo "| Copies | Characters of text | Audio (program / plain) | vellumtone-cli | Plain chain | Ratio | Program's own peak | Program with its tools | Plain chain's peak |"
    echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
    awk -F '\t' '{
        printf "| %d | %d | %.1f / %.1f min | %.2f s | %.2f s | %.3f | %.1f MB | %.1f MB | %.1f MB |\n",
            $1, $2, $3, $4, $5 / 1e6, $6 / 1e6, $5 / $6, $7 / 1024, $8 / 1024, $9 / 1024 }' "$work/lengths.tsv"
    echo
    echo "![Conversion time against book length](conversion-time.png)"
    echo
    echo "## How the figures were taken"
    echo
    echo "- Load: the machine's 1-minute load average at the start and the end of the benchmark's section; other"
    echo "  helpers' builds and tests ran on the same 2 cores. \`--jobs 2\` needs a free second core, which turn-taking"
    echo "  cannot give it, so its ratio suffers most from that load."
    echo "- Every comparison runs its two sides in turns (\`vellumtone-cli\` and the plain chain, \`--jobs 1\` and \`--jobs 2\`;"
    echo "  run.sh swaps which side goes first from one run to the next), so that other load on this shared machine weighs"
    echo "  on both alike; the fastest run of each side counts. Times are wall-clock times."
    echo "- Text cutting (\`cut_bench.sh\`, ${RUNS:-3} runs): the cutter's own time inside its driver against \`tr -c ... | tr A-Z a-z\`"
    echo "  on the same text; peak memory is the driver's maximum resident size."
    echo "- Folder scan (\`scan_bench.sh\`, ${RUNS:-5} runs): Add All through the core against \`find DIR -iname '*.epub'\` on a tree of"
    echo "  100 000 files in 5 000 folders, warm cache; peak memory is the driver's maximum resident size."
    echo "- Conversion (\`convert_bench.sh\`, ${RUNS:-3} runs): the start button's run driven in one process against"
    echo "  \`ebook-convert\`, \`espeak-ng -v gmw/en -a $volume -s $wpm -w\` and \`lame -h\` one after the other; the program's"
    echo "  peak is its own maximum resident size, the plain chain's that of its largest tool."
    echo "- Flite (\`flite_bench.sh\`, ${RUNS:-3} runs): the start button's run with Flite's slt voice at speed 0 (its own"
    echo "  pace) against \`ebook-convert\`, \`flite -voice slt -f\` and \`lame -h\` on trees.epub and on a book of its text"
    echo "  repeated; then each Flite voice speaking trees.epub's text alone through the program (resampled to 22 050 Hz)"
    echo "  against \`flite -voice V\` (16 kHz; kal 8 kHz), with the real-time factor: wall (and CPU) seconds per second"
    echo "  of speech."
    echo "- \`--jobs\` ($jobs_runs runs each): \`vellumtone-cli --jobs N --out DIR\` on $(echo "$batch" | sed 's/\([a-z-]*\)/\1.epub/g; s/ /, /g'),"
    echo "  longest first; every book goes to a child process of its own. \`--jobs 1\` encodes each book on every core,"
    echo "  so \`--jobs 2\` is compared with \`--jobs 1 --threads 1\` (one book at a time on one core), and"
    echo "  \`--jobs 1\` on every core is given beside it. Peak memory is of the whole process tree"
    echo "  (the parent, its children and their tools)."
    echo "- One long book (\`threads_bench.sh\`, ${RUNS:-2} runs): the start button's run (\`convert_bench\`) on every core,"
    echo "  and with \`--threads 1\`, against \`ebook-convert\`, \`espeak-ng\` and \`lame -h\` one after the other, on"
    echo "  bench/data/moby-dick.epub whole and on hefty-water.epub (about 5 minutes of speech); $(nproc) cores"
    echo "  ($(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1))."
    echo "- Peak memory in run.sh's own measurements is sampled every $every s from /proc: the program's own peak is its"
    echo "  VmHWM; a process tree's peak is the largest sum of the processes' Pss seen in one sample (shared pages count"
    echo "  once; a short spike between two samples can be missed)."
    echo "- Book lengths: the text that \`ebook-convert\` makes of each book, in characters; audio minutes from the MP3s."
    echo "- Audio length (\`audio_length_bench.sh\`): \`vellumtone-cli --voice \"English (Great Britain)\"\` against \`ebook-convert\`,"
    echo "  \`espeak-ng -v en\` and \`lame -h\` on the same English book, same speed and volume; minutes from ffprobe."
    echo "  The program keeps every line end and sentence end as a pause, as espeak-ng does on the raw text; it leaves"
    echo "  out reference marks and contents pages and turns symbols into pauses, which the plain chain reads out."
    echo "- \"Flat\" memory: the peak on the longest book is at most 1.10 times the peak on the shortest."
} >"$results"

echo
echo "== Wrote $results and $chart ($took_min minutes)"
awk -F '\t' '{ printf "  %-9s %s (ratio %s, goal %s)\n", $8, $1, $5, $6 }' "$rows"
