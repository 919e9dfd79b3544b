#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine, builds, and runs the whole test suite twice:
# once as built for users, once under AddressSanitizer and UndefinedBehaviorSanitizer; then the
# Windows suite, cross-built with mingw-w64 and run under Wine (scripts/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DVELATRACE_BUILD_BENCH=OFF "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600
}

echo "== Tests =="
run_suite build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
run_suite build/test-asan -DCMAKE_BUILD_TYPE=Debug -DVELATRACE_SANITIZE=ON
echo "== Windows suite under Wine =="
bash scripts/test-windows.sh
