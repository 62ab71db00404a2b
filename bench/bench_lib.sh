# What the benchmark scripts share; sourced, after `set -euo pipefail`.
# bench_work: a folder that goes when the script ends, in $work.
# bench_pair BUILD LINES: the generated archive pair of LINES lines in it, as
# $a and $b, both read once so that every contender finds them cached.
# bench_fleet BUILD ARCHIVES LINES: a generated fleet and its reference.
bench_work() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
}
bench_pair() {
  bench_work
  "$1/bench/make_archives" "$work" "$2" >/dev/null
  a="$work/bench-archive1.arc"
  b="$work/bench-archive2.arc"
  cat "$a" "$b" >/dev/null
}
bench_fleet() {
  bench_work
  "$1/bench/make_fleet" "$work" "$2" "$3"
  cli="$1/cli/parvex-cli"
}
