#!/usr/bin/env bash
# Starts the real program on a virtual screen with the simulated logger and the test-pattern
# camera, records by keyboard (Ctrl+R, Ctrl+T, a few seconds, Ctrl+T), checks that the AVI and
# CSV pair was written, then opens it again with Ctrl+O and checks it joined the recent files.
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

cat > "$work/velatrace.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Korvex\\Velatrace\\Capture]
"path"="$work/"
"filename"="smoke"
REG

export VELATRACE_REGISTRY="$work/velatrace.reg"
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
press ctrl+r
sleep 2
press ctrl+t
sleep 3
press ctrl+t
sleep 1

fail() {
  echo "smoke test: $1"
  ls -l "$work"
  cat "$work/program.log"
  exit 1
}
kill -0 "$pid" 2>/dev/null || fail "the program ended early"
[ -s "$work/smoke.avi" ] || fail "no AVI written"
[ -s "$work/smoke.csv" ] || fail "no CSV written"
frames=$(ffprobe -v error -count_frames -select_streams v:0 \
  -show_entries stream=nb_read_frames -of csv=p=0 "$work/smoke.avi")
[ "${frames:-0}" -gt 0 ] || fail "the AVI holds no frames"
rows=$(($(wc -l < "$work/smoke.csv") - 3))
[ "$rows" -gt 0 ] || fail "the CSV holds no rows"

# Without automatic numbering the end of the capture also ends the preview, so File Open is on.
press ctrl+o
sleep 2
xdotool type --delay 10 "$work/smoke.avi"
xdotool key Return
sleep 2
grep -q "smoke.avi" "$work/velatrace.reg" || fail "the opened pair is not in the recent files"
echo "smoke test: AVI with $frames frames and CSV with $rows rows written and opened again"
