#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine, builds, and starts Velatrace.
# With no logger driver library installed it uses the simulated logger, and with no camera
# it lists the test-pattern camera, so the program can be tried without hardware.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

build=build/run
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELATRACE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target velatrace gtcusbr

if [ -z "${VELATRACE_DRIVER:-}" ] && ! ldconfig -p | grep -q 'libgtcusbr\.so'; then
  export VELATRACE_DRIVER="$PWD/$build/sim/libgtcusbr.so"
  echo "No logger driver library found: using the simulated logger."
fi
if [ -z "${VELATRACE_TEST_CAMERA:-}" ] && ! ls /dev/video* >/dev/null 2>&1; then
  export VELATRACE_TEST_CAMERA=1
  echo "No camera found: the test-pattern camera is listed."
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display. To run Velatrace on a virtual screen:"
  echo "  xvfb-run -s '-screen 0 1600x1000x24' bash scripts/run.sh"
  exit 1
fi
exec "$build/src/app/velatrace"
