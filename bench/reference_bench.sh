#!/usr/bin/env bash
# Times `parvex-cli reference` over a generated fleet against `cat` of the
# same files to /dev/null: three rounds, each running every contender once in
# turn, so that a change in the load of the machine meets all of them alike;
# the median of the three runs of each is shown. Usage:
#   bench/reference_bench.sh [BUILD_DIR] [ARCHIVES] [LINES] [loop]
# With "loop", a shell loop of `parvex-cli archives --by-address` per archive
# is timed once as well.
#
# What the figures mean:
# - every file is read into the page cache before the first round, so no
#   contender reads the disk (fincore tells how much of the fleet is cached);
# - cat reads 128 KiB at a time, as parvex-cli does (ReadSizes), but into a
#   buffer that it maps fresh for every file and unmaps after it: on a
#   virtual machine where each page fault and unmapping costs much, that is
#   most of its time. The same cat with the C library told to take such
#   buffers from its heap (MALLOC_MMAP_THRESHOLD_), which then hands the same
#   memory back for every file, and "wc -l", which reads every file into one
#   buffer that it keeps, tell what reading the files costs without that;
#   "cat of one file" reads the same bytes from one file;
# - user and sys are CPU seconds, and cores = (user + sys) / wall tells how
#   many cores a contender kept busy; parvex-cli runs one comparison per core
#   by default (--jobs), "--jobs 1" shows it on one core;
# - the load of the machine is shown before and after (uptime): other work on
#   the cores lengthens every wall time, a program on two cores more than one
#   on one.
set -euo pipefail
build="${1:-build}"
archives="${2:-1000}"
lines="${3:-10000}"
source "$(dirname "$0")/bench_lib.sh"
bench_fleet "$build" "$archives" "$lines"
ref="$work/reference.arc"
files=("$ref" "$work"/fleet/*)
cat "${files[@]}" >"$work/all.bin"  # the same bytes in one file
for _ in 1 2; do cat "${files[@]}" "$work/all.bin" >/dev/null; done

# Wall, user and sys seconds of one run, on one line.
run() {
  local TIMEFORMAT='%3R %3U %3S'
  { time "$@" >/dev/null 2>&1; } 2>&1 || true
}
declare -A times
contenders=(parvex parvex1 cat catheap wc catone)
command_of() {
  case "$1" in
    parvex) echo "$cli reference $ref $work/fleet -o $work/out.csv" ;;
    parvex1) echo "$cli reference $ref $work/fleet -o $work/out1.csv --jobs 1" ;;
    cat) echo "cat ${files[*]}" ;;
    catheap) echo "env MALLOC_MMAP_THRESHOLD_=4194304 cat ${files[*]}" ;;
    wc) echo "wc -l ${files[*]}" ;;
    catone) echo "cat $work/all.bin" ;;
  esac
}
echo "load before: $(uptime | sed 's/.*load average/load average/'), $(nproc) cores"
if command -v fincore >/dev/null; then
  cached=$(fincore -nb -o RES "${files[@]}" | awk '{ s += $1 } END { print s }')
  echo "in the page cache: $((cached / 1048576)) MiB of $(($(wc -c <"$work/all.bin") / 1048576)) MiB"
fi
for round in 1 2 3; do
  for c in "${contenders[@]}"; do
    # Word splitting is wanted here: the paths are mktemp's and make_fleet's.
    # shellcheck disable=SC2046
    times[$c.$round]=$(run $(command_of "$c"))
  done
done
echo "load after:  $(uptime | sed 's/.*load average/load average/')"

# The median of the three runs of a contender, field f (1 wall, 2 user, 3 sys,
# 4 user + sys).
median() {
  local c="$1" f="$2"
  for round in 1 2 3; do echo "${times[$c.$round]}"; done |
    awk -v f="$f" '{ print (f == 4 ? $2 + $3 : $f) }' | sort -g | sed -n 2p
}
label() {
  case "$1" in
    parvex) echo "parvex-cli reference (--jobs $(nproc))" ;;
    parvex1) echo "parvex-cli reference --jobs 1" ;;
    cat) echo "cat of all files to /dev/null" ;;
    catheap) echo "the same, cat's buffer from the heap" ;;
    wc) echo "wc -l of all files" ;;
    catone) echo "cat of one file of the same bytes" ;;
  esac
}
rows=$(($(wc -l <"$work/out.csv") - 1))
cmp -s "$work/out.csv" "$work/out1.csv" || echo "the matrix differs with --jobs 1" >&2
echo "fleet: $archives archives of $lines lines, $(($(wc -c <"$work/all.bin") / 1048576)) MiB;" \
  "matrix of $rows rows; medians of three runs, in seconds:"
printf '  %-40s %7s %7s %7s %6s\n' "" wall user sys cores
# a / b, to two places.
quotient() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
for c in "${contenders[@]}"; do
  printf '  %-40s %7s %7s %7s %6s\n' "$(label "$c")" "$(median "$c" 1)" "$(median "$c" 2)" \
    "$(median "$c" 3)" "$(quotient "$(median "$c" 4)" "$(median "$c" 1)")"
done
ratio() { quotient "$(median "$1" 1)" "$(median "$2" 1)"; }
echo "reference / cat: $(ratio parvex cat) (target <= 2), with --jobs 1: $(ratio parvex1 cat);" \
  "reference / cat with its buffer from the heap: $(ratio parvex catheap)," \
  "with --jobs 1: $(ratio parvex1 catheap); reference / wc -l: $(ratio parvex wc);" \
  "cat of one file / cat: $(ratio catone cat)"
if [[ -x /usr/bin/time ]]; then
  peak_kib=$({ /usr/bin/time -f %M "$cli" reference "$ref" "$work/fleet" -o "$work/out.csv" 2>&1 >/dev/null || true; } | tail -1)
  echo "peak resident memory of parvex-cli reference: $((peak_kib / 1024)) MiB"
fi
if [[ "${4:-}" == loop ]]; then
  now() { date +%s%N; }
  t0=$(now)
  for f in "$work"/fleet/*; do "$cli" archives --by-address "$ref" "$f" --csv >/dev/null 2>&1 || true; done
  t1=$(now)
  echo "loop of parvex-cli archives --by-address: $(((t1 - t0) / 1000000)) ms," \
    "load $(uptime | sed 's/.*load average: //')"
fi
