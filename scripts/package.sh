#!/usr/bin/env bash
# Builds the Debian package into out/. With --install, installs it with apt
# (which brings its dependencies), checks that parvex-cli runs from it and that
# both manual pages show, and removes it again.
# With --windows, builds the Windows program (scripts/test-windows.sh) and
# writes out/parvex-VERSION-windows-x64.zip and its installer
# out/parvex-VERSION-x64.msi instead, then checks both under Wine
# (tests/install/check-windows-package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ "${1:-}" == "--windows" ]]; then
  ./scripts/setup.sh --windows
  # The relink kit is read from the build's own link lines, through CMake's file API.
  mkdir -p build-win/.cmake/api/v1/query
  : >build-win/.cmake/api/v1/query/codemodel-v2
  ./scripts/test-windows.sh --build-only
  grep -q '^PARVEX_ENGINE_ONLY:BOOL=OFF' build-win/CMakeCache.txt && [[ -f build-win/app/parvex.exe ]] || {
    echo "package: no Qt for Windows, so no Windows program to package" >&2
    exit 1
  }
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-win/CMakeCache.txt)
  qt_version=$(sed -n 's/.*set(PACKAGE_VERSION "\(.*\)").*/\1/p' \
    "$(sed -n 's/^Qt6Core_DIR:PATH=//p' build-win/CMakeCache.txt)/Qt6CoreConfigVersion.cmake")
  name="parvex-$version-windows-x64"
  stage="out/$name"
  rm -rf "$stage" "out/$name.zip" "out/parvex-$version-x64.msi"
  cmake --install build-win --prefix "$stage" --strip >/dev/null
  # Texts for Notepad: CR LF line ends.
  crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
  sed "s/@VERSION@/$version/g; s/@QT_VERSION@/$qt_version/g" packaging/windows/README.txt >"$stage/README.in"
  crlf "$stage/README.in" "$stage/README.txt" && rm "$stage/README.in"
  mkdir -p "$stage/LICENSES"
  crlf packaging/copyright "$stage/LICENSES/COPYRIGHT.txt"
  crlf /usr/share/common-licenses/LGPL-3 "$stage/LICENSES/LGPL-3.txt"
  crlf /usr/share/common-licenses/GPL-3 "$stage/LICENSES/GPL-3.txt"
  # The libraries that Qt and MinGW-w64 link in, with their notices as Debian
  # records them for the same libraries.
  for doc in libfreetype6 libharfbuzz0b libpng16-16 libjpeg62-turbo libpcre2-16-0 zlib1g \
    mingw-w64-common; do
    [[ -f "/usr/share/doc/$doc/copyright" ]] || continue
    printf '==== %s ====\n\n' "$doc"
    cat "/usr/share/doc/$doc/copyright"
    printf '\n'
  done >"$stage/LICENSES/third-party.in"
  crlf "$stage/LICENSES/third-party.in" "$stage/LICENSES/THIRD-PARTY.txt"
  rm "$stage/LICENSES/third-party.in"
  ./scripts/windows-relink-kit.py build-win . "$stage/relink"
  for script in ../shared/windows/build-qt-mingw.sh; do
    [[ -f "$script" ]] && cp "$script" "$stage/relink/"
  done
  (cd out && zip -qr -X "$name.zip" "$name")
  msi="out/parvex-$version-x64.msi"
  ./scripts/windows-msi.sh "$stage" "$version" build-win/icons/parvex.ico "$msi"
  echo "package: out/$name.zip ($(du -k "out/$name.zip" | cut -f1) KiB)"
  (cd out && unzip -Z1 "$name.zip")
  echo "package: $msi ($(du -k "$msi" | cut -f1) KiB)"
  # The check compares with the command line built here.
  cmake --build build -j2 --target parvex-cli
  ./tests/install/check-windows-package.sh "out/$name.zip" "$msi" build-win build/cli/parvex-cli
  exit 0
fi
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
