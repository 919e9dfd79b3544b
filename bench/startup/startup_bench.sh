#!/usr/bin/env bash
# Start-up time of the recorder against a bare Qt window (a menu bar and a status bar), both
# launched the same way on one virtual screen: from the launch to the window mapped, found by
# polling `xdotool search --onlyvisible` every 10 ms. The recorder runs with the simulated logger,
# the test-pattern camera and a new user's settings file each run. One untimed launch of each
# warms the caches; the timed runs alternate the two programs. Prints both medians and the ratio.
# Usage: bench_startup [runs]   (default 5)
set -euo pipefail
runs=${1:-5}
program=@PROGRAM@
driver=@DRIVER@
bare=@BARE@

if [ -z "${STARTUP_BENCH_ON_XVFB:-}" ]; then
  export STARTUP_BENCH_ON_XVFB=1
  # A display number of its own, away from the tests' virtual screens that start at 99; the
  # server is not reset when the last program leaves, so the next one always finds it.
  exec xvfb-run -a -n $((200 + RANDOM % 300)) -s "-screen 0 1280x900x24 -noreset" bash "$0" "$@"
fi

work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
export VELATRACE_DRIVER="$driver" VELATRACE_TEST_CAMERA=1 VELATRACE_SIM_CONFIG="$work/none.cfg"
unset QT_QPA_PLATFORM

# Launches one program, waits for its window titled $1 to be mapped, ends it; prints milliseconds.
time_launch() {
  local title=$1 run=$2
  shift 2
  local start now
  export VELATRACE_REGISTRY="$work/run$run.reg"
  start=$(date +%s%N)
  "$@" > "$work/program.log" 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "^$title\$" > /dev/null 2>&1; do
    kill -0 "$pid" 2>/dev/null || { echo "$title ended early:" >&2; cat "$work/program.log" >&2; exit 1; }
    now=$(date +%s%N)
    if ((now - start > 30000000000)); then echo "no window \"$title\" in 30 s" >&2; exit 1; fi
    sleep 0.01
  done
  now=$(date +%s%N)
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=
  echo $(((now - start) / 1000000))
}

median() { printf '%s\n' "$@" | sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

time_launch "Korvex Pravis" warm "$program" > /dev/null
time_launch "Bare Qt window" warm "$bare" > /dev/null
ours=() theirs=()
for ((i = 1; i <= runs; i++)); do
  ours+=("$(time_launch "Korvex Pravis" "$i" "$program")")
  theirs+=("$(time_launch "Bare Qt window" "$i" "$bare")")
done
a=$(median "${ours[@]}")
b=$(median "${theirs[@]}")
echo "velatrace      ms: ${ours[*]}  median $a"
echo "bare Qt window ms: ${theirs[*]}  median $b"
awk -v a="$a" -v b="$b" 'BEGIN {printf "ratio %.2fx\n", a / b}'
