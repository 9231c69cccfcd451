#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The speed of the analysis on the largest design (16256 scores: seven factors of 2 levels and
# a factor S of 127), in one run:
#   - the engine: medians of the sums of squares alone and of whole analyses, and the most
#     memory each held at once, from bench_analysis_bench;
#   - varisect-cli analyze from process start to exit: the median wall clock over many runs and
#     their mean CPU time (the CPU time is the steadier figure on a busy machine);
#   - when valgrind is installed, the instructions one varisect-cli run executes, which do not
#     depend on the machine's other load;
#   - when Rscript is installed, R's aov() on the same data file and how many times longer it
#     takes than the whole varisect-cli run. R is not something the project needs; the
#     comparison is left out without it.
# The load average is printed before and after: the wall clocks are only comparable at a low one.
# Usage: bench/speed_report.sh [build-dir] [runs]
set -euo pipefail
build=${1:-build}
runs=${2:-200}
bench="$build/bench/bench_analysis_bench"
cli="$build/varisect-cli"
for program in "$bench" "$cli"; do
    [[ -x $program ]] || { echo "$program is missing: build it first (cmake --build $build)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
loadAverage() { cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo unknown; }
echo "== Load average at the start: $(loadAverage) ($(nproc) processors)"

# The same scores for the engine, the CLI and R.
awk 'BEGIN { srand(2026); for (i = 0; i < 16256; i++) printf "%.2f\r\n", 100 + 15 * (rand() + rand() + rand() - 1.5) }' \
    > "$work/largest.dat"

echo "== Engine: medians of 21 repetitions (wall clock, CPU time), and the most memory held at once"
# Each median is also kept in milliseconds ("name wall cpu") for the comparison with R.
VARISECT_BENCH_SCORES="$work/largest.dat" "$bench" --benchmark_format=csv 2>/dev/null | awk -F, -v kept="$work/engine" '
    NR == 1 { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); column[h] = i }; next }
    $1 ~ /_median"$/ {
        name = $1; gsub(/"/, "", name); sub(/\/.*/, "", name)
        printf "%-24s %8.1f %s wall %8.1f %s CPU", name, $3, $5, $4, $5
        if ("peak_KiB" in column && $(column["peak_KiB"]) != "")
            printf "   peak %6.1f KiB = %.2fx the scores in double", $(column["peak_KiB"]), $(column["peak_per_scores_in_double"])
        printf "\n"
        unit = $5; gsub(/"/, "", unit)
        scale = unit == "ns" ? 1e-6 : unit == "us" ? 1e-3 : unit == "ms" ? 1 : 1000
        printf "%s %.6f %.6f\n", name, $3 * scale, $4 * scale > kept
    }'
factors=(--factor A=2 --factor B=2 --factor C=2 --factor D=2 --factor E=2 --factor F=2 --factor G=2 --factor S=127)

# "median-wall-ms cpu-ms" of a command: the median of the wall clock of each run, timed by the
# shell's own clock, and the CPU time (user and system) of all the runs divided by their number.
# The CPU time is the runs' own, from the shell's account of its children, which `times` writes
# (run in this shell, not in a subshell of its own): the shell's work of starting each run is not
# counted. childrenCpu reads the seconds (user and system) from what `times` wrote.
childrenCpu() {
    awk 'NR == 2 { n = 0; for (i = 1; i <= 2; i++) { split($i, p, "m"); sub("s", "", p[2]); n += p[1] * 60 + p[2] }
                   printf "%.6f\n", n }' "$1"
}
measure() {
    local start end before after
    "$@" > /dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    : > "$work/times"
    times > "$work/cpu-before"
    for ((i = 0; i < runs; i++)); do
        start=$EPOCHREALTIME
        "$@" > /dev/null 2>&1
        end=$EPOCHREALTIME
        echo "$start $end" >> "$work/times"
    done
    times > "$work/cpu-after"
    before=$(childrenCpu "$work/cpu-before")
    after=$(childrenCpu "$work/cpu-after")
    awk '{ printf "%.4f\n", ($2 - $1) * 1000 }' "$work/times" | sort -g | awk -v cpu="$before $after" -v n="$runs" '
        { t[NR] = $1 }
        END {
            split(cpu, p, " ")
            printf "%.3f %.3f\n", (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2, (p[2] - p[1]) * 1000 / n
        }'
}

echo "== varisect-cli analyze, process start to exit: median wall clock and mean CPU time of $runs runs"
declare -A cli_wall cli_cpu
cases=(independent nested-independent repeated none nested-mixed)
declare -A case_args=(
    [independent]="--type independent --designate S"
    [nested-independent]="--type independent --designate S --nest B:A --nest C:A"
    [repeated]="--type repeated --designate S"
    [none]="--type none"
    [nested-mixed]="--type repeated --designate S --nest S:A --nest S:B"
)
for name in "${cases[@]}"; do
    read -r -a extra <<< "${case_args[$name]}"
    read -r wall cpu < <(measure "$cli" analyze "$work/largest.dat" "${factors[@]}" "${extra[@]}")
    cli_wall[$name]=$wall
    cli_cpu[$name]=$cpu
    printf '%-24s median %8.3f ms wall, %8.3f ms CPU\n' "$name" "$wall" "$cpu"
done

if command -v valgrind > /dev/null; then
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$cli" analyze "$work/largest.dat" "${factors[@]}" \
        --type independent --designate S 2> "$work/callgrind" > /dev/null || true
    printf '== varisect-cli analyze, independent: %s instructions from process start to exit (callgrind)\n' \
        "$(awk '/refs:/ { print $NF }' "$work/callgrind")"
fi

if ! command -v Rscript > /dev/null; then
    echo "== Load average at the end: $(loadAverage)"
    echo "== R: Rscript is not installed; no comparison with aov()"
    exit 0
fi
echo "== R aov() on the same scores: median of 11 fits (the data already read), against the same analysis"
echo "   in one process (the engine's median above) and against varisect-cli's whole run (start, read, print)"
cat > "$work/aov.R" << 'END_OF_R'
args <- commandArgs(trailingOnly = TRUE)
once <- length(args) > 1
y <- scan(args[1], quiet = TRUE)
lv <- c(2, 2, 2, 2, 2, 2, 2, 127)
names(lv) <- c("A", "B", "C", "D", "E", "F", "G", "S")
d <- data.frame(y = y)
step <- 1
for (f in names(lv)) {
    d[[f]] <- factor(rep(rep(seq_len(lv[[f]]), each = step), length.out = length(y)))
    step <- step * lv[[f]]
}
fits <- function(name, formula) {
    if (once) {
        # Rscript from start to exit: read the file, fit one model, print its table.
        if (name == args[2])
            invisible(capture.output(summary(aov(formula, data = d))))
        return(invisible())
    }
    aov(formula, data = d)
    t <- replicate(11, system.time(aov(formula, data = d)))
    cat(sprintf("%s %.3f %.3f\n", name, median(t["elapsed", ]) * 1000,
                median(t["user.self", ] + t["sys.self", ]) * 1000))
}
# Independent groups: S is the replicates factor, so the residual is the within-cells error.
fits("independent", y ~ A * B * C * D * E * F * G)
# B and C nested under A.
fits("nested-independent", y ~ (A / (B * C)) * D * E * F * G)
END_OF_R
declare -A engine_case=([independent]=IndependentGroups [nested-independent]=NestedIndependentGroups)
Rscript "$work/aov.R" "$work/largest.dat" | while read -r name wall cpu; do
    read -r _ ew ec < <(grep "^${engine_case[$name]} " "$work/engine")
    awk -v n="$name" -v w="$wall" -v c="$cpu" -v cw="${cli_wall[$name]}" -v cc="${cli_cpu[$name]}" \
        -v ew="$ew" -v ec="$ec" 'BEGIN {
        printf "%-24s R %9.3f ms wall, %9.3f ms CPU\n", n, w, c
        printf "%-24s   %.0fx the analysis in one process by wall clock, %.0fx by CPU time\n", "", w / ew, c / ec
        printf "%-24s   %.0fx the whole varisect-cli run by wall clock, %.0fx by CPU time\n", "", w / cw, c / cc }'
done
echo "== Rscript from start to exit (read the file, fit, summarize; median of 5 runs) against varisect-cli's whole run"
for name in independent nested-independent; do
    saved=$runs
    runs=5
    read -r wall cpu < <(measure Rscript "$work/aov.R" "$work/largest.dat" "$name")
    runs=$saved
    awk -v n="$name" -v w="$wall" -v c="$cpu" -v cw="${cli_wall[$name]}" -v cc="${cli_cpu[$name]}" 'BEGIN {
        printf "%-24s Rscript %9.3f ms wall, %9.3f ms CPU: %.0fx the CLI by wall clock, %.0fx by CPU time\n",
               n, w, c, w / cw, c / cc }'
done
echo "== Load average at the end: $(loadAverage)"
