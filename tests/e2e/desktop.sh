# The desktop both end-to-end tests drive: a work folder removed at the end,
# Xvfb with a window manager (openbox), and helpers that find, activate and
# click windows through the X server only (xdotool). Sourced, not run.
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  # An X server that is still going away removes its socket as it ends, which
  # may by then belong to the next server on the same display number: wait
  # (a few seconds at most) until every process has gone.
  for p in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
  done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "e2e: FAILED: $*" >&2
  for log in "$work/openbox.log" "$work/parvex.log"; do
    [[ -s "$log" ]] && sed "s|^|e2e: $(basename "$log"): |" "$log" >&2
  done
  if command -v import >/dev/null; then
    import -window root "${TMPDIR:-/tmp}/parvex-e2e-failure.png" 2>/dev/null &&
      echo "e2e: the screen is in ${TMPDIR:-/tmp}/parvex-e2e-failure.png" >&2
  fi
  exit 1
}

wm_ready() { [[ "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)" == *"window id"* ]]; }
# Xvfb (which picks a free display itself and writes its number to the file),
# then the window manager that frames the windows, as on a desktop. Another X
# server that is just going away can take the new one's socket with it, so a
# start that fails is tried again, up to three times.
start_display() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  pids+=("$xvfb")
  for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
  [[ -s "$work/display" ]] || return 1
  export DISPLAY=":$(head -1 "$work/display")"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  xdpyinfo >/dev/null 2>&1 || return 1
  # A loaded machine may take a while to start openbox: up to 30 seconds.
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  wm=$!
  pids+=("$wm")
  for _ in $(seq 300); do
    wm_ready && return 0
    kill -0 "$wm" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
open_desktop() {
  for attempt in 1 2 3; do
    start_display && return 0
    kill "${wm:-}" "${xvfb:-}" 2>/dev/null || true
    ((attempt < 3)) || fail "Xvfb and openbox did not start"
    echo "e2e: Xvfb and openbox did not start; trying again" >&2
    sleep 1
  done
}

# The first visible window whose name matches, waiting up to 20 seconds.
find_window() {
  local found=""
  for _ in $(seq 100); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
    [[ -n "$found" ]] && break
    sleep 0.2
  done
  echo "$found"
}
activate() {
  timeout 5 xdotool windowactivate --sync "$1" 2>/dev/null ||
    timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null || true
}
# The window's outer geometry on the screen, frame included: "x y width height".
outer() {
  local x y w h l r t b
  eval "$(xwininfo -id "$wid" | awk '/Absolute upper-left X/ {print "x=" $4}
    /Absolute upper-left Y/ {print "y=" $4} /Width:/ {print "w=" $2} /Height:/ {print "h=" $2}')"
  read -r l r t b < <(xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
# A point in the window's inner area, given in design twips below the menu bar.
click() {
  local menu=24
  xdotool mousemove --window "$wid" $(($1 / 15)) $(($2 / 15 + menu)) click 1
  sleep 0.3
}

