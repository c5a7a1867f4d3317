#!/bin/bash
# Builds the release of one commit twice and checks that what ships is the
# same byte for byte: the zips and installers of both architectures and
# every file in them (TORVA.EXE, TORVA.HLP, TORVA-HELP.HTM, ...). Then it
# checks the release as a user gets it: SHA256SUMS with sha256sum -c, and
# in each zip one folder holding what the README lists, its TORVA.EXE built
# for its architecture and stripped, naming its debug file.
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

# check_release DIR: the release folder of one build, as a user would check it.
check_release() {
  (cd "$1" && sha256sum --check --strict SHA256SUMS &&
     diff <(cut -d' ' -f3 SHA256SUMS | sort) <(ls TORVA-* | sort)) || return 1
  python3 - "$1" "$repo/cues" <<'PY'
import os, struct, sys, zipfile

release, cues = sys.argv[1:]
listed = ["TORVA.EXE", "TORVA.HLP", "TORVA-HELP.HTM", "KEYS.TXT"] + [
    name for name in os.listdir(cues) if name.endswith(".wav")]
machines = {"win64": 0x8664, "win32": 0x14C}
problems = []


def section_names(exe):
    """Section names of a PE file, long ones looked up in its string table."""
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    machine, count, _, symbols_at, symbols, optional = struct.unpack_from("<HHIIIH", exe, pe + 4)
    strings = symbols_at + 18 * symbols
    names = []
    for i in range(count):
        name = exe[pe + 24 + optional + 40 * i:][:8].rstrip(b"\0").decode()
        if name.startswith("/"):
            start = strings + int(name[1:])
            name = exe[start:exe.index(b"\0", start)].decode()
        names.append(name)
    return machine, symbols, names


zips = sorted(name for name in os.listdir(release) if name.endswith(".zip"))
if len(zips) != 2:
    problems.append(f"zips: {zips}")
for name in zips:
    folder = name[:-len(".zip")]
    with zipfile.ZipFile(os.path.join(release, name)) as archive:
        held = sorted(archive.namelist())
        wanted = sorted([folder + "/"] + [f"{folder}/{file}" for file in listed])
        if held != wanted:
            problems.append(f"{name} holds {sorted(set(held) - set(wanted))} more and "
                            f"{sorted(set(wanted) - set(held))} less than listed")
            continue
        machine, symbols, sections = section_names(archive.read(folder + "/TORVA.EXE"))
    if machine != machines[folder.rsplit("-", 1)[1]]:
        problems.append(f"{name}: TORVA.EXE is for machine {machine:#x}")
    if symbols or any(section.startswith(".debug") for section in sections):
        problems.append(f"{name}: TORVA.EXE is not stripped: {symbols} symbols, {sections}")
    if ".gnu_debuglink" not in sections:
        problems.append(f"{name}: TORVA.EXE names no debug file")
    print(f"{name}: {len(held) - 1} files as listed, TORVA.EXE stripped")
for problem in problems:
    print(problem, file=sys.stderr)
sys.exit(1 if problems else 0)
PY
}
if ! check_release "$one/build/release"; then
  echo "The release is not what it should be (both builds kept in $work)"
  exit 1
fi
rm -rf "$work"
