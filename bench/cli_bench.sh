#!/usr/bin/env bash
# Times parvex-cli writing a CSV report for the 1M-line archive pair against
#   paste A B | awk -F'\t' '$3 != $7'
# on the same files, in one run. Usage: bench/cli_bench.sh [BUILD_DIR] [LINES]
set -euo pipefail
build="${1:-build}"
lines="${2:-1000000}"
source "$(dirname "$0")/bench_lib.sh"
bench_pair "$build" "$lines"

now() { date +%s%N; }
best() {  # best of three, in milliseconds
  local best=""
  for _ in 1 2 3; do
    local t0 t1
    t0=$(now)
    "$@" >/dev/null 2>&1 || true
    t1=$(now)
    local ms=$(((t1 - t0) / 1000000))
    if [[ -z "$best" || $ms -lt $best ]]; then best=$ms; fi
  done
  echo "$best"
}
cli_ms=$(best "$build/cli/parvex-cli" archives "$a" "$b" --include-read-only -o "$work/out.csv")
awk_ms=$(best bash -c "paste '$a' '$b' | awk -F'\t' '\$3 != \$7'")
rows=$(($(wc -l <"$work/out.csv") - 3))
echo "lines per archive: $lines, differences: $rows"
echo "parvex-cli -o out.csv:        ${cli_ms} ms"
echo "paste | awk:                  ${awk_ms} ms"
awk -v c="$cli_ms" -v a="$awk_ms" 'BEGIN { if (c > 0) printf "speed-up: %.1fx (target >= 10x)\n", a / c }'
