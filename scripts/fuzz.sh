#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for the given seconds (default 60), one after the
# other: scripts/fuzz.sh [seconds] [target...]   targets: settings wave_csv logger_replies
# block_decoder clip_index (default all). New inputs go to build/fuzz/corpus/<target>, the
# committed seeds in fuzz/corpus/<target> are read; an input that breaks a harness is saved in
# build/fuzz/artifacts/<target>/ and the script fails. Copy it into fuzz/corpus/<target> once
# fixed: the test suite replays that folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

# clang and its fuzzer runtime (libclang_rt.fuzzer), only needed here.
packages=(clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(settings wave_csv logger_replies block_decoder clip_index)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DVELATRACE_FUZZ=ON -DVELATRACE_BUILD_UI=OFF \
  -DVELATRACE_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build/fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

# Loaders that read from a path get their scratch files in memory when possible.
[ -w /dev/shm ] && export TMPDIR=/dev/shm
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for t in "${targets[@]}"; do
  mkdir -p "build/fuzz/corpus/$t" "build/fuzz/artifacts/$t" build/fuzz/logs
  log="build/fuzz/logs/$t.log"
  echo "== $t: ${seconds} s (log $log)"
  if ! "build/fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
      -artifact_prefix="build/fuzz/artifacts/$t/" "build/fuzz/corpus/$t" "fuzz/corpus/$t" \
      >"$log" 2>&1; then
    failed+=("$t")
    grep -E "ERROR|SUMMARY|property broken|Test unit written" "$log" || tail -20 "$log" || true
  fi
  grep -E "^#[0-9]+.*(DONE|cov:)" "$log" | tail -1 || true
  grep -E "stat::number_of_executed_units" "$log" || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Faults found by: ${failed[*]}"
  exit 1
fi
