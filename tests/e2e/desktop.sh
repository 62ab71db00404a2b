# The desktop both end-to-end tests drive: a work folder removed at the end,
# Xvfb with a window manager (openbox), and helpers that find, activate and
# click windows through the X server only (xdotool). Sourced, not run.
#
# A loaded machine (a build beside the tests) takes seconds for what an idle
# one does at once, so no step waits for a fixed short time: each waits for
# its condition as long as the process that is to bring it about runs, and
# gives up only after a minute, far beyond any slow start.
work=$(mktemp -d)
pids=()

# until_true SECONDS PID COMMAND...: runs COMMAND until it succeeds; false
# once PID (when not empty) has ended or SECONDS have passed.
until_true() {
  local deadline=$((SECONDS + $1)) pid=$2
  shift 2
  until "$@"; do
    if [[ -n "$pid" ]] && ! kill -0 "$pid" 2>/dev/null; then "$@" && return 0 || return 1; fi
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}
gone() { ! kill -0 "$1" 2>/dev/null; }
# Ends the processes and waits until each has gone: an X server that is still
# going away removes its socket as it ends, which may by then belong to the
# next server on the same display number.
stop() {
  local p
  for p in "$@"; do kill "$p" 2>/dev/null || true; done
  for p in "$@"; do until_true 10 "" gone "$p" || kill -9 "$p" 2>/dev/null || true; done
}
cleanup() {
  stop "${pids[@]}"
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "e2e: FAILED: $*" >&2
  for log in "$work/xvfb.log" "$work/openbox.log" "$work/parvex.log"; do
    [[ -s "$log" ]] && sed "s|^|e2e: $(basename "$log"): |" "$log" >&2
  done
  if command -v import >/dev/null; then
    import -window root "${TMPDIR:-/tmp}/parvex-e2e-failure.png" 2>/dev/null &&
      echo "e2e: the screen is in ${TMPDIR:-/tmp}/parvex-e2e-failure.png" >&2
  fi
  exit 1
}

display_up() { xdpyinfo >/dev/null 2>&1; }
wm_ready() { [[ "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)" == *"window id"* ]]; }
# Xvfb (which picks a free display itself and writes its number to the file
# once it takes connections), then the window manager that frames the
# windows, as on a desktop. Another X server that is just going away can take
# the new one's socket with it, so a start whose server or window manager
# ends is tried again, up to three times.
start_display() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  pids+=("$xvfb")
  until_true 60 "$xvfb" test -s "$work/display" || return 1
  export DISPLAY=":$(head -1 "$work/display")"
  until_true 60 "$xvfb" display_up || return 1
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  wm=$!
  pids+=("$wm")
  until_true 60 "$wm" wm_ready
}
open_desktop() {
  for attempt in 1 2 3; do
    start_display && return 0
    stop "${wm:-}" "${xvfb:-}"
    ((attempt < 3)) || fail "Xvfb and openbox did not start"
    echo "e2e: Xvfb and openbox did not start; trying again" >&2
  done
}

# The first visible window whose name matches, waiting while the process PID
# (when given) runs; empty when none came.
window_named() { found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [[ -n "$found" ]]; }
find_window() {
  local found=""
  until_true 60 "${2:-}" window_named "$1" || true
  echo "$found"
}
activate() {
  timeout 5 xdotool windowactivate --sync "$1" 2>/dev/null ||
    timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null || true
}
# The window's outer geometry on the screen, frame included: "x y width height".
outer() {
  local x=0 y=0 w=0 h=0 l=0 r=0 t=0 b=0
  eval "$(xwininfo -id "$wid" | awk '/Absolute upper-left X/ {print "x=" $4}
    /Absolute upper-left Y/ {print "y=" $4} /Width:/ {print "w=" $2} /Height:/ {print "h=" $2}')"
  # No frame yet: the window's own geometry.
  read -r l r t b < <(xprop -id "$wid" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //; s/,//gp') || true
  l=${l:-0} r=${r:-0} t=${t:-0} b=${b:-0}
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
# A point in the window's inner area, given in design twips below the menu bar.
click() {
  local menu=24
  xdotool mousemove --window "$wid" $(($1 / 15)) $(($2 / 15 + menu)) click 1
  sleep 0.3
}
