#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times varisect-cli from process start to exit on the largest design (16256 scores: seven
# factors of 2 levels and a subjects factor of 127), for each kind of analysis.
# Usage: bench/cli_end_to_end.sh [path/to/varisect-cli] [runs]
set -euo pipefail
cli=${1:-build/varisect-cli}
runs=${2:-50}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

awk 'BEGIN { srand(2026); for (i = 0; i < 16256; i++) printf "%.2f\r\n", 100 + 15 * (rand() + rand() + rand() - 1.5) }' \
    > "$work/largest.dat"
factors=(--factor A=2 --factor B=2 --factor C=2 --factor D=2 --factor E=2 --factor F=2 --factor G=2 --factor S=127)

run_case() {
    local name=$1; shift
    local cmd=("$cli" analyze "$work/largest.dat" "${factors[@]}" "$@")
    "${cmd[@]}" > /dev/null 2>&1 || { echo "$name: varisect-cli failed" >&2; exit 1; }
    if command -v hyperfine > /dev/null; then
        hyperfine --warmup 3 --runs "$runs" --style basic -N "${cmd[*]}" 2>/dev/null | grep -E 'Time|Range' | sed "s/^/$name: /"
        return
    fi
    local times=()
    for ((i = 0; i < runs; i++)); do
        local start end
        start=$(date +%s%N)
        "${cmd[@]}" > /dev/null 2>&1
        end=$(date +%s%N)
        times+=($(( (end - start) / 1000 )))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk -v name="$name" '{ t[NR] = $1 } END {
        printf "%s: median %.2f ms, min %.2f ms, max %.2f ms over %d runs\n", name, t[int((NR + 1) / 2)] / 1000, t[1] / 1000, t[NR] / 1000, NR }'
}

run_case independent --type independent --designate S
run_case repeated --type repeated --designate S
run_case none --type none
run_case nested-mixed --type repeated --designate S --nest S:A --nest S:B
