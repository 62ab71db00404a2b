#!/usr/bin/env bash
# Builds the Debian package into out/. With --install, installs it with apt
# (which brings its dependencies), checks that parvex-cli runs from it and that
# both manual pages show, and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j2
mkdir -p out
(cd out && cpack -G DEB --config ../build/CPackConfig.cmake -B "$(pwd)")
deb=$(ls -t out/parvex_*.deb | head -1)
echo "package: $deb"
if [[ "${1:-}" == "--install" ]]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
  /usr/bin/parvex-cli --version
  test -f /usr/lib/parvex/Documentation/*.pdf
  for page in parvex parvex-cli; do
    MANWIDTH=80 man "$page" | grep "^NAME" >/dev/null || {
      echo "package: man $page shows no page (does dpkg exclude /usr/share/man?)" >&2
      exit 1
    }
  done
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq parvex >/dev/null
  echo "package: installed, ran, showed both manual pages and removed"
fi
