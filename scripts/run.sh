#!/usr/bin/env bash
# Installs what is missing, builds, and starts Parvex. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j2 --target parvex parvex-cli manual
exec ./build/app/parvex "$@"
