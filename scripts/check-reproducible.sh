#!/bin/bash
# Builds the release of one commit twice and checks that what ships is the
# same byte for byte: the zips and installers of both architectures and
# every file in them (TORVA.EXE, TORVA.HLP, TORVA-HELP.HTM, ...).
#
#   scripts/check-reproducible.sh [COMMIT]      (default: HEAD)
#
# The two builds are fresh clones in folders of different names and path
# lengths, run one after the other (so at different times) with different
# time zones, umasks and locales; each runs scripts/release.sh with the
# tests and benchmarks switched off, so only the shipped targets are built.
# Work happens in build/reproducible/, which is removed when the builds
# agree and kept for inspection when they do not. Exit status 0: identical.
set -u
cd "$(dirname "$0")/.."
repo=$(pwd)
commit=$(git rev-parse --verify --quiet "${1:-HEAD}^{commit}") || {
  echo "Not a commit: ${1:-HEAD}" >&2; exit 2; }
work=$repo/build/reproducible
rm -rf "$work"
mkdir -p "$work"
start=$SECONDS

# build_once DIR TZ UMASK LOCALE: clones the commit into DIR and builds its release.
build_once() {
  local dir=$1
  echo "=== build in $dir (TZ=$2, umask $3)"
  git clone -q --no-checkout "$repo" "$dir" && git -C "$dir" checkout -q "$commit" || return 1
  (cd "$dir" && umask "$3" && TZ=$2 LC_ALL=$4 \
     scripts/release.sh -DBUILD_TESTING=OFF -DTORVA_BUILD_BENCHMARKS=OFF) >"$dir.log" 2>&1 || {
    tail -20 "$dir.log"; echo "The build in $dir failed; see $dir.log" >&2; return 1; }
}

one=$work/one
two=$work/a-second-build-folder/src
build_once "$one" UTC 022 C.UTF-8 || exit 1
build_once "$two" Pacific/Kiritimati 002 C || exit 1

# What ships: the release folder and the staged contents of each package.
shipped() {
  (cd "$1/build" && find release mingw64/package/TORVA-* mingw32/package/TORVA-* -type f | sort)
}
if [ "$(shipped "$one")" != "$(shipped "$two")" ]; then
  echo "The two builds shipped different sets of files:"
  diff <(shipped "$one") <(shipped "$two")
  exit 1
fi
same=0 differ=()
while read -r file; do
  if cmp -s "$one/build/$file" "$two/build/$file"; then
    same=$((same + 1))
  else
    differ+=("$file")
  fi
done < <(shipped "$one")

echo "Commit $(git rev-parse --short "$commit"), built twice in $((SECONDS - start)) s:"
cat "$one/build/release/SHA256SUMS"
if [ ${#differ[@]} -ne 0 ]; then
  echo "NOT reproducible: ${#differ[@]} of $((same + ${#differ[@]})) shipped files differ:"
  printf '  %s\n' "${differ[@]}"
  echo "(both builds kept in $work)"
  exit 1
fi
echo "Reproducible: all $same shipped files are identical."
rm -rf "$work"
