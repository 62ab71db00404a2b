#!/usr/bin/env bash
# What a rules file of 100 address patterns and 10 tolerance tables costs on
# the 1M-line pair, as instructions counted by valgrind (callgrind), which the
# load of other work on the machine does not change: the comparison with the
# rules against the same comparison without them, by position and by address,
# in one run. Usage: bench/rules_bench.sh [BUILD_DIR] [LINES]
set -euo pipefail
build="${1:-build}"
lines="${2:-1000000}"
source "$(dirname "$0")/bench_lib.sh"
bench_pair "$build" "$lines"

count() {  # instructions of one run of rules_bench with these arguments
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$build/bench/rules_bench" "$a" "$b" "$@" \
    2>&1 >/dev/null | sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
setup=$(count none)
for pairing in by-position by-address; do
  plain=$(($(count plain "$pairing") - setup))
  rules=$(($(count rules "$pairing") - setup))
  awk -v p="$plain" -v r="$rules" -v w="$pairing" 'BEGIN {
    printf "%s: %.1f M instructions with rules, %.1f M without: %.3f (target <= 1.10)\n",
           w, r / 1e6, p / 1e6, r / p }'
done
