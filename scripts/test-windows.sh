#!/usr/bin/env bash
# The Windows stage of scripts/test.sh (--windows): every layer built for
# 64-bit Windows with MinGW-w64 and its tests run under Wine, in build-win/.
# Qt for Windows comes from PARVEX_QT_WINDOWS (a folder holding its lib/ and
# include/) or from the archive in ../shared/windows/, unpacked into
# build-win/qt; without either, only the Qt-free layers (engine, reports) are
# built and tested. With --build-only, nothing is run.
set -euo pipefail
cd "$(dirname "$0")/.."

qt="${PARVEX_QT_WINDOWS:-}"
if [[ -z "$qt" ]]; then
  archive=$(ls ../shared/windows/qt6-base-*-mingw64-static.tar.xz 2>/dev/null | tail -1 || true)
  if [[ -n "$archive" ]]; then
    qt="$PWD/build-win/qt/install"
    stamp="$PWD/build-win/qt/.from"
    if [[ ! -f "$stamp" || "$(cat "$stamp")" != "$(stat -c '%s %Y' "$archive")" ]]; then
      echo "test-windows: unpacking $archive" >&2
      rm -rf build-win/qt && mkdir -p build-win/qt
      tar -xJf "$archive" -C build-win/qt
      stat -c '%s %Y' "$archive" >"$stamp"
    fi
  else
    echo "test-windows: no Qt for Windows found, so only the engine and the reports are" \
      "built for Windows. Build Qt for Windows with ../shared/windows/build-qt-mingw.sh (or" \
      "see docs/DEVELOPMENT.md, Windows) and give its folder as PARVEX_QT_WINDOWS." >&2
  fi
fi

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
  if (cd / && "${nobody[@]}" test -r "$here/build-win/.readable" -a -r "$here/tests/reports/page/expected"); then
    launcher=("${nobody[@]}")
  else
    echo "test-windows: nobody cannot read $PWD/build-win; Wine runs as root" >&2
  fi
fi

labels='engine|reports'
qt_args=(-DPARVEX_ENGINE_ONLY=ON)
if [[ -n "$qt" ]]; then
  # The manual and the icons are made by tools that run here: take them
  # from a native build.
  cmake -S . -B build -G Ninja -DWARNINGS_AS_ERRORS=ON >/dev/null
  cmake --build build -j2 --target make_manual make_icons
  qt_args=(-DPARVEX_ENGINE_ONLY=OFF -DPARVEX_QT_WINDOWS="$qt" -DPARVEX_HOST_BUILD_DIR="$PWD/build")
  labels='engine|reports|settings|ui|windows'
fi
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DWARNINGS_AS_ERRORS=ON -DPARVEX_BUILD_BENCHMARKS=OFF "${qt_args[@]}" \
  -DPARVEX_WINE_LAUNCHER="$(IFS=';' && echo "${launcher[*]}")"
cmake --build build-win -j2
[[ "${1:-}" == "--build-only" ]] && exit 0

# A throw-away Wine prefix, without the Mono and Gecko installers' prompts.
# Every Wine step is bounded in time: a Wine that hangs fails the stage.
wine=$(sed -n 's/^PARVEX_WINE64:FILEPATH=//p' build-win/CMakeCache.txt)
[[ -x "$wine" ]] || { echo "test-windows: no wine64 found" >&2; exit 1; }
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/parvex-wine.XXXXXX")
if ((${#launcher[@]})); then chown nobody:nogroup "$WINEPREFIX"; fi
export WINEPREFIX HOME="$WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'timeout 30 ${launcher[@]+"${launcher[@]}"} "$(dirname "$wine")/wineserver" -k || true
      rm -rf "$WINEPREFIX"' EXIT
timeout 120 ${launcher[@]+"${launcher[@]}"} "$wine" wineboot --init
timeout 1500 ctest --test-dir build-win -j2 --output-on-failure -L "$labels"
