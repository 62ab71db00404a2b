#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through CTest.
#   scripts/test.sh             the normal build in build/
#   scripts/test.sh --sanitize  every layer's tests with AddressSanitizer and
#                               UndefinedBehaviorSanitizer, in build-asan/
#   scripts/test.sh --tsan      the engine's and the history store's tests with ThreadSanitizer, in build-tsan/
#   scripts/test.sh --windows   every layer built for Windows (MinGW-w64) and its
#                               tests run under Wine, in build-win/
#                               (scripts/test-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh "${1:-}"

if [[ "${1:-}" == "--sanitize" ]]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWARNINGS_AS_ERRORS=ON \
    -DPARVEX_SANITIZE=ON -DPARVEX_BUILD_BENCHMARKS=OFF
  cmake --build build-asan -j2
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  # Our own layers are checked for leaks too (the history store on its
  # PostgreSQL test server as well); Qt's font and platform libraries keep
  # caches for the life of the process, so the Qt layers are not.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    ctest --test-dir build-asan -j2 --output-on-failure -L 'engine|reports|history'
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
    ctest --test-dir build-asan -j2 --output-on-failure -L 'settings|cli|ui'

elif [[ "${1:-}" == "--tsan" ]]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWARNINGS_AS_ERRORS=ON \
    -DPARVEX_ENGINE_ONLY=ON -DPARVEX_BUILD_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -O1" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
  cmake --build build-tsan -j2
  TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -j2 --output-on-failure -L 'engine|history'

elif [[ "${1:-}" == "--windows" ]]; then
  ./scripts/test-windows.sh

else
  source scripts/configure.sh
  configure_build
  cmake --build build -j2
  ctest --test-dir build -j2 --output-on-failure
fi
