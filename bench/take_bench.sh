#!/usr/bin/env bash
# Times parvex-cli take writing a corrected copy of the first archive of the
# 1M-line pair with every differing value of the second, against cp of that
# archive plus the comparison by address of the pair, with the peak memory of
# each, the median of three runs. Usage: bench/take_bench.sh [BUILD_DIR] [LINES]
set -euo pipefail
build="${1:-build}"
lines="${2:-1000000}"
cli="$build/cli/parvex-cli"
source "$(dirname "$0")/bench_lib.sh"
bench_pair "$build" "$lines"

# The median of three runs: "milliseconds peak-kilobytes", each the middle
# one of its three.
measure() {
  local runs=()
  for _ in 1 2 3; do
    /usr/bin/time -o "$work/time" -f "%e %M" "$@" >/dev/null 2>&1 || true
    read -r seconds kb < <(tail -n 1 "$work/time")
    runs+=("$(awk -v s="$seconds" 'BEGIN { printf "%d", s * 1000 }') $kb")
  done
  local ms kb
  ms=$(printf '%s\n' "${runs[@]}" | cut -d' ' -f1 | sort -n | sed -n 2p)
  kb=$(printf '%s\n' "${runs[@]}" | cut -d' ' -f2 | sort -n | sed -n 2p)
  echo "$ms $kb"
}
read -r cp_ms cp_kb < <(measure cp "$a" "$work/copy.arc")
read -r cmp_ms cmp_kb < <(measure "$cli" archives "$a" "$b" --by-address --include-read-only \
  -o "$work/out.csv")
read -r take_ms take_kb < <(measure "$cli" take "$a" "$b" --include-read-only -o "$work/new.arc")
"$cli" take "$a" "$b" --include-read-only -o "$work/new.arc" 2>"$work/summary" >/dev/null
echo "lines per archive: $lines; $(tail -n 1 "$work/summary")"
echo "cp of the target:            ${cp_ms} ms, ${cp_kb} KB"
echo "comparison by address:       ${cmp_ms} ms, ${cmp_kb} KB"
echo "take (writes the new file):  ${take_ms} ms, ${take_kb} KB"
awk -v t="$take_ms" -v c="$cp_ms" -v m="$cmp_ms" -v tk="$take_kb" -v mk="$cmp_kb" 'BEGIN {
  printf "time: %.2fx of cp + comparison (target <= 2x); memory: %.2fx of the comparison (target <= 1x)\n",
         t / (c + m), tk / mk }'
