#!/bin/bash
# Builds TORVA.EXE and starts it under Wine (run as root on a fresh Debian
# machine: missing packages are installed first).
#
# With a working X display the calculator opens there, in your own Wine
# prefix, and the script returns when it is closed. Without one it runs on
# a private Xvfb, types a small calculation, saves a screenshot of the panel
# to build/torva.png and ends the program again.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
source scripts/wine-host.sh

build=build/mingw64
mkdir -p build
cmake --preset mingw64 >build/run-configure.log 2>&1 || {
  tail -30 build/run-configure.log; exit 1; }
# Only the program and what lies beside it (cues, help); scripts/test.sh
# builds the tests in the same tree.
cmake --build "$build" --target torva torva_cues torva_help -j "${JOBS:-2}"
exe=$build/bin/TORVA.EXE

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting $exe on $DISPLAY"
  wine_program "$exe"
fi

# No display: a private Wine session (prefix and Xvfb) under build/.
session=build/run-session
tests/wine/session.sh start "$session"
trap 'tests/wine/session.sh stop "$session"' EXIT
eval "$(tests/wine/session.sh env "$session")"

wine_program "$exe" >"$session/torva.log" 2>&1 &
program=$!

# Waits up to 30 s for the panel to be mapped; prints its X window id.
wait_for_panel() {
  local id
  for _ in $(seq 1 300); do
    id=$(xdotool search --onlyvisible --name '^TORVA NT$' 2>/dev/null | head -1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
  done
  return 1
}
window=$(wait_for_panel) || { echo "The TORVA NT window did not appear" >&2; exit 1; }

# 1024 Enter, 3 Enter 4 *, 2 Alt+s (square root), 22 Enter 7 /
xdotool windowfocus --sync "$window"
press() { xdotool key --delay 60 "$@"; }
xdotool type --delay 60 1024;  press Return
xdotool type --delay 60 3;     press Return
xdotool type --delay 60 '4*'
xdotool type --delay 60 2;     press alt+s
xdotool type --delay 60 22;    press Return
xdotool type --delay 60 '7/'
sleep 1  # let the panel repaint before the picture is taken

eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y, WIDTH, HEIGHT
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage build/torva.png
echo "Screenshot of the panel: $(pwd)/build/torva.png"

press alt+x  # the Exit command
for _ in $(seq 1 100); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
