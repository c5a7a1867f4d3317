#!/bin/bash
# A private Wine session for the tests of one build tree: its own Wine
# prefix and its own Xvfb display, kept in a state directory.
#
#   session.sh start STATE [win32]   create the prefix (once) and start Xvfb
#   session.sh stop STATE [win32]    end every Wine process of the prefix and Xvfb
#   session.sh run STATE PROGRAM [ARGS...]   run a Windows program there
#   session.sh env STATE     print the environment, for `eval`
#
# Wine is started the way scripts/wine-host.sh decides for this host. Where
# it cannot start a 32-bit program, `run` of one, and `start` and `stop` of a
# session for them (win32), print "SKIPPED: " and the reason and exit with
# 77, which the tests take as skipped (SKIP_RETURN_CODE).
#
# TORVA_SCREEN sets the size of the Xvfb screen (default 1024x768x24).
set -u
cmd=$1 state=$2
shift 2
source "$(dirname "$0")/../../scripts/wine-host.sh"
skipped() { echo "SKIPPED: $wine_host_reason"; exit 77; }
mkdir -p "$state"
state=$(cd "$state" && pwd)

export WINEPREFIX="$state/prefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
# No Mono or Gecko installer prompts while the prefix is made; overrides
# that a test asks for (Wine reads them from the Unix environment of each
# process it starts) come after.
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

display_of() { [ -s "$state/display" ] && echo ":$(cat "$state/display")"; }

xvfb_alive() {
  [ -s "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null \
    && xdpyinfo -display "$(display_of)" >/dev/null 2>&1
}

start_xvfb() {
  xvfb_alive && return 0
  rm -f "$state/display"
  # -displayfd picks a free display number and writes it once listening.
  # -noreset: the keyboard map below must outlive the moments when no
  # program is connected. 9>&-: the lock of `start` must not live on in Xvfb.
  Xvfb -displayfd 3 -noreset -screen 0 "${TORVA_SCREEN:-1024x768x24}" -nolisten tcp \
    3>"$state/display" >"$state/xvfb.log" 2>&1 9>&- &
  echo $! >"$state/xvfb.pid"
  for _ in $(seq 1 100); do
    if [ -s "$state/display" ] && xdpyinfo -display "$(display_of)" >/dev/null 2>&1; then
      map_keypad_separator
      return
    fi
    sleep 0.1
  done
  echo "Xvfb did not start; see $state/xvfb.log" >&2
  return 1
}

# The keypad's decimal key of a layout where it types a comma (German,
# French...) is the symbol KP_Separator, which the US map lacks. Given to a
# spare keypad key (I129, a second KP_Decimal), it can be pressed like any
# other key; xdotool would otherwise map a key to it only for the moment of
# the press, and Wine, reading the press later on a busy machine, would
# find the key mapped back and drop it.
map_keypad_separator() {
  xkbcomp "$(display_of)" - 2>/dev/null |
    sed 's/key <I129> {[^}]*}/key <I129> { [ KP_Separator ] }/' |
    xkbcomp -w0 - "$(display_of)" 2>>"$state/xvfb.log"
}

# The Wine a prefix was made with: one made without wine32 has no 32-bit
# half, and 32-bit programs fail in it once wine32 is installed.
wine_setup() {
  echo "$(wine_tool --version 2>&1), 32-bit loader: $(wine_has_32bit_loader && echo yes || echo no)"
}

make_prefix() {
  [ "$(cat "$state/prefix.ready" 2>/dev/null)" = "$(wine_setup)" ] && return 0
  wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX"
  # 9>&-: nor in the wineserver that wineboot leaves running.
  DISPLAY=$(display_of) wine_tool wineboot -i >"$state/wineboot.log" 2>&1 9>&-
  # Without a window manager Wine waits ~2 s for one whenever a top-level
  # window is hidden; unmanaged windows avoid that.
  DISPLAY=$(display_of) wine_tool reg add 'HKCU\Software\Wine\X11 Driver' \
    /v Managed /t REG_SZ /d N /f >>"$state/wineboot.log" 2>&1 9>&-
  wineserver -w
  wine_setup >"$state/prefix.ready"
}

case $cmd in
  start)
    [ "${1:-}" = win32 ] && ! wine_host_runs_32bit && skipped
    exec 9>"$state/lock"
    flock 9
    start_xvfb && make_prefix
    ;;
  stop)
    [ "${1:-}" = win32 ] && ! wine_host_runs_32bit && skipped
    wineserver -k 2>/dev/null
    # Tests make files unwritable with the host's immutable flag and clear
    # it again; should one have died first, clear it here, or the build
    # tree could not be removed.
    chattr -R -f -i "$WINEPREFIX/drive_c/users" "$WINEPREFIX/drive_c/windows/TORVA.INI" 2>/dev/null
    [ -s "$state/xvfb.pid" ] && kill "$(cat "$state/xvfb.pid")" 2>/dev/null
    rm -f "$state/xvfb.pid" "$state/display"
    exit 0
    ;;
  run)
    wine_host_runs "$1" || skipped
    xvfb_alive || "$0" start "$state" || exit 1
    export DISPLAY=$(display_of)
    wine_program "$@"
    ;;
  env)
    echo "export WINEPREFIX='$WINEPREFIX' WINEDEBUG='$WINEDEBUG' DISPLAY='$(display_of)'"
    ;;
  *)
    echo "usage: $0 start|stop|run|env STATE [PROGRAM ARGS...]" >&2
    exit 2
    ;;
esac
