#!/bin/bash
# Runs a Windows test program in a Wine session of its own whose screen has
# DPI dots per inch, and tells the program so in TORVA_EXPECTED_DPI.
#
#   run_at_dpi.sh SESSION_SCRIPT STATE DPI PROGRAM [ARGS...]
#
# Wine takes the DPI from the LogPixels registry value each time a program
# starts, so changing it between program starts is enough; the session is
# kept apart from the shared one all the same, so that no other test ever
# runs at another DPI, and its screen is big enough for the panel at 192 DPI
# and for it at 225 % text.
set -eu
session=$1 state=$2 dpi=$3
shift 3
source "$(dirname "$0")/../../scripts/wine-host.sh"
wine_host_runs "$1" || { echo "SKIPPED: $wine_host_reason"; exit 77; }
export TORVA_SCREEN=${TORVA_SCREEN:-2048x3200x24}
"$session" start "$state"
eval "$("$session" env "$state")"
wine_tool reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
  /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
TORVA_EXPECTED_DPI=$dpi exec "$session" run "$state" "$@"
