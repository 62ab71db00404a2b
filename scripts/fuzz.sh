#!/usr/bin/env bash
# Builds the comparison fuzzer with clang and runs it.
#   scripts/fuzz.sh [SECONDS]   (default 300)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
# The engine is built with the fuzzer's coverage hooks too, so the search is
# guided by the code under test, not only by the target.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" \
  -DPARVEX_SANITIZE=ON -DPARVEX_ENGINE_ONLY=ON -DPARVEX_BUILD_FUZZERS=ON \
  -DPARVEX_BUILD_TESTS=OFF -DPARVEX_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j2 --target compare_fuzzer
mkdir -p fuzz/corpus fuzz/artifacts
cp -n fuzz/seeds/* fuzz/corpus/ 2>/dev/null || true
./build-fuzz/fuzz/compare_fuzzer fuzz/corpus -max_total_time="${1:-300}" -max_len=4096 -len_control=0 \
  -artifact_prefix=fuzz/artifacts/ -print_final_stats=1
