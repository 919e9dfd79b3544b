#!/usr/bin/env bash
# Starts the real program on a virtual screen with the simulated logger and the test-pattern
# camera, sets the capture folder and base name in the Capture setting dialog, records by
# keyboard (Ctrl+R, Ctrl+T, a few seconds, Ctrl+T), checks that the AVI and CSV pair was written
# under that folder and name, then opens it again with Ctrl+O and checks it joined the recent
# files.
# Usage: keyboard_capture.sh <velatrace program> <simulated driver library>
set -euo pipefail
program=$1
driver=$2

if [ -z "${SMOKE_ON_XVFB:-}" ]; then
  export SMOKE_ON_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x900x24" bash "$0" "$@"
fi

work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export VELATRACE_REGISTRY="$work/velatrace.reg"  # a new user: no settings yet
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
export VELATRACE_DRIVER="$driver"
export VELATRACE_TEST_CAMERA=1
export VELATRACE_SIM_CONFIG="$work/none.cfg"  # the default bench
unset QT_QPA_PLATFORM

"$program" > "$work/program.log" 2>&1 &
pid=$!

window=$(timeout 30 xdotool search --sync --name "Korvex Pravis" | head -n 1)
sleep 2  # the deferred start-up binds the camera and connects the logger
press() {
  xdotool windowfocus --sync "$window"
  xdotool key --clearmodifiers "$1"
}
# File > Capture setting...: the folder and base name typed into the dialog, then OK.
press alt+f
xdotool key --clearmodifiers c
dialog=$(timeout 10 xdotool search --sync --name "^Capture setting$" | head -n 1)
xdotool windowfocus --sync "$dialog"
xdotool key --clearmodifiers alt+p ctrl+a
xdotool type --delay 10 "$work/takes"
xdotool key --clearmodifiers alt+f ctrl+a
xdotool type --delay 10 "smoke"
xdotool key --clearmodifiers Return
sleep 1
press ctrl+r
sleep 2
press ctrl+t
sleep 3
press ctrl+t
sleep 1

fail() {
  echo "smoke test: $1"
  ls -lR "$work"
  cat "$work/program.log"
  exit 1
}
kill -0 "$pid" 2>/dev/null || fail "the program ended early"
takes="$work/takes"
[ -s "$takes/smoke.avi" ] || fail "no AVI written where the dialog said"
[ -s "$takes/smoke.csv" ] || fail "no CSV written where the dialog said"
frames=$(ffprobe -v error -count_frames -select_streams v:0 \
  -show_entries stream=nb_read_frames -of csv=p=0 "$takes/smoke.avi")
[ "${frames:-0}" -gt 0 ] || fail "the AVI holds no frames"
rows=$(($(wc -l < "$takes/smoke.csv") - 3))
[ "$rows" -gt 0 ] || fail "the CSV holds no rows"

# Without automatic numbering the end of the capture also ends the preview, so File Open is on.
press ctrl+o
sleep 2
xdotool type --delay 10 "$takes/smoke.avi"
xdotool key Return
sleep 2
grep -q "smoke.avi" "$work/velatrace.reg" || fail "the opened pair is not in the recent files"
echo "smoke test: AVI with $frames frames and CSV with $rows rows written and opened again"
