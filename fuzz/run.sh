#!/bin/bash
# Runs the keystroke fuzzer for a given number of seconds, one worker, with a
# corpus kept in the build tree so that later runs continue where earlier
# ones stopped. Findings are written to <build>/fuzz-findings/.
#
#   fuzz/run.sh SECONDS            build tree build/fuzz (the fuzz preset)
#   FUZZ_BUILD=dir fuzz/run.sh N   another build tree
set -eu
seconds=${1:?usage: fuzz/run.sh SECONDS}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$root/build/fuzz}
case $build in /*) ;; *) build=$root/$build ;; esac

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset fuzz -S "$root" -B "$build" >/dev/null
fi
cmake --build "$build" --target torva_key_fuzzer -j2 >/dev/null

corpus=$build/fuzz-corpus
findings=$build/fuzz-findings
mkdir -p "$corpus" "$findings"
cd "$findings"
# -jobs=1 runs one fuzzing process (this machine's cores are shared); its
# output goes to fuzz-0.log here. The final statistics line is printed.
"$build/fuzz/torva_key_fuzzer" -jobs=1 -workers=1 -max_total_time="$seconds" \
  -max_len=2100 -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/" \
  "$corpus" "$root/fuzz/corpus" || status=$?
grep -E '^#[0-9]+' fuzz-0.log | tail -1
grep -E '^stat::' fuzz-0.log || true
ls "$findings" | grep -E '^(crash|leak|timeout|oom)-' && exit 1
exit ${status:-0}
