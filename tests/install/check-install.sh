#!/usr/bin/env bash
# Installs into a temporary prefix and checks what lands there, then builds the
# Debian package, runs parvex-cli from its contents and has lintian check it.
#   check-install.sh BUILD_DIR VERSION
set -euo pipefail
build=$(realpath "$1")
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install: FAILED: $*" >&2; exit 1; }
same() { [[ "$1" == "$2" ]] || fail "$3 shows '$1', not '$2'"; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/parvex bin/parvex-cli lib/parvex/parvex share/applications/parvex.desktop \
  share/metainfo/example.brenlo.Parvex.metainfo.xml share/icons/hicolor/scalable/apps/parvex.svg \
  share/icons/hicolor/48x48/apps/parvex.png share/icons/hicolor/256x256/apps/parvex.png \
  share/man/man1/parvex.1.gz share/man/man1/parvex-cli.1.gz share/doc/parvex/copyright \
  share/doc/parvex/changelog.gz; do
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

# One version everywhere it is shown; the window's --version needs no display.
metainfo_version=$(grep -o '<release version="[^"]*"' \
  "$prefix/share/metainfo/example.brenlo.Parvex.metainfo.xml" | cut -d'"' -f2)
changelog_version=$(zcat "$prefix/share/doc/parvex/changelog.gz" | dpkg-parsechangelog -l - -S Version)
same "$("$prefix/bin/parvex-cli" --version)" "parvex-cli $version" "parvex-cli --version"
same "$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/parvex" --version 2>/dev/null)" \
  "parvex $version" "parvex --version"
same "$metainfo_version" "$version" "the metainfo's release"
same "$changelog_version" "$version" "the changelog"
# Both manual pages render with every section a reader looks for.
for page in parvex parvex-cli; do
  text=$(MANWIDTH=80 man -l "$prefix/share/man/man1/$page.1.gz" 2>&1) || fail "man $page"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES; do
    grep -q "^$section\$" <<<"$text" || fail "man $page: no $section"
  done
  grep -q 'registry\.json' <<<"$text" || fail "man $page: no settings file"
done

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
same "$(dpkg-deb -f "$deb" Version)" "$version" "the package"
dpkg-deb -f "$deb" Description | awk 'length > 80 || /^ ?;/ { bad = 1 } END { exit bad }' ||
  fail "package description: a line over 80 columns or starting with ;"

# Debian's own checker: informational tags are listed, errors and warnings fail.
command -v lintian >/dev/null || fail "lintian is not installed (scripts/setup.sh)"
timeout 180 lintian --display-info --fail-on error,warning "$deb" ||
  fail "lintian reports errors or warnings"
echo "install: passed ($(basename "$deb"))"
