#!/usr/bin/env bash
# parvex without a display it can open: one line on standard error and status
# 2, before Qt would abort. Platforms that need no display still start.
# Usage: no-display.sh PARVEX
set -uo pipefail
parvex="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# A display number no X server here uses (Xvfb leaves a lock file).
n=4271
while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done

# Runs parvex with a clean display environment plus SETTINGS (NAME=VALUE words).
# Usage: run SETTINGS ARGUMENT...
run() {
  local settings=$1
  shift
  # shellcheck disable=SC2086 # the settings are words of their own
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/run" $settings \
    "$parvex" "$@" >"$work/out" 2>"$work/err"
}

line="parvex: no display; set DISPLAY, run under xvfb-run, or use parvex-cli"
for settings in "" "DISPLAY=:$n" \
  "DISPLAY=localhost:$n.0 QT_QPA_PLATFORM=wayland;xcb WAYLAND_DISPLAY=gone"; do
  run "$settings"
  status=$?
  [[ $status -eq 2 ]] || fail "[$settings] status $status, not 2"
  [[ "$(cat "$work/err")" == "$line" && ! -s "$work/out" ]] ||
    fail "[$settings] printed: $(cat "$work/out" "$work/err")"
done

# On a platform that needs no display the window's own start is reached:
# only there are three archives refused.
run QT_QPA_PLATFORM=offscreen a b c
grep -q "at most two archives" "$work/err" || fail "[offscreen] printed: $(cat "$work/err")"
run "" -platform minimal a b c
grep -q "at most two archives" "$work/err" || fail "[-platform minimal] printed: $(cat "$work/err")"
exit $((failures > 0))
