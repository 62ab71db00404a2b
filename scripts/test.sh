#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through CTest.
#   scripts/test.sh             the normal build in build/
#   scripts/test.sh --sanitize  every layer's tests with AddressSanitizer and
#                               UndefinedBehaviorSanitizer, in build-asan/
#   scripts/test.sh --tsan      the engine's tests with ThreadSanitizer, in build-tsan/
#   scripts/test.sh --windows   the engine's and reports' tests built for Windows
#                               (MinGW-w64) and run under Wine, in build-win/
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh "${1:-}"

if [[ "${1:-}" == "--sanitize" ]]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWARNINGS_AS_ERRORS=ON \
    -DPARVEX_SANITIZE=ON -DPARVEX_BUILD_BENCHMARKS=OFF
  cmake --build build-asan -j2
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  # Our own layers are checked for leaks too; Qt's font and platform libraries
  # keep caches for the life of the process, so the Qt layers are not.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    ctest --test-dir build-asan -j2 --output-on-failure -L 'engine|reports'
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
    ctest --test-dir build-asan -j2 --output-on-failure -L 'settings|cli|ui'

elif [[ "${1:-}" == "--tsan" ]]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWARNINGS_AS_ERRORS=ON \
    -DPARVEX_ENGINE_ONLY=ON -DPARVEX_BUILD_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -O1" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
  cmake --build build-tsan -j2
  TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -j2 --output-on-failure -L engine

elif [[ "${1:-}" == "--windows" ]]; then
  # Wine run by root writes even files marked read-only, as root may; run it
  # as nobody then, so the tests see what a Windows user sees. nobody must be
  # able to reach the build by its absolute path, as Wine opens it (a checkout
  # under /root is closed to it, though a relative path from inside it is
  # not); if not, Wine runs as root and the read-only rows expect what root sees.
  launcher=()
  if [[ $(id -u) -eq 0 ]]; then
    nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    mkdir -p build-win && : >build-win/.readable
    here=$PWD
    if (cd / && "${nobody[@]}" test -r "$here/build-win/.readable" -a -r "$here/tests/reports/expected"); then
      launcher=("${nobody[@]}")
    else
      echo "test.sh: nobody cannot read $PWD/build-win; Wine runs as root" >&2
    fi
  fi
  cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DWARNINGS_AS_ERRORS=ON -DPARVEX_ENGINE_ONLY=ON -DPARVEX_BUILD_BENCHMARKS=OFF \
    -DPARVEX_WINE_LAUNCHER="$(IFS=';' && echo "${launcher[*]}")"
  cmake --build build-win -j2
  # A throw-away Wine prefix, without the Mono and Gecko installers' prompts.
  # Every Wine step is bounded in time: a Wine that hangs fails the stage.
  wine=$(sed -n 's/^PARVEX_WINE64:FILEPATH=//p' build-win/CMakeCache.txt)
  [[ -x "$wine" ]] || { echo "test.sh: no wine64 found" >&2; exit 1; }
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/parvex-wine.XXXXXX")
  if ((${#launcher[@]})); then chown nobody:nogroup "$WINEPREFIX"; fi
  export WINEPREFIX HOME="$WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  trap 'timeout 30 ${launcher[@]+"${launcher[@]}"} "$(dirname "$wine")/wineserver" -k || true
        rm -rf "$WINEPREFIX"' EXIT
  timeout 120 ${launcher[@]+"${launcher[@]}"} "$wine" wineboot --init
  timeout 900 ctest --test-dir build-win -j2 --output-on-failure -L 'engine|reports'

else
  cmake -S . -B build -G Ninja -DWARNINGS_AS_ERRORS=ON
  cmake --build build -j2
  ctest --test-dir build -j2 --output-on-failure
fi
