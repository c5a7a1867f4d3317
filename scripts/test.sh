#!/bin/bash
# Builds everything and runs every test: natively (engine, tools), for
# 64-bit and for 32-bit Windows under Wine (engine and the real TORVA.EXE
# end to end, each build with its own tests), and a short fuzz run.
# On a fresh Debian machine, run as root: it installs what is missing.
# Where the host runs no 32-bit program (scripts/wine-host.sh), the 32-bit
# build is still built and checked, and its tests under Wine are skipped.
set -u
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

# Warnings in our own code fail the build here (cmake/Warnings.cmake).
export TORVA_WERROR=1

jobs=${JOBS:-2}
log_dir=build/test-logs
mkdir -p "$log_dir"
passed=0 failed=0 skipped=0 broken=()

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
  local total nfail names
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  nfail=$(sed -E 's/.*tests passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
  # CTest counts a skipped test among those passed; it lists it apart.
  names=$(sed -nE 's/^[[:space:]]+[0-9]+ - (.*) \((Skipped|Disabled)\)$/\1/p' "$log_dir/$preset-ctest.log")
  local nskip=0 reasons
  if [ -n "$names" ]; then
    nskip=$(wc -l <<<"$names")
    # The reasons the tests gave (session.sh), once each.
    reasons=$(sed -n 's/^SKIPPED: //p' "build/$preset/Testing/Temporary/LastTest.log" | sort -u | paste -sd';')
    echo "SKIPPED in $preset, $nskip tests ($(paste -sd, <<<"$names" | sed 's/,/, /g')): ${reasons:-no reason given}"
  fi
  passed=$((passed + total - nfail - nskip)); failed=$((failed + nfail)); skipped=$((skipped + nskip))
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
  passed=$((passed + 1)); grep '^SKIPPED: ' "$log_dir/reproducible.log"; tail -1 "$log_dir/reproducible.log"
else
  tail -20 "$log_dir/reproducible.log"; failed=$((failed + 1))
fi

for b in "${broken[@]+"${broken[@]}"}"; do echo "BROKEN: $b"; done
echo "${passed} passed, $((failed + ${#broken[@]})) failed, ${skipped} skipped"
[ "$failed" -eq 0 ] && [ ${#broken[@]} -eq 0 ]
