#!/usr/bin/env bash
# Takes the README's screenshots under Xvfb with a window manager (openbox),
# as on a desktop: the main window after comparing the two sample archives,
# with its frame, the About window, and the Compare with Reference window
# after comparing a small fleet made from the samples.
#   scripts/screenshot.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="${2:-docs/images}"
mkdir -p "$out"
command -v import >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq imagemagick >/dev/null

work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; [[ -n "${wm:-}" ]] && kill $wm 2>/dev/null
  [[ -n "${app:-}" ]] && kill $app 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
display=":$(head -1 "$work/display")"
export DISPLAY="$display" HOME="$work" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
for _ in $(seq 50); do
  [[ "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)" == *"window id"* ]] && break
  sleep 0.1
done

samples="$(pwd)/docs/samples"
# A fleet of four presses: one as approved, one as the second sample, one with
# two values changed and one that lacks a line.
fleet="$work/fleet"
mkdir -p "$fleet"
cp "$samples/press-line-a.arc" "$fleet/press-01.arc"
cp "$samples/press-line-b.arc" "$fleet/press-02.arc"
sed -e 's/\t3000\t/\t3100\t/' -e 's/\t12.5\t/\t12.8\t/' "$samples/press-line-a.arc" >"$fleet/press-03.arc"
sed -e '5d' "$samples/press-line-a.arc" >"$fleet/press-04.arc"
archives_hex=$(printf '%s\n' "$fleet"/press-0*.arc | od -An -tx1 | tr -d ' \n')
mkdir -p "$work/config/parvex"
cat >"$work/config/parvex/registry.json" <<JSON
{"HKEY_CURRENT_USER": {"keys": {"software": {"name": "Software", "keys": {"brenlo": {"name": "Brenlo",
 "keys": {"parvex": {"name": "Parvex", "keys": {
  "misc": {"name": "Misc", "values": {
    "archive1": {"name": "Archive1", "type": 1, "text": "$samples/press-line-a.arc"},
    "archive2": {"name": "Archive2", "type": 1, "text": "$samples/press-line-b.arc"},
    "readonly": {"name": "ReadOnly", "type": 4, "dword": 1}}},
  "referencescreen": {"name": "ReferenceScreen", "values": {
    "reference": {"name": "Reference", "type": 1, "text": "$samples/press-line-a.arc"},
    "referencearchives": {"name": "ReferenceArchives", "type": 3, "hex": "$archives_hex"}}},
  "mainscreen": {"name": "MainScreen", "values": {
    "mainwidth": {"name": "MainWidth", "type": 4, "dword": 11400},
    "mainheight": {"name": "MainHeight", "type": 4, "dword": 6900}}}}}}}}}}}}
JSON

"$build/app/parvex" &
app=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^Parvex " | head -1)
sleep 1.5
# Tab from the list to "Compare Two Archive Files" (the ninth stop) and press it.
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
xdotool key --delay 30 Tab Tab Tab Tab Tab Tab Tab Tab Tab space
sleep 0.5
# The window with the frame the window manager gave it.
import -frame -window "$wid" "$out/main-window.png"

# Help, About: Alt+H, then A.
xdotool key --delay 80 alt+h a
sleep 1
# The About window is centred on the 1024 x 768 screen.
import -window root -crop 546x382+239+193 +repage "$out/about-window.png"
xdotool key Escape
sleep 0.5

# File, Compare with Reference... (Ctrl+R), Compare, and the first archive
# that deviates selected in the summary.
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
xdotool key ctrl+r
ref=$(timeout 20 xdotool search --sync --onlyvisible --name "^Compare with Reference$" | head -1)
xdotool windowsize "$ref" 900 640
xdotool windowmove "$ref" 40 40
sleep 1
xdotool windowactivate --sync "$ref" 2>/dev/null || xdotool windowfocus "$ref"
xdotool key alt+c
sleep 1.5
import -frame -window "$ref" "$out/reference-window.png"
echo "screenshots in $out"
