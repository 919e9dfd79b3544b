#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need.
# Runs apt only when something is missing, so a prepared machine starts at once.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev fonts-dejavu-core fonts-noto-cjk
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libavdevice-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libavfilter-dev
  libswresample-dev libturbojpeg0-dev libjpeg62-turbo-dev ffmpeg gstreamer1.0-tools gstreamer1.0-plugins-good
  libxlsxwriter-dev
  libsigrok-dev
  libx264-164
  xauth
  # The Windows suite (scripts/test-windows.sh): mingw-w64, GoogleTest's sources, 64-bit Wine
  # (run as /usr/lib/wine/wine64, which needs no launcher package).
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest wine64
)
# The outside commands the tests call, each as command:package. Their packages are installed
# here, and the tests' build reads these lines (velatrace_test_command in tests/CMakeLists.txt):
# it stops with the package's name when a command is missing, or when a test names a command
# that is not listed here.
test_commands=(
  ffprobe:ffmpeg
  gst-discoverer-1.0:gstreamer1.0-plugins-base-apps
  xvfb-run:xvfb
  xdotool:xdotool
  unzip:unzip
  i686-w64-mingw32-objdump:binutils-mingw-w64-i686
  desktop-file-validate:desktop-file-utils
  sigrok-cli:sigrok-cli
)
for c in "${test_commands[@]}"; do
  packages+=("${c#*:}")
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
