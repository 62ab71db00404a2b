#!/usr/bin/env bash
# Drives the real parvex under Xvfb with a window manager (openbox), through
# the X server only (xdotool): types two archive paths, compares, copies the
# rows and reads them from the clipboard, saves a CSV
# report through the real save dialog, exits from the menu, checks the report
# and the settings file, then starts twice more and checks that the inputs and
# the placement came back unchanged; then the reference window, and two
# values taken through the real preview; last the History window adds two
# snapshots and compares them. Every wait is bounded.
#   e2e.sh PARVEX_EXECUTABLE SOURCE_DIR READ_CLIPBOARD_EXECUTABLE
set -euo pipefail
parvex="$1"
source_dir="$2"
read_clipboard="$3"
source "$(dirname "$0")/desktop.sh"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run" \
  QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
open_desktop

mkdir -p "$work/data"
cp "$source_dir/docs/samples/press-line-a.arc" "$source_dir/docs/samples/press-line-b.arc" "$work/data/"
a="$work/data/press-line-a.arc"
b="$work/data/press-line-b.arc"
report="$work/data/difference report.csv"
settings="$XDG_CONFIG_HOME/parvex/registry.json"

# Every start shows the window where the first run placed it: 10000 x 10000
# twips, frame included, at the top left corner. The window manager frames
# the window, then the window fits its stored outer size to the frame: the
# test waits for that as long as the program runs.
placed() { [[ "$(xprop -id "$wid" _NET_FRAME_EXTENTS 2>/dev/null)" == *=* && "$(outer)" == "0 0 667 667" ]]; }
start() {
  "$parvex" >>"$work/parvex.log" 2>&1 &
  app=$!
  pids+=("$app")
  wid=$(find_window '^Parvex [0-9]' "$app")
  [[ -n "$wid" ]] || fail "the main window did not appear"
  until_true 60 "$app" placed || fail "the window is at $(outer) outside, not 0 0 667 667"
  activate "$wid"
}
wait_end() {
  until_true 60 "" gone "$app" || fail "the program did not end after $1"
}
# Answers the file dialog titled $2 that window $1 opened: the dialog belongs
# to that window; the text typed replaces its name field's.
answer_dialog() {
  local dialog
  dialog=$(find_window "^$2\$" "$app")
  [[ -n "$dialog" ]] || fail "the $2 dialog did not appear"
  [[ "$(xprop -id "$dialog" WM_TRANSIENT_FOR)" == *"$(printf '0x%x' "$1")" ]] ||
    fail "the $2 dialog is not a child of its window"
  activate "$dialog"
  sleep 0.5
  xdotool key ctrl+a
  xdotool type --delay 5 "$3"
  xdotool key Return
  until_true 60 "$app" window_gone "^$2\$" || fail "the $2 dialog did not close"
}
window_gone() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
saved() {  # FILE: once the program has written it
  until_true 60 "$app" test -s "$1" || fail "nothing was saved as $1"
}
finish() {  # File, Exit; the window writes its settings as it closes
  activate "$wid"
  sleep 0.3
  xdotool key --delay 150 alt+f
  sleep 0.3
  xdotool key x
  wait_end "File, Exit"
}
quit() {  # Ctrl+Q ends the program as File, Exit does
  activate "$wid"
  sleep 0.3
  xdotool key ctrl+q
  wait_end "Ctrl+Q"
}
start
[[ "$(xprop -id "$wid" _NET_WM_ICON)" == *"Icon ("* ]] || fail "the window has no icon"
# The list has the focus; Tab reaches Archive 1, then Archive 2.
xdotool key Tab
xdotool type --delay 5 "$a"
xdotool key Tab
xdotool type --delay 5 "$b"
# "Compare Two Archive Files": fraCommand, Frame2 at 720, the button at 360 (2055 x 615).
click $((120 + 120 + 120 + 1000)) $((720 + 360 + 300))
# A row of the list (lvList at 2760, 1560), then every row, copied: the
# clipboard holds them as tab-separated lines under the captions.
click $((2760 + 300)) $((1560 + 700))
xdotool key ctrl+a
xdotool key ctrl+c
t=$'\t'
expected_copy=$(printf '%s\n' "Address${t}Description${t}Archive 1${t}Archive 2${t}Units" \
  "10.1${t}Max speed${t}3000${t}3600${t}rpm" "10.4${t}Current limit${t}12.5${t}15${t}A" \
  "11.6${t}In-position window${t}0.01${t}0.012${t}mm" "12.3${t}Ramp up time${t}2.5${t}3${t}s" \
  "12.5${t}Coolant delay${t}1.5${t}1.8${t}s" "13.2${t}Safe speed${t}2000${t}2400${t}mm/min")
copied_rows() { copied=$("$read_clipboard" 2>/dev/null) && [[ "$copied" == "$expected_copy" ]]; }
until_true 20 "$app" copied_rows || fail "the clipboard holds: ${copied:-nothing readable}"
# "Save Difference List": fraFunctions at 4080, the button at 1080.
click $((120 + 120 + 120 + 1000)) $((4080 + 1080 + 300))
answer_dialog "$wid" "Save Difference List" "$report"
saved "$report"
sleep 0.3
finish

# The report, its date line aside: the rows copied, fields quoted, lines ended CR LF.
sed 's/$/\r/' >"$work/expected.csv" <<ROWS

Address,Description,Archive 1: $a,Archive 2: $b,Units
$(tail -n +2 <<<"$expected_copy" | sed 's/\t/","/g; s/^/"/; s/$/",/')
ROWS
tail -n +2 "$report" | diff -u "$work/expected.csv" - || fail "$report differs from the expected report"
head -1 "$report" | grep -q '^Archive Report Created at ' || fail "no date line"

# The settings: both paths, the folder, and a normal placement.
[[ -f "$settings" ]] || fail "no settings file"
grep -q "\"text\": \"$a\"" "$settings" || fail "Archive1 not stored"
grep -q "\"text\": \"$b\"" "$settings" || fail "Archive2 not stored"
grep -q "\"text\": \"$work/data\"" "$settings" || fail "SavePath not stored"
cp "$settings" "$work/first.json"

# Start again, twice: the fields and the placement come back, so closing
# stores the same values again, under a window manager too.
placement() {  # "mainheight=... mainleft=... mainmax=... maintop=... mainwidth=..."
  # The file is indented JSON with sorted keys: "dword" is each value's first line.
  awk '/"main(left|top|width|height|max)": \{/ {
         name = $1; getline; gsub(/[":]/, "", name); gsub(/[^0-9-]/, "", $0); print name "=" $0 }' \
    "$settings" | sort | paste -sd' '
}
first=$(placement)
# 10000 twips are 666.7 pixels at 96 dots per inch: the stored size is the nearest pixel's.
[[ "$first" == "mainheight=10005 mainleft=0 mainmax=0 maintop=0 mainwidth=10005" ]] ||
  fail "the first close stored $first"
for run in 2 3; do
  start
  if ((run == 2)); then finish; else quit; fi
  [[ "$(placement)" == "$first" ]] || fail "start $run moved the window: $(placement), not $first"
  diff -u "$work/first.json" "$settings" || fail "the inputs or the placement did not come back"
done
# A last start: File, Compare with Reference... (Ctrl+R); the reference typed,
# two archives added through the real Add Files dialog, compared, and the
# result saved through the real save dialog as a web page, read back.
start
activate "$wid"
sleep 0.3
xdotool key ctrl+r
ref_wid=$(find_window '^Compare with Reference$' "$app")
[[ -n "$ref_wid" ]] || fail "the Compare with Reference window did not appear"
activate "$ref_wid"
sleep 0.5
xdotool key alt+r
xdotool type --delay 5 "$a"
for archive in "$b" "$a"; do
  activate "$ref_wid"
  xdotool key alt+f
  answer_dialog "$ref_wid" "Add Archives" "$archive"
done
activate "$ref_wid"
xdotool key alt+c
# The comparison runs on threads of its own; until it has ended, Save Report
# says there is nothing to save (a message box, titled as the program is).
for _ in $(seq 30); do
  activate "$ref_wid"
  xdotool key alt+s
  shown=$(find_window '^(Save Report|Parvex 1)$' "$app")
  [[ -n "$shown" && "$(xdotool getwindowname "$shown")" == "Parvex 1" ]] || break
  activate "$shown"
  xdotool key Return
  until_true 60 "$app" window_gone '^Parvex 1$' || fail "the message did not close"
done
web="$work/data/fleet report"
answer_dialog "$ref_wid" "Save Report" "$web.html"
saved "$web.html"
grep -q '<!DOCTYPE html>' "$web.html" || fail "the report is no web page"
# press-line-b.arc deviates in six parameters, press-line-a.arc (itself) in none.
for text in press-line-b.arc press-line-a.arc 'Max speed' 'Safe speed' 3600; do
  grep -qF "$text" "$web.html" || fail "the web page lacks $text"
done
activate "$ref_wid"
quit
grep -q '"referencearchives"' "$settings" || fail "the reference window's archives were not stored"
# Once more: the pair compared again, Edit, Take Archive 1 Values...; in the
# real preview the keyboard leaves the first two lines checked and unchecks
# the other four; Save As writes the corrected copy through the real save
# dialog, and only those two values of Archive 1 are in it.
start
click $((120 + 120 + 120 + 1000)) $((720 + 360 + 300))
sleep 0.5
activate "$wid"
xdotool key --delay 150 alt+e
sleep 0.3
xdotool key 1
preview=$(find_window '^Take Archive 1 Values$' "$app")
[[ -n "$preview" ]] || fail "the preview did not appear"
activate "$preview"
sleep 0.5
xdotool key --delay 50 Down Down Down space Down space Down space Down space
xdotool key alt+s
corrected="$work/data/press-line-b-corrected.arc"
answer_dialog "$wid" "Save Corrected Archive" "$corrected"
saved "$corrected"
awk 'BEGIN { FS = OFS = "\t" } $1 == "10.1" { $3 = "3000" } $1 == "10.4" { $3 = "12.5" } { print }' \
  "$b" >"$work/expected.arc"
cmp "$work/expected.arc" "$corrected" || fail "the corrected copy is not Archive 2 with two values taken"
quit
grep -q "\"text\": \"$corrected\"" "$settings" || fail "the comparison did not run again on the copy"
# File, History... (Ctrl+H): two snapshots added through the real Add
# Snapshots dialog, the first naming its machine in the dialog that asks,
# both selected and compared: the main window lists the pair, each file
# named by the machine and the time it was taken.
touch -d '2024-04-29 08:00:00' "$a"
touch -d '2024-04-30 08:00:00' "$b"
start
activate "$wid"
sleep 0.3
xdotool key ctrl+h
history_wid=$(find_window '^History$' "$app")
[[ -n "$history_wid" ]] || fail "the History window did not appear"
for archive in "$a" "$b"; do
  activate "$history_wid"
  xdotool key alt+a
  answer_dialog "$history_wid" "Add Snapshots" "$archive"
  if [[ "$archive" == "$a" ]]; then
    answer_dialog "$history_wid" "New Machine" "press-line"
  fi
done
activate "$history_wid"
xdotool key alt+n ctrl+a alt+c
activate "$wid"
click $((2760 + 300)) $((1560 + 700))
xdotool key ctrl+a ctrl+c
until_true 20 "$app" copied_rows || fail "after Compare in History the clipboard holds: ${copied:-nothing}"
quit
[[ -s "$HOME/.local/share/parvex/history.sqlite" ]] || fail "no history store in the data folder"
grep -q '"text": ".*/press-line 2024-04-29T08:00:00.arc"' "$settings" ||
  fail "Archive 1 of the comparison is not named by machine and time"
grep -q '"historystore"' "$settings" && fail "the default store was written to the settings"
echo "e2e: passed"
