#!/usr/bin/env bash
# Builds the Debian package into out/. With --install, installs it with apt
# (which brings its dependencies), checks that parvex-cli runs from it and that
# both manual pages show, and removes it again.
# With --windows, builds the Windows program (scripts/test-windows.sh) and
# writes out/parvex-VERSION-windows-x64.zip instead.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ "${1:-}" == "--windows" ]]; then
  ./scripts/setup.sh --windows
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
  rm -rf "$stage" "out/$name.zip"
  cmake --install build-win --prefix "$stage" --strip >/dev/null
  # Texts for Notepad: CR LF line ends.
  crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
  sed "s/@VERSION@/$version/g; s/@QT_VERSION@/$qt_version/g" packaging/windows/README.txt >"$stage/README.in"
  crlf "$stage/README.in" "$stage/README.txt" && rm "$stage/README.in"
  mkdir -p "$stage/LICENSES" "$stage/relink/lib" "$stage/relink/objects"
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
  cp packaging/windows/relink/CMakeLists.txt "$stage/relink/"
  cp build-win/engine/libparvex_engine.a build-win/reports/libparvex_reports.a \
    build-win/settings/libparvex_settings.a build-win/ui/libparvex_ui.a "$stage/relink/lib/"
  for exe in parvex parvex-cli; do
    dir=build-win/$([[ $exe == parvex ]] && echo app || echo cli)/CMakeFiles/$exe.dir
    mkdir -p "$stage/relink/objects/$exe"
    cp "$dir/main.cpp.obj" "$dir/$exe.rc.res" "$stage/relink/objects/$exe/"
  done
  strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' build-win/CMakeCache.txt)
  "$strip" --strip-debug "$stage"/relink/lib/*.a "$stage"/relink/objects/*/*.obj
  for script in ../shared/windows/build-qt-mingw.sh; do
    [[ -f "$script" ]] && cp "$script" "$stage/relink/"
  done
  (cd out && zip -qr -X "$name.zip" "$name")
  echo "package: out/$name.zip"
  (cd out && unzip -Z1 "$name.zip")
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
