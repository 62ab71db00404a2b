#!/usr/bin/env bash
# What judging units costs the reference comparison, as instructions counted
# by valgrind (callgrind), which the load of other work on the machine does
# not change: `parvex-cli reference` on a generated fleet with units judged
# (the default) against the same with --ignore-units, in one run. Counted per
# archive, from the difference between the whole fleet and its first archive
# alone, so that starting the program and reading the reference are left
# out; the totals are shown too. Two references: the fleet's own, whose
# archives are compared as they are read, and the same with its last line
# twice, an address twice, so that every archive goes through tables.
# Usage: bench/units_bench.sh [BUILD_DIR] [ARCHIVES] [LINES]
set -euo pipefail
build="${1:-build}"
archives="${2:-50}"
lines="${3:-10000}"
source "$(dirname "$0")/bench_lib.sh"
bench_fleet "$build" "$archives" "$lines"
mkdir "$work/first"
cp "$(find "$work/fleet" -type f | sort | head -1)" "$work/first/"
# The same reference with its last line again.
{ cat "$work/reference.arc"; tail -n 1 "$work/reference.arc"; } >"$work/twice.arc"

count() {  # instructions of one run of parvex-cli reference with these arguments
  # Exit status 1 says that archives deviate.
  { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$cli" reference "$@" \
    -o "$work/out.csv" --jobs 1 2>&1 >/dev/null || true; } |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
for reference in reference twice; do
  ref="$work/$reference.arc"
  with=$(count "$ref" "$work/fleet")
  without=$(count "$ref" "$work/fleet" --ignore-units)
  with1=$(count "$ref" "$work/first")
  without1=$(count "$ref" "$work/first" --ignore-units)
  way=$([[ $reference == reference ]] && echo "as read" || echo "through tables")
  awk -v w="$with" -v o="$without" -v w1="$with1" -v o1="$without1" -v n="$archives" \
    -v way="$way" 'BEGIN {
    pw = (w - w1) / (n - 1); po = (o - o1) / (n - 1)
    printf "%s: per archive %.3f M instructions with units, %.3f M without: %.3f (target <= 1.05);",
           way, pw / 1e6, po / 1e6, pw / po
    printf " all %d archives %.1f M against %.1f M: %.3f\n", n, w / 1e6, o / 1e6, w / o }'
done
