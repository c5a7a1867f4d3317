#!/bin/bash
# Installs the Debian packages that building and testing need (run as root).
# Does nothing when they are all present already.
set -eu
packages=(
  build-essential cmake g++ clang libclang-rt-14-dev python3
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686
  wine wine64 wine32:i386 xvfb xdotool x11-utils imagemagick icoutils libx11-dev libxtst-dev
  flite sox pocketsphinx pocketsphinx-en-us zip unzip chromium
  wixl msitools osslsigncode git cppcheck
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
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
# wine32 (Wine's 32-bit half, which runs the 32-bit build) comes from the
# i386 architecture; the update below then lists its packages.
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
