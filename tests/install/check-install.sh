#!/usr/bin/env bash
# Installs into a temporary prefix and checks what lands there, then builds the
# Debian package and runs parvex-cli from its contents.
#   check-install.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install: FAILED: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/parvex bin/parvex-cli lib/parvex/parvex share/applications/parvex.desktop \
  share/metainfo/example.brenlo.Parvex.metainfo.xml share/icons/hicolor/scalable/apps/parvex.svg \
  share/icons/hicolor/48x48/apps/parvex.png share/icons/hicolor/256x256/apps/parvex.png; do
  [[ -e "$prefix/$f" ]] || fail "$f not installed"
done
# The manual lies where the program looks: Documentation/ beside the real executable.
program_dir=$(dirname "$(readlink -f "$prefix/bin/parvex")")
ls "$program_dir"/Documentation/*_*.pdf >/dev/null 2>&1 || fail "no manual beside the program"
file "$prefix/share/icons/hicolor/48x48/apps/parvex.png" | grep -q '48 x 48' || fail "48 px icon size"
file "$prefix/share/icons/hicolor/256x256/apps/parvex.png" | grep -q '256 x 256' || fail "256 px icon size"
desktop-file-validate "$prefix/share/applications/parvex.desktop" || fail "desktop file"
appstreamcli validate --no-net "$prefix/share/metainfo/example.brenlo.Parvex.metainfo.xml" >/dev/null ||
  fail "metainfo file"
"$prefix/bin/parvex-cli" --version | grep -q '^parvex-cli ' || fail "installed parvex-cli"

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null) ||
  fail "cpack"
deb=$(ls "$work"/deb/*.deb | head -1)
[[ -f "$deb" ]] || fail "no package"
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "$depends" | grep -q 'libqt6widgets6' || fail "Depends lacks Qt Widgets: $depends"
echo "$depends" | grep -q 'libc6' || fail "Depends lacks libc6: $depends"
echo "$recommends" | grep -q 'xdg-utils' || fail "Recommends lacks xdg-utils"
echo "$recommends" | grep -q 'fonts-liberation' || fail "Recommends lacks a Liberation font"
dpkg-deb -x "$deb" "$work/root"
"$work/root/usr/bin/parvex-cli" --version | grep -q '^parvex-cli ' || fail "packaged parvex-cli"
[[ -L "$work/root/usr/bin/parvex" ]] || fail "packaged bin/parvex link"
ls "$work"/root/usr/lib/parvex/Documentation/*.pdf >/dev/null || fail "packaged manual"
echo "install: passed ($(basename "$deb"))"
