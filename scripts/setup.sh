#!/usr/bin/env bash
# Installs whatever the build and the tests need on a Debian 12 machine
# (with --windows, also what the Windows stage needs).
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-liberation2 xvfb xauth x11-utils xdotool poppler-utils imagemagick openbox xdg-utils
  desktop-file-utils appstream dpkg-dev file lintian help2man man-db
  nlohmann-json3-dev python3-jsonschema chromium
)
# The Windows stage (scripts/test.sh --windows): MinGW-w64 cross compilers,
# GoogleTest's sources to build for Windows, and Wine to run the tests.
if [[ "${1:-}" == "--windows" ]]; then
  PACKAGES+=(g++-mingw-w64-x86-64-posix googletest wine64)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
