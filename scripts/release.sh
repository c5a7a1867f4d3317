#!/bin/bash
# Builds the release of the checked-out commit: for 64-bit and 32-bit
# Windows a zip and an installer, collected with their SHA-256 sums in
# build/release/:
#
#   TORVA-<version>-win64.zip  TORVA-<version>-win64.msi
#   TORVA-<version>-win32.zip  TORVA-<version>-win32.msi
#   SHA256SUMS
#
# Each build is the preset's own tree (build/mingw64, build/mingw32), made
# or brought up to date; only what ships is built. Extra arguments go to
# the configure step (scripts/check-reproducible.sh passes some).
# Run as root on a fresh Debian machine: missing packages are installed first.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh

if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  echo "Note: the working tree has uncommitted changes; the release is not that of $(git rev-parse --short HEAD)." >&2
fi

out=build/release
rm -rf "$out"
mkdir -p "$out"
for preset in mingw64 mingw32; do
  echo "=== $preset: package"
  log=build/release-$preset.log
  if ! { cmake --preset "$preset" "$@" && cmake --build "build/$preset" --target package -j "${JOBS:-2}"; } \
      >"$log" 2>&1; then
    tail -30 "$log"; echo "The $preset package failed; see $log" >&2; exit 1
  fi
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "build/$preset/CMakeCache.txt")
  arch=win64; [ "$preset" = mingw64 ] || arch=win32
  cp "build/$preset/TORVA-$version-$arch.zip" "build/$preset/TORVA-$version-$arch.msi" "$out"/
done

(cd "$out" && sha256sum TORVA-* >SHA256SUMS)
echo "=== $out"
ls -l "$out"
cat "$out/SHA256SUMS"
