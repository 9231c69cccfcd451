#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The speed of the analysis on the largest design (16256 scores: seven factors of 2 levels and
# a factor S of 127), in one run:
#   - the engine: medians of the sums of squares alone and of whole analyses, and the engine's
#     peak allocation, from bench_analysis_bench;
#   - varisect-cli analyze from process start to exit, median over many runs;
#   - when Rscript is installed, R's aov() on the same data file and the ratio of its median to
#     the CLI's. R is not something the project needs; the comparison is skipped without it.
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

echo "== Engine (median of 21 repetitions; peak allocation in KiB and per the scores' size in double)"
"$bench" --benchmark_format=csv 2>/dev/null | awk -F, '
    $1 ~ /_median"?$/ {
        name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
        time[name] = $4; unit[name] = $6; order[++n] = name
    }
    NR == 1 { for (i = 1; i <= NF; i++) column[$i] = i }
    $1 ~ /_median"?$/ && ("peak_KiB" in column) {
        name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
        peak[name] = $(column["peak_KiB"]); ratio[name] = $(column["peak_per_scores_in_double"])
    }
    END {
        for (i = 1; i <= n; i++) {
            name = order[i]
            printf "%-24s median %9.1f %s", name, time[name], unit[name]
            if (peak[name] != "")
                printf "   peak %7.1f KiB (%.2fx the scores in double)", peak[name], ratio[name]
            printf "\n"
        }
    }'

# The same scores for the CLI and for R.
awk 'BEGIN { srand(2026); for (i = 0; i < 16256; i++) printf "%.2f\r\n", 100 + 15 * (rand() + rand() + rand() - 1.5) }' \
    > "$work/largest.dat"
factors=(--factor A=2 --factor B=2 --factor C=2 --factor D=2 --factor E=2 --factor F=2 --factor G=2 --factor S=127)

# Median wall time of a command in milliseconds, timed by the shell's own clock.
median_ms() {
    local times=() start end
    "$@" > /dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    for ((i = 0; i < runs; i++)); do
        start=$EPOCHREALTIME
        "$@" > /dev/null 2>&1
        end=$EPOCHREALTIME
        times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) * 1000 }')")
    done
    printf '%s\n' "${times[@]}" | sort -g | awk '{ t[NR] = $1 } END { printf "%.3f", (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

echo "== varisect-cli analyze, process start to exit (median of $runs runs)"
declare -A cli_ms
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
    cli_ms[$name]=$(median_ms "$cli" analyze "$work/largest.dat" "${factors[@]}" "${extra[@]}")
    printf '%-24s median %8.3f ms\n' "$name" "${cli_ms[$name]}"
done

if ! command -v Rscript > /dev/null; then
    echo "== R: Rscript is not installed; no comparison with aov()"
    exit 0
fi
echo "== R aov() on the same file (the model fit alone, median of 11 calls) against the CLI's whole run"
cat > "$work/aov.R" <<'EOF'
args <- commandArgs(trailingOnly = TRUE)
y <- scan(args[1], quiet = TRUE)
lv <- c(2, 2, 2, 2, 2, 2, 2, 127)
names(lv) <- c("A", "B", "C", "D", "E", "F", "G", "S")
d <- data.frame(y = y)
step <- 1
for (f in names(lv)) {
    d[[f]] <- factor(rep(rep(seq_len(lv[[f]]), each = step), length.out = length(y)))
    step <- step * lv[[f]]
}
median_ms <- function(formula) {
    fit <- aov(formula, data = d)
    times <- replicate(11, system.time(aov(formula, data = d))[["elapsed"]])
    median(times) * 1000
}
# Independent groups: S is the replicates factor, so the residual is the within-cells error.
cat(sprintf("independent %.3f\n", median_ms(y ~ A * B * C * D * E * F * G)))
# B and C nested under A.
cat(sprintf("nested-independent %.3f\n", median_ms(y ~ (A / (B * C)) * D * E * F * G)))
EOF
Rscript "$work/aov.R" "$work/largest.dat" | while read -r name r_ms; do
    awk -v n="$name" -v r="$r_ms" -v c="${cli_ms[$name]}" \
        'BEGIN { printf "%-24s R aov median %9.3f ms, varisect-cli %8.3f ms: %.0fx\n", n, r, c, r / c }'
done
