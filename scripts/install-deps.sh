#!/bin/bash
# Installs the Debian packages that building and testing need (run as root).
# Does nothing when they are all present already.
#
# Wine's 32-bit half (wine32, from the i386 architecture), which runs the
# 32-bit build, only on a host that runs 32-bit programs (scripts/wine-host.sh);
# elsewhere the i386 architecture is not added, and Wine makes plain 64-bit
# prefixes.
set -eu
cd "$(dirname "$0")/.."
source scripts/wine-host.sh
packages=(
  build-essential cmake g++ clang libclang-rt-14-dev python3
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686
  wine wine64 xvfb xdotool x11-utils imagemagick icoutils libx11-dev libxtst-dev
  flite sox pocketsphinx pocketsphinx-en-us zip unzip chromium
  wixl msitools osslsigncode git cppcheck
)
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
if wine_host_runs_32bit; then
  packages+=(wine32:i386)
elif installed wine32:i386; then
  echo "Note: wine32:i386 is installed, but $wine_host_reason; Wine's new prefixes" \
       "will try to start its 32-bit programs (remove it: apt-get remove wine32:i386)." >&2
fi
missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}; run this as root to install them." >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if [[ " ${missing[*]} " == *:i386* ]]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
fi
# A mirror caught mid-sync fails one index ("File has unexpected size")
# while every package needed may still be had from the others: go on.
update_failed=
apt-get update || update_failed=1
if ! apt-get install -y --no-install-recommends "${missing[@]}"; then
  if [ -n "$update_failed" ]; then
    echo "The packages could not be installed: a package index could not be fetched" \
         "(the mirror may be in the middle of a sync); try again later." >&2
  else
    echo "The packages could not be installed (apt-get install failed; see above)." >&2
  fi
  exit 1
fi
[ -z "$update_failed" ] ||
  echo "Note: a package index could not be fetched, but every package needed was installed." >&2
