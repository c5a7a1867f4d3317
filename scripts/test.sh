#!/bin/bash
# Builds everything and runs every test: natively (engine, tools), for
# 64-bit and for 32-bit Windows under Wine (engine and the real TORVA.EXE
# end to end, each build with its own tests), and a short fuzz run.
# On a fresh Debian machine, run as root: it installs what is missing.
set -u
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

# Warnings in our own code fail the build here (cmake/Warnings.cmake).
export TORVA_WERROR=1

jobs=${JOBS:-2}
log_dir=build/test-logs
mkdir -p "$log_dir"
passed=0 failed=0 broken=()

# Runs one preset's configure, build and tests.
stage() {
  local preset=$1
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"$log_dir/$preset-configure.log" 2>&1; then
    tail -30 "$log_dir/$preset-configure.log"; broken+=("$preset configure"); return
  fi
  if ! cmake --build --preset "$preset" -j "$jobs" >"$log_dir/$preset-build.log" 2>&1; then
    grep -E 'error|Error' "$log_dir/$preset-build.log" | head -40; broken+=("$preset build"); return
  fi
  echo "=== $preset: tests"
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log_dir/$preset-ctest.log"
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log_dir/$preset-ctest.log" | tail -1)
  if [ -z "$line" ]; then broken+=("$preset ctest"); return; fi
  local total nfail
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  nfail=$(sed -E 's/.*tests passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
  passed=$((passed + total - nfail)); failed=$((failed + nfail))
}

stage native
stage mingw64
stage mingw32
stage fuzz

# ---------------------------------------------------------------- release
# The release is reproducible: the commit built twice, in two fresh clones,
# gives the same zips, installers and files in them (only the shipped
# targets are built); the first build's release, signed with a throwaway
# certificate, is verified and installed in the Wine sessions of the
# mingw64 and mingw32 trees above. Counts as one test.
echo "=== release: reproducibility"
if scripts/check-reproducible.sh >"$log_dir/reproducible.log" 2>&1; then
  passed=$((passed + 1)); tail -1 "$log_dir/reproducible.log"
else
  tail -20 "$log_dir/reproducible.log"; failed=$((failed + 1))
fi

for b in "${broken[@]+"${broken[@]}"}"; do echo "BROKEN: $b"; done
echo "${passed} passed, $((failed + ${#broken[@]})) failed"
[ "$failed" -eq 0 ] && [ ${#broken[@]} -eq 0 ]
