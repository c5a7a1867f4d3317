#!/bin/bash
# Runs the soak outside ctest, for as many steps as wanted, in the build
# tree's own Wine session (started here and stopped afterwards).
#
#   tests/hostile/run_soak.sh [steps] [seed] [build-dir] [--sweep=65536]
#   (defaults 10000 1 build/mingw64; --sweep sends every code below it first)
set -eu
steps=${1:-10000}
seed=${2:-1}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${3:-build/mingw64}
shift $(( $# < 3 ? $# : 3 ))
case $build in /*) ;; *) build=$root/$build ;; esac
session=$root/tests/wine/session.sh
state=$build/wine-session
cmake --build "$build" --target torva torva_soak -j2 >/dev/null
trap '"$session" stop "$state" >/dev/null 2>&1' EXIT
"$session" start "$state" >/dev/null
"$session" run "$state" "$build/tests/hostile/torva_soak.exe" \
  --torva="$build/bin/TORVA.EXE" --steps="$steps" --seed="$seed" "$@"
