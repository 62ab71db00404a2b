#!/usr/bin/env bash
# Builds the Windows installer with wixl (Debian's msitools) from
# packaging/windows/parvex.wxs and the folder the zip is made of:
#   windows-msi.sh STAGE_DIR VERSION ICON OUTPUT.msi
# Every file of STAGE_DIR is installed under Program Files\Parvex: relink\ as
# the optional feature RelinkKit, all the others always. ICON is the .ico that
# the list of installed programs shows.
set -euo pipefail
[[ $# -eq 4 ]] || { sed -n '2,7s/^# \?//p' "$0" >&2; exit 2; }
wxs="$(cd "$(dirname "$0")/.." && pwd)/packaging/windows/parvex.wxs"
stage=$(cd "$1" && pwd)
version=$2
icon=$(realpath "$3")
output=$4
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# wixl takes only relative source paths: it runs in tmp, where links point to
# the files.
ln -s "$stage" "$tmp/stage"
ln -s "$icon" "$tmp/parvex.ico"
cp "$wxs" "$tmp/"

# A component group of the files that find selects, one component each; the
# component codes follow from the files' paths, so they stay the same from one
# version to the next.
group() {
  local name=$1
  shift
  (cd "$stage" && find . -type f "$@" | LC_ALL=C sort | sed "s|^\./|stage/|") |
    wixl-heat -p stage/ --component-group "$name" --directory-ref INSTALLDIR \
      --var var.Stage --win64 >"$tmp/$name.wxs"
}
group Program -not -path './relink/*'
group RelinkKit -path './relink/*'
grep -q '<File ' "$tmp/RelinkKit.wxs" ||
  { echo "windows-msi: no relink kit in $stage" >&2; exit 1; }

manuals=("$stage"/Documentation/*.pdf)
[[ ${#manuals[@]} -eq 1 && -f "${manuals[0]}" ]] ||
  { echo "windows-msi: not one manual in $stage/Documentation" >&2; exit 1; }
output=$(realpath "$output")
(cd "$tmp" && wixl --arch x64 -D Version="$version" -D Stage=stage -D Icon=parvex.ico \
  -D Manual="$(basename "${manuals[0]}")" -D Win64=yes -o "$output" \
  parvex.wxs Program.wxs RelinkKit.wxs)
