#!/usr/bin/env bash
# Drives parvex.exe under Wine on Xvfb with a window manager (openbox), by the
# keyboard only (xdotool): types both sample paths as Windows paths, compares,
# saves a CSV report through the save dialog, leaves by File, Exit; checks the
# report's titles (drive letter and backslashes) and the registry values the
# settings wrote; starts again and compares with the restored paths; presses
# F1 and checks that the shell opened the manual. Every wait is bounded.
#   e2e-wine.sh PARVEX_EXE SOURCE_DIR WINE64 [LAUNCHER...]
# Runs in the Wine prefix of WINEPREFIX; LAUNCHER runs Wine as another user.
set -euo pipefail
parvex="$1"
source_dir="$2"
wine="$3"
shift 3
launcher=("$@")
source "$(dirname "$0")/desktop.sh"
open_desktop
w() { ${launcher[@]+"${launcher[@]}"} "$wine" "$@"; }

# The files the program reads and writes, open to the user Wine runs as.
mkdir -p "$work/data"
cp "$source_dir/docs/samples/press-line-a.arc" "$source_dir/docs/samples/press-line-b.arc" "$work/data/"
chmod -R a+rwX "$work"
windows() { echo "Z:${1//\//\\}"; }  # Wine's drive Z: is the root folder
a=$(windows "$work/data/press-line-a.arc")
b=$(windows "$work/data/press-line-b.arc")

start() {
  w "$parvex" >>"$work/parvex.log" 2>&1 &
  app=$!
  pids+=("$app")
  wid=$(find_window '^Parvex [0-9]')
  [[ -n "$wid" ]] || fail "the main window did not appear"
  sleep 1
  activate "$wid"
  sleep 0.5
}
# The focus starts in the list; Tab walks the fields and buttons in order.
tabs() { for _ in $(seq "$1"); do xdotool key Tab; sleep 0.1; done; }
save_as() {  # from the focused Compare Two Archive Files button
  tabs 2
  xdotool key Return
  dialog=$(find_window '^Save Difference List$')
  [[ -n "$dialog" ]] || fail "the save dialog did not appear"
  activate "$dialog"
  sleep 1
  # The name field holds the last name: replace it, without its extension,
  # and choose the type Comma Delimited, whose extension the dialog adds.
  xdotool key End shift+Home
  xdotool type --delay 10 "$(windows "${1%.csv}")"
  xdotool key --delay 200 Tab Down Return
  for _ in $(seq 100); do [[ -s "$1" ]] && break; sleep 0.1; done
  [[ -s "$1" ]] || fail "no report was saved as $1: $(ls "$(dirname "$1")")"
  sleep 0.5
}
finish() {
  activate "$wid"
  sleep 0.3
  xdotool key --delay 200 alt+f x
  timeout 30 tail --pid="$app" -f /dev/null || fail "the program did not end after File, Exit"
}
titles() { sed -n 3p "$1" | tr -d '\r'; }

start
tabs 1
xdotool type --delay 10 "$a"
tabs 1
xdotool type --delay 10 "$b"
tabs 7
xdotool key Return
sleep 1
save_as "$work/data/first.csv"
finish
expected="Address,Description,Archive 1: $a,Archive 2: $b,Units"
[[ "$(titles "$work/data/first.csv")" == "$expected" ]] ||
  fail "the report's titles are $(titles "$work/data/first.csv"), not $expected"
[[ "$(tail -n +4 "$work/data/first.csv" | wc -l)" == 6 ]] || fail "the report has not 6 rows"

# The settings are in the registry, with the types they are registered with.
misc=$(w reg query 'HKCU\Software\Brenlo\Parvex\Misc' 2>/dev/null | tr -d '\r')
screen=$(w reg query 'HKCU\Software\Brenlo\Parvex\MainScreen' 2>/dev/null | tr -d '\r')
grep -qF "Archive1    REG_SZ    $a" <<<"$misc" || fail "Archive1 is not stored: $misc"
grep -qF "Archive2    REG_SZ    $b" <<<"$misc" || fail "Archive2 is not stored: $misc"
grep -qE "MainWidth +REG_DWORD +0x" <<<"$screen" || fail "MainWidth is not stored: $screen"

# Again: the paths come back from the registry, and so does the report.
start
tabs 9
xdotool key Return
sleep 1
save_as "$work/data/second.csv"
[[ "$(titles "$work/data/second.csv")" == "$expected" ]] || fail "the paths did not come back"

# F1: the shell opens the manual with the program registered for PDF files,
# here one that notes the file it was given.
opened=$(windows "$work/opened.txt")
w reg add 'HKCR\.pdf' /ve /d ParvexTest.Pdf /f >/dev/null 2>&1
w reg add 'HKCR\ParvexTest.Pdf\shell\open\command' /ve \
  /d "cmd /c echo %1> $opened" /f >/dev/null 2>&1
activate "$wid"
xdotool key F1
for _ in $(seq 100); do [[ -s "$work/opened.txt" ]] && break; sleep 0.2; done
grep -qi 'Documentation\\[0-9_]*\.pdf' "$work/opened.txt" 2>/dev/null ||
  fail "F1 did not open the manual: $(cat "$work/opened.txt" 2>/dev/null)"
finish
echo "e2e-wine: passed"
