#!/usr/bin/env bash
# Checks the Windows zip and installer as a user gets them, under Wine, in a
# clean folder and a fresh Wine prefix:
# - the zip's relink kit links both programs again with the Qt for Windows of
#   BUILD_WIN, by the commands its README gives; the relinked parvex-cli.exe
#   writes the shipped one's report and the relinked parvex.exe opens its window;
# - msiexec /i installs per machine: the installed parvex-cli.exe gives the rows
#   of the native build's, parvex.exe opens its window and keeps its settings in
#   the registry, the Start menu entries point at installed files;
# - the same installer built with a higher version replaces it in place;
# - msiexec /x leaves no installed file and keeps the user's settings.
#   check-windows-package.sh ZIP MSI BUILD_WIN NATIVE_PARVEX_CLI
set -euo pipefail
zip=$(realpath "$1")
msi=$(realpath "$2")
build_win=$(realpath "$3")
native_cli=$(realpath "$4")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build_win/CMakeCache.txt"; }
qt=$(cache PARVEX_QT_WINDOWS)
wine=$(cache PARVEX_WINE64)
read -ra launcher <<<"$(cache PARVEX_WINE_LAUNCHER | tr ';' ' ')"
version=$(basename "$msi" | sed -n 's/^parvex-\(.*\)-x64\.msi$/\1/p')
[[ -n "$version" && -d "$qt" && -x "$wine" ]] || { echo "usage: see $0" >&2; exit 2; }
IFS=. read -r major minor patch <<<"$version"
next="$major.$minor.$((patch + 1))"

source "$source_dir/tests/e2e/desktop.sh"
step() { echo "windows-package: $(date +%T) $*"; }
windows() { echo "Z:${1//\//\\}"; } # Wine's drive Z: is the root folder
w() { timeout "${limit:-120}" ${launcher[@]+"${launcher[@]}"} "$wine" "$@"; }
# A fresh Wine prefix, without the Mono and Gecko installers' prompts and
# without menu entries on this machine.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
mkdir -p "$WINEPREFIX" "$work/data"
chmod -R a+rwX "$work"
if ((${#launcher[@]})); then chown nobody:nogroup "$WINEPREFIX"; fi
export HOME="$WINEPREFIX"
trap 'timeout 30 ${launcher[@]+"${launcher[@]}"} "$(dirname "$wine")/wineserver" -k 2>/dev/null || true
      cleanup' EXIT
programs="$WINEPREFIX/drive_c/Program Files/Parvex"
settings='HKCU\Software\Brenlo\Parvex'
machine='HKLM\Software\Brenlo\Parvex'
apps='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' # the installed programs

cp "$source_dir"/docs/samples/press-line-{a,b}.arc "$work/data/"
a=$(windows "$work/data/press-line-a.arc")
b=$(windows "$work/data/press-line-b.arc")
# The report of a parvex-cli (and what runs it) on two archives; differences
# end it with status 1.
compare() {
  local status=0
  "${@:1:$#-2}" archives "${@: -2:1}" "${@: -1}" --csv >"$work/report.csv" 2>"$work/cli.log" ||
    status=$?
  ((status <= 1)) || fail "$* ended with status $status: $(cat "$work/cli.log")"
  tr -d '\r' <"$work/report.csv"
}
rows() { tail -n +4; }

# The window opens with its caption; File, Exit ends it, which stores the settings.
window() {
  local caption="Parvex $major"
  limit=300 w "$1" >>"$work/parvex.log" 2>&1 &
  pids+=($!)
  wid=$(find_window "^$caption")
  [[ -n "$wid" ]] || fail "$1 opened no window"
  [[ "$(xdotool getwindowname "$wid")" == "$caption"* ]] || fail "$1's caption is wrong"
  sleep 1
  activate "$wid"
  xdotool key --delay 200 alt+f x
  timeout 30 tail --pid="${pids[-1]}" -f /dev/null || fail "$1 did not end after File, Exit"
}

relink() {
  step "the zip's relink kit links both programs with $qt"
  # Unpacked twice: one stays as the zip holds it, the other is relinked.
  unzip -q "$zip" -d "$work/zip"
  unzip -q "$zip" -d "$work/relink"
  root=$(echo "$work"/zip/*)
  relinked=$(echo "$work"/relink/*)
  (cd "$relinked" && cmake -S relink -B build -DCMAKE_TOOLCHAIN_FILE=relink/mingw-w64-x86_64.cmake \
    -DPARVEX_QT_WINDOWS="$qt" >"$work/relink.log" 2>&1 &&
    cmake --build build -j2 >>"$work/relink.log" 2>&1) || {
    cat "$work/relink.log" >&2
    fail "the relink kit does not link"
  }
  chmod -R a+rwX "$work"
  # The desktop comes first: Wine's first process fixes the display of every
  # later one while its server runs, and one started without a display would
  # hide every window after it.
  open_desktop
  timeout 120 ${launcher[@]+"${launcher[@]}"} "$wine" wineboot --init
  local shipped again
  # The same report but for the time it was made, in its first line.
  shipped=$(compare w "$root/parvex-cli.exe" "$a" "$b" | sed 1d)
  again=$(compare w "$relinked/build/parvex-cli.exe" "$a" "$b" | sed 1d)
  [[ -n "$shipped" && "$shipped" == "$again" ]] || fail "the relinked parvex-cli.exe writes" \
    "another report: $(diff <(echo "$shipped") <(echo "$again"))"
  window "$relinked/build/parvex.exe"
}

# The installed files against those of the zip's folder $2: all of them, or
# all but relink/.
installed_as_zip() {
  local selection=(-type f) want got
  [[ "$1" == all ]] || selection+=(-not -path './relink/*')
  want=$(cd "$2" && find . "${selection[@]}" | LC_ALL=C sort)
  got=$(cd "$programs" && find . -type f | LC_ALL=C sort)
  [[ "$want" == "$got" ]] || fail "installed files differ: $(diff <(echo "$want") <(echo "$got"))"
  while read -r f; do
    cmp -s "$2/$f" "$programs/$f" || fail "$f differs from the zip's"
  done <<<"$want"
}
msiexec() { limit=300 w msiexec "$@" /qn || fail "msiexec $* failed"; }
# A product's entry among the installed programs; nothing when there is none.
uninstall_key() {
  local entry
  entry=$(w reg query "$apps\\$1" 2>/dev/null) || return 0
  tr -d '\r' <<<"$entry"
}
product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
# The target a Start menu entry (.lnk) points at: its LinkInfo's local path.
lnk_target() {
  python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 20)[0]
at = 76 + (2 + struct.unpack_from("<H", data, 76)[0] if flags & 1 else 0)
assert flags & 2, "no LinkInfo"
print(data[at + struct.unpack_from("<I", data, at + 16)[0]:].split(b"\0")[0].decode("cp1252"))
EOF
}
unix_path() { local p=${1#[Cc]:\\}; echo "$WINEPREFIX/drive_c/${p//\\//}"; }

install() {
  step "msiexec /i $(basename "$msi") /qn"
  cp "$msi" "$work/parvex.msi"
  msiexec /i "$(windows "$work/parvex.msi")"
  installed_as_zip program "$root"
  local native installed target
  native=$(compare "$native_cli" "$work/data/press-line-a.arc" "$work/data/press-line-b.arc" | rows)
  installed=$(compare w 'C:\Program Files\Parvex\parvex-cli.exe' "$a" "$b" | rows)
  [[ -n "$native" && "$native" == "$installed" ]] || fail "the installed parvex-cli.exe gives" \
    "other rows: $(diff <(echo "$native") <(echo "$installed"))"
  w reg delete "$settings" /f >/dev/null 2>&1 || true
  window 'C:\Program Files\Parvex\parvex.exe'
  w reg query "$settings\\MainScreen" | grep -q 'MainWidth' ||
    fail "the installed window stored no settings"
  # Where the Start menu folder is, as the installer notes it (Wine's installer
  # puts a machine's entries in the user's menu).
  menu=$(w reg query "$machine" /v StartMenuFolder | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
  menu=$(unix_path "$menu")
  for entry in Parvex "Parvex Manual"; do
    [[ -f "$menu/$entry.lnk" ]] || fail "no Start menu entry $entry"
    target=$(lnk_target "$menu/$entry.lnk")
    [[ -f "$(unix_path "$target")" ]] ||
      fail "the Start menu entry $entry points at $target, which is missing"
  done
  [[ "$(lnk_target "$menu/Parvex.lnk")" == 'C:\Program Files\Parvex\parvex.exe' ]] ||
    fail "the Start menu entry Parvex points at $(lnk_target "$menu/Parvex.lnk")"
}

upgrade() {
  step "the same installer built as $next, with the relink kit, replaces $version in place"
  cp -a "$root" "$work/next"
  sed -i "s/Parvex $version for Windows/Parvex $next for Windows/" "$work/next/README.txt"
  "$source_dir/scripts/windows-msi.sh" "$work/next" "$next" "$build_win/icons/parvex.ico" \
    "$work/next.msi"
  chmod a+r "$work/next.msi"
  msiexec /i "$(windows "$work/next.msi")" ADDLOCAL=ALL
  installed_as_zip all "$work/next"
  [[ -z "$(uninstall_key "$(product_code "$msi")")" ]] || fail "$version is still installed"
  uninstall_key "$(product_code "$work/next.msi")" | grep -q "DisplayVersion *REG_SZ *$next$" ||
    fail "$next is not among the installed programs"
  local entries
  entries=$(w reg query "$apps" /s | tr -d '\r' | grep -c 'DisplayName *REG_SZ *Parvex$') || true
  [[ "$entries" == 1 ]] || fail "$entries entries for Parvex among the installed programs"
}

uninstall() {
  step "msiexec /x leaves no installed file and keeps the settings"
  local before
  before=$(w reg query "$settings" /s | tr -d '\r')
  msiexec /x "$(windows "$work/next.msi")"
  [[ ! -e "$programs" ]] || fail "left behind: $(cd "$programs" && find . | head)"
  [[ ! -e "$menu" ]] || fail "the Start menu folder is left behind"
  ! w reg query "$machine" >/dev/null 2>&1 || fail "$machine is left behind"
  [[ -z "$(uninstall_key "$(product_code "$work/next.msi")")" ]] ||
    fail "still among the installed programs"
  [[ "$(w reg query "$settings" /s | tr -d '\r')" == "$before" ]] || fail "the settings changed"
}

relink
install
upgrade
uninstall
step "passed"
