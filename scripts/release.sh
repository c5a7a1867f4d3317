#!/bin/bash
# Builds the release of the checked-out commit: for 64-bit and 32-bit
# Windows a zip and an installer, collected with their SHA-256 sums in
# build/release/:
#
#   TORVA-<version>-win64.zip  TORVA-<version>-win64.msi
#   TORVA-<version>-win32.zip  TORVA-<version>-win32.msi
#   SHA256SUMS
#
# Given a certificate, everything that ships is signed (Authenticode): both
# TORVA.EXE builds before they are packed, then both installers, the files
# of build/<preset>/signed/ (target package_signed):
#
#   TORVA_SIGN_PKCS12=FILE.p12         the certificate and its key
#   TORVA_SIGN_PASSWORD_FILE=FILE      a file holding the key's password
#   TORVA_SIGN_TIMESTAMP_URL=URL       optional: an RFC 3161 time-stamp server
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

target=package packages=.
if [ -n "${TORVA_SIGN_PKCS12:-}" ]; then
  if [ ! -r "$TORVA_SIGN_PKCS12" ] || [ ! -r "${TORVA_SIGN_PASSWORD_FILE:-}" ]; then
    echo "TORVA_SIGN_PKCS12 and TORVA_SIGN_PASSWORD_FILE must name readable files" >&2; exit 1
  fi
  target=package_signed packages=signed
  echo "Signing with $TORVA_SIGN_PKCS12${TORVA_SIGN_TIMESTAMP_URL:+, time-stamped by $TORVA_SIGN_TIMESTAMP_URL}"
else
  echo "Not signed: no certificate given (TORVA_SIGN_PKCS12)"
fi

out=build/release
rm -rf "$out"
mkdir -p "$out"
for preset in mingw64 mingw32; do
  echo "=== $preset: package"
  log=build/release-$preset.log
  if ! { cmake --preset "$preset" "$@" && cmake --build "build/$preset" --target "$target" -j "${JOBS:-2}"; } \
      >"$log" 2>&1; then
    tail -30 "$log"; echo "The $preset package failed; see $log" >&2; exit 1
  fi
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "build/$preset/CMakeCache.txt")
  arch=win64; [ "$preset" = mingw64 ] || arch=win32
  cp "build/$preset/$packages/TORVA-$version-$arch".{zip,msi} "$out"/
done

(cd "$out" && sha256sum TORVA-* >SHA256SUMS)
echo "=== $out"
ls -l "$out"
cat "$out/SHA256SUMS"
