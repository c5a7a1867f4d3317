#!/bin/bash
# The benchmark in one command: builds TORVA.EXE (64-bit and 32-bit), the
# floor program and the driver (MinGW), and the engine benchmark (native);
# times both builds of TORVA.EXE against its floors side by side under Wine
# in a private session; prints one table.
#
#   bench/run.sh [runs] [repetitions]     defaults 20 and 2000
# Build trees (override to reuse others): TORVA_BUILD (build/bench-mingw64),
# TORVA32_BUILD (build/bench-mingw32), NATIVE_BUILD (build/bench-native).
set -eu
runs=${1:-20}
repetitions=${2:-2000}
root=$(cd "$(dirname "$0")/.." && pwd)
absolute() { case $1 in /*) echo "$1" ;; *) echo "$root/$1" ;; esac; }
torva_build=$(absolute "${TORVA_BUILD:-build/bench-mingw64}")
torva32_build=$(absolute "${TORVA32_BUILD:-build/bench-mingw32}")
win_build=$torva_build/bench/win  # the floor programs, the driver, the log
native_build=$(absolute "${NATIVE_BUILD:-build/bench-native}")
log=$win_build/run.log
mkdir -p "$win_build"
: >"$log"

echo "building (log: $log)" >&2
[ -f "$torva_build/CMakeCache.txt" ] || cmake --preset mingw64 -S "$root" -B "$torva_build" >>"$log" 2>&1
cmake --build "$torva_build" --target torva floor floor_full bench_driver -j2 >>"$log" 2>&1
[ -f "$torva32_build/CMakeCache.txt" ] || cmake --preset mingw32 -S "$root" -B "$torva32_build" -DBUILD_TESTING=OFF >>"$log" 2>&1
cmake --build "$torva32_build" --target torva -j2 >>"$log" 2>&1
[ -f "$native_build/CMakeCache.txt" ] || cmake --preset native -S "$root" -B "$native_build" >>"$log" 2>&1
cmake --build "$native_build" --target torva_engine_bench torva_panel_calls -j2 >>"$log" 2>&1

session=$root/tests/wine/session.sh
state=$win_build/wine-session
trap '"$session" stop "$state" >/dev/null 2>&1' EXIT
"$session" start "$state" >>"$log" 2>&1
eval "$("$session" env "$state")"
source "$root/scripts/wine-host.sh"
winpath() { wine_tool winepath -w "$1" 2>/dev/null; }
# The 32-bit program's start-up only where the host can start it.
torva32=$(winpath "$torva32_build/bin/TORVA.EXE")
wine_host_runs "$torva32_build/bin/TORVA.EXE" ||
  { echo "not measuring the 32-bit start-up: $wine_host_reason" >&2; torva32=; }

echo "measuring under Wine: $runs start-ups each, $repetitions commands" >&2
windows_rows=$("$session" run "$state" "$win_build/bench_driver.exe" \
  "$(winpath "$torva_build/bin/TORVA.EXE")" "$(winpath "$win_build/FLOOR.EXE")" \
  "$runs" "$repetitions" "$(winpath "$win_build/FLOOR_FULL.EXE")" \
  ${torva32:+"$torva32"} | tr -d '\r')

echo "measuring the engine natively" >&2
engine_json=$win_build/engine_bench.json
"$native_build/bench/torva_engine_bench" --benchmark_filter='TypeTwelveDigits|BinaryOperationOnFullDisplay|FillAndClearStack' \
  --benchmark_format=json >"$engine_json" 2>>"$log"
engine_rows=$(python3 - "$engine_json" <<'PY'
import json, sys
names = {
    "TypeTwelveDigits": "engine: typing (ns per key)",
    "BinaryOperationOnFullDisplay": "engine: add on a full display (ns per key)",
    "FillAndClearStack": "engine: 1024 pushes and a clear (ns per key)",
}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b["name"] in names:
        print(f'{names[b["name"]]}\t{b["per_key"] * 1e9:.1f}\t-\tns\t-\t-')
PY
)

{
  printf 'measurement\tTORVA\tfloor\tunit\tratio\tgoal\n'
  printf '%s\n' "$windows_rows" "$engine_rows"
} | column -t -s $'\t'
echo
echo "Panel services per command (each a window-system call or a few):"
"$native_build/bench/torva_panel_calls" | column -t -s $'\t'
