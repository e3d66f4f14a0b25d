#!/usr/bin/env bash
# Takes a picture of the main window for the README: runs tollivance-sandbox on a private Xvfb
# display with a window manager, waits for the window, and saves docs/images/main-window.png.
# Usage: scripts/screenshot.sh [build folder]   (default: an existing build/asan or build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-}
if [ -z "$build" ]; then
  for candidate in build/release build/asan; do
    if [ -x "$candidate/tollivance-sandbox" ]; then build=$candidate; break; fi
  done
fi
if [ -z "$build" ]; then
  build=build/release
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLLIVANCE_BUILD_TESTS=OFF
fi
cmake --build "$build" --target tollivance-sandbox tollivance_assets -j 2

out=docs/images/main-window.png
mkdir -p "$(dirname "$out")"
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 640x520x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -1 "$work/display")" NO_AT_BRIDGE=1
export ASAN_OPTIONS=detect_leaks=0
# An empty scheduler socket keeps the picture independent of this machine's printers.
export CUPS_SERVER="$work/no-cups.sock"

openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
"$build/tollivance-sandbox" >/dev/null 2>&1 &
pids+=($!)

window=""
for _ in $(seq 150); do
  window=$(xdotool search --name '^Quorvanta Tollivance' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear within 15 s" >&2; exit 1; }
sleep 2  # let the window manager frame it and the window paint
# The window with its frame and title bar, and a small margin.
eval "$(xdotool getwindowgeometry --shell "$window")"
left=$((X > 12 ? X - 12 : 0)); top=$((Y > 40 ? Y - 40 : 0))
import -window root -crop "$((WIDTH + 24))x$((HEIGHT + 52))+$left+$top" +repage "$out"
echo "wrote $out"
