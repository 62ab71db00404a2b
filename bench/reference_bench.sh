#!/usr/bin/env bash
# Times `parvex-cli reference` over a generated fleet against a shell loop of
# `parvex-cli archives --by-address` per archive and against cat of all the
# files, in one run, and takes its peak memory. Usage:
#   bench/reference_bench.sh [BUILD_DIR] [ARCHIVES] [LINES]
set -euo pipefail
build="${1:-build}"
archives="${2:-1000}"
lines="${3:-10000}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make_fleet" "$work" "$archives" "$lines"
cli="$build/cli/parvex-cli"
ref="$work/reference.arc"
cat "$ref" "$work"/fleet/* >/dev/null  # every file in the page cache for every contender

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
loop() {
  for f in "$work"/fleet/*; do "$cli" archives --by-address "$ref" "$f" --csv >/dev/null 2>&1 || true; done
}
ref_ms=$(best "$cli" reference "$ref" "$work/fleet" -o "$work/out.csv")
cat_ms=$(best bash -c "cat '$ref' '$work'/fleet/* >/dev/null")
t0=$(now); loop; t1=$(now); loop_ms=$(((t1 - t0) / 1000000))
peak_kib=$({ /usr/bin/time -f %M "$cli" reference "$ref" "$work/fleet" -o "$work/out.csv" 2>&1 >/dev/null || true; } | tail -1)
rows=$(($(wc -l <"$work/out.csv") - 1))
bytes=$(cat "$ref" "$work"/fleet/* | wc -c)
echo "fleet: $archives archives of $lines lines, $((bytes / 1048576)) MiB; matrix of $rows rows"
echo "parvex-cli reference:                 $ref_ms ms, peak $((peak_kib / 1024)) MiB"
echo "cat of all files to /dev/null:        $cat_ms ms"
echo "loop of parvex-cli archives --by-address: $loop_ms ms"
echo "reference / cat: $(awk "BEGIN { printf \"%.2f\", $ref_ms / $cat_ms }")," \
  "loop / reference: $(awk "BEGIN { printf \"%.1f\", $loop_ms / $ref_ms }")"
