#!/usr/bin/env bash
# The Windows suite: cross-builds the core, the Windows backends, the driver host, the simulated
# gtcusbr.dll and their tests with mingw-w64, and runs the tests under Debian's 64-bit Wine.
# The 32-bit driver host and gtcusbr.dll (the ones the product ships) are built as well and the
# DLL's exports checked; these machines cannot run 32-bit code, so the same sources run 64-bit.
# Run by scripts/test.sh after the Linux suites; alone it expects scripts/install-deps.sh to
# have run.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

# The targets each word size builds (the 64-bit build also holds the tests).
win64_targets=(test_windows test_windows_dde velatrace-driverhost gtcusbr)
win32_targets=(velatrace-driverhost gtcusbr)

win_build() {
  local dir=$1 toolchain=$2; shift 2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain" \
    -DVELATRACE_WINDOWS_SUITE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$dir" -j "$jobs" --target "$@"
}

win_build build/win64 toolchain-mingw64.cmake "${win64_targets[@]}"
win_build build/win32 toolchain-mingw32.cmake "${win32_targets[@]}"

# The FFmpeg engine's DirectShow cameras: FFmpeg for Windows is not in Debian, so the camera
# files are compiled (syntax only, warnings as errors) against Debian's FFmpeg headers, which
# are the same for both systems; only the FFmpeg folders are put on the include path.
ffmpeg_headers=build/win64/ffmpeg-headers
mkdir -p "$ffmpeg_headers"
for dir in /usr/include/x86_64-linux-gnu/lib{av,sw}*; do ln -sfn "$dir" "$ffmpeg_headers/"; done
for file in DshowCamera.cpp CameraList.cpp AvDeviceSource.cpp; do
  x86_64-w64-mingw32-g++-posix -std=c++20 -Wall -Wextra -Werror -fsyntax-only -Isrc \
    -isystem "$ffmpeg_headers" "src/video/ffmpeg/$file"
done
echo "the DirectShow camera files compile with mingw-w64"

# The 32-bit gtcusbr.dll exports the driver's six entries under their decorated names, and
# nothing else.
expected="_GtcUSBr_CloseDevice@4
_GtcUSBr_OpenDevice@0
_GtcUSBr_ReadDeviceEx@16
_GtcUSBr_ReadDevice@20
_GtcUSBr_WriteDeviceEx@16
_GtcUSBr_WriteDevice@20"
exports=$(i686-w64-mingw32-objdump -p build/win32/bin/gtcusbr.dll |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $NF}' | LC_ALL=C sort)
if [ "$exports" != "$(LC_ALL=C sort <<<"$expected")" ]; then
  echo "build/win32/bin/gtcusbr.dll exports:" >&2
  echo "$exports" >&2
  echo "expected exactly:" >&2
  echo "$expected" >&2
  exit 1
fi
echo "build/win32/bin/gtcusbr.dll exports the six decorated entries"
for file in build/win32/bin/velatrace-driverhost.exe build/win32/bin/gtcusbr.dll; do
  if ! i686-w64-mingw32-objdump -f "$file" | grep -q "file format pei-i386"; then
    echo "$file is not 32-bit Windows code" >&2
    exit 1
  fi
done

# Headless 64-bit Wine with a prefix of its own inside the build folder; no Mono or Gecko.
# Both come with Debian's wine64 package (scripts/install-deps.sh), which needs no launcher.
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[ -x "$wine" ] || { echo "64-bit Wine is missing: install Debian's package wine64" >&2; exit 1; }
[ -x "$wineserver" ] || wineserver=true
export WINEPREFIX="$PWD/build/win64/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINELOADER="$wine"
status=0
env -u DISPLAY "$wine" build/win64/bin/test_windows.exe || status=$?
# DDE between two programs needs a display; the Wine server is shared with its own.
"$wineserver" -k 2>/dev/null || true
xvfb-run -a "$wine" build/win64/bin/test_windows_dde.exe || status=$?
"$wineserver" -k 2>/dev/null || true
exit "$status"
