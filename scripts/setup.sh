#!/usr/bin/env bash
# Installs whatever the build and the tests need on a Debian 12 machine
# (with --windows, also what the Windows stage needs).
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev clang-format valgrind strace
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev libtomlplusplus-dev
  fonts-liberation2 xvfb xauth x11-utils xdotool poppler-utils imagemagick openbox xdg-utils
  desktop-file-utils appstream dpkg-dev file lintian help2man man-db
  nlohmann-json3-dev python3-jsonschema chromium nodejs
  libsqlite3-dev libzstd-dev libpq-dev postgresql
  # The History window's plot; Debian's charts package leaves out the OpenGL
  # development files its CMake package asks for.
  qt6-charts-dev libqt6opengl6-dev
)
# The Windows stage (scripts/test.sh --windows): MinGW-w64 cross compilers,
# GoogleTest's sources to build for Windows, Wine to run the tests, and wixl
# (with msitools' msiinfo to read what it wrote) for the installer.
if [[ "${1:-}" == "--windows" ]]; then
  PACKAGES+=(g++-mingw-w64-x86-64-posix googletest wine64 zip unzip wixl msitools)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# npm comes with Node.js from some sources; Debian's own package only where
# it is missing.
if ! command -v npm >/dev/null 2>&1; then missing+=(npm); fi

if ((${#missing[@]} > 0)); then
  echo "setup: installing ${missing[*]}" >&2
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The browser test's npm package, exactly as its lock file pins it; again only
# when the lock file changed since the last install.
browser="$(dirname "$0")/../tests/browser"
if ! cmp -s "$browser/package-lock.json" "$browser/node_modules/.parvex-installed-lock"; then
  echo "setup: npm ci in tests/browser" >&2
  (cd "$browser" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$browser/package-lock.json" "$browser/node_modules/.parvex-installed-lock"
fi
