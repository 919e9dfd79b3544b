#!/usr/bin/env bash
# Installs the build into a new folder and checks what a desktop needs there: the program, its
# menu entry (valid, with English and Japanese names), the icon in the hicolor theme, the help,
# the media module and the simulated logger; then starts the installed program (offscreen, a new
# user, no logger installed on the system) and waits until it has loaded the simulated logger
# and the media module from its own library folder.
# Usage: installed_tree.sh <build folder> <desktop-file-validate>
set -euo pipefail
build=$1
validate=$2

prefix=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*"; exit 1; }
for file in bin/velatrace share/applications/velatrace.desktop \
            share/icons/hicolor/48x48/apps/velatrace.png \
            share/icons/hicolor/scalable/apps/velatrace.svg share/velatrace/help/index.html \
            lib/velatrace/libgtcusbr.so lib/velatrace/libvelatrace_ffmpeg.so; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
desktop=$prefix/share/applications/velatrace.desktop
"$validate" "$desktop" || fail "the desktop entry does not validate"
grep -q '^Name\[ja\]=' "$desktop" && grep -q '^Comment\[ja\]=' "$desktop" ||
  fail "the desktop entry has no Japanese name or comment"

export HOME="$prefix/home" XDG_CONFIG_HOME="$prefix/home/.config"
export VELATRACE_REGISTRY="$prefix/velatrace.reg" VELATRACE_TEST_CAMERA=1
export QT_QPA_PLATFORM=offscreen
unset VELATRACE_DRIVER
"$prefix/bin/velatrace" >"$prefix/out.txt" 2>&1 &
pid=$!
for _ in $(seq 600); do
  maps=$(cat "/proc/$pid/maps" 2>/dev/null) || fail "the installed program ended: $(cat "$prefix/out.txt")"
  if grep -q "$prefix/lib/velatrace/libgtcusbr.so" <<<"$maps" &&
     grep -q "$prefix/lib/velatrace/libvelatrace_ffmpeg.so" <<<"$maps"; then
    echo "PASS"
    exit 0
  fi
  sleep 0.1
done
fail "the installed program did not load its simulated logger and media module"
