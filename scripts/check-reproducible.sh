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
# Then the first build's release is signed with a throwaway certificate
# (see "The signed release" below) and checked as a user of it would.
# Work happens in build/reproducible/, which is removed when all is well
# and kept for inspection when not. Exit status 0: identical, and the
# signed release as it should be.
set -u
cd "$(dirname "$0")/.."
repo=$(pwd)
source scripts/wine-host.sh
commit=$(git rev-parse --verify --quiet "${1:-HEAD}^{commit}") || {
  echo "Not a commit: ${1:-HEAD}" >&2; exit 2; }
work=$repo/build/reproducible
rm -rf "$work"
mkdir -p "$work"
start=$SECONDS
release_options=(-DBUILD_TESTING=OFF -DTORVA_BUILD_BENCHMARKS=OFF)

# build_once DIR TZ UMASK LOCALE: clones the commit into DIR and builds its release.
build_once() {
  local dir=$1
  echo "=== build in $dir (TZ=$2, umask $3)"
  git clone -q --no-checkout "$repo" "$dir" && git -C "$dir" checkout -q "$commit" || return 1
  (cd "$dir" && umask "$3" && TZ=$2 LC_ALL=$4 \
     scripts/release.sh "${release_options[@]}") >"$dir.log" 2>&1 || {
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

# ------------------------------------------------------- the signed release
# The first build's release signed again, with a throwaway root and a
# code-signing certificate it issued, made for this run outside the build
# trees. Both programs (as the zips hold them) and both installers must
# verify, signing must add nothing but the signature, one changed byte must
# break it, the unsigned packages must stay as they were, no file of the
# build tree nor any log may hold the password, and the MSI test must pass
# on both signed installers, running the signed programs they install.
keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT
signing_start=$SECONDS signing_failures=0
signing_failed() { echo "SIGNED RELEASE: $*"; signing_failures=$((signing_failures + 1)); }
(cd "$keys" && openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=TORVA NT throwaway root" \
   -keyout root.key -out root.pem && openssl rand -hex 16 >password.txt &&
 openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=TORVA NT throwaway publisher" \
   -CA root.pem -CAkey root.key -addext extendedKeyUsage=codeSigning -addext basicConstraints=CA:FALSE \
   -keyout signer.key -out signer.pem &&
 openssl pkcs12 -export -in signer.pem -inkey signer.key -passout file:password.txt -out signer.p12) \
  >"$work/certificate.log" 2>&1 || { cat "$work/certificate.log"; exit 1; }

# sign_release LOG [VARIABLE=VALUE...]: scripts/release.sh in the first build again, signing.
sign_release() {
  (cd "$one" && env TORVA_SIGN_PKCS12="$keys/signer.p12" TORVA_SIGN_PASSWORD_FILE="$keys/password.txt" \
     "${@:2}" scripts/release.sh "${release_options[@]}") >"$1" 2>&1
}

# verified FILE: signed for TORVA NT, by a certificate of the throwaway root.
verified() {
  osslsigncode verify -CAfile "$keys/root.pem" -in "$1" >"$work/verify.log" 2>&1 &&
    grep -qx $'\tText description: TORVA NT' "$work/verify.log"
}

# same_but_checksum UNSIGNED REMOVED: the program with its signature removed
# differs from the unsigned one only in the PE checksum, and by up to 7
# zero bytes at the end, the padding that aligned the signature.
same_but_checksum() {
  python3 - "$@" <<'PY'
import struct, sys
unsigned, removed = (open(path, "rb").read() for path in sys.argv[1:])
at = struct.unpack_from("<I", unsigned, 0x3C)[0] + 88  # the checksum, in the optional header
end = len(unsigned)
sys.exit(removed[:at] + removed[at + 4:end] != unsigned[:at] + unsigned[at + 4:]
         or len(removed) - end not in range(8) or removed[end:].strip(b"\0") != b"")
PY
}

# try_installer PRESET PROGRAM_FILES: the MSI test on the signed installer, in
# the Wine session of the repository's own tree for PRESET and with its test
# programs (which scripts/test.sh has built; built here otherwise). Not
# where Wine cannot start the program it installs: that is said, not failed.
try_installer() {
  local tree=$repo/build/$1 msi status
  msi=$(echo "$one/build/$1/signed/TORVA-"*.msi)
  if ! wine_host_runs "${msi%.msi}/TORVA.EXE"; then
    echo "SKIPPED: installing and starting $(basename "$msi"): $wine_host_reason"
    return 0
  fi
  { [ -f "$tree/CMakeCache.txt" ] || cmake --preset "$1"; } >"$work/msi-$1.log" 2>&1 &&
    cmake --build "$tree" --target cue_playback_test help_e2e -j "${JOBS:-2}" >>"$work/msi-$1.log" 2>&1 &&
    tests/wine/session.sh start "$tree/wine-session" || return 1
  tests/audio/msi_install_test.sh "$work/msi-$1" tests/wine/session.sh "$tree/wine-session" "$msi" \
    "${msi%.msi}" "$2" "$tree/tests/audio/cue_playback_test.exe" "$tree/tests/help/help_e2e.exe" \
    help/torva.hlpsrc >>"$work/msi-$1.log" 2>&1
  status=$?
  tests/wine/session.sh stop "$tree/wine-session"
  return $status
}

# No time-stamp server can be reached here: only that the URL reaches
# osslsigncode's command line, and that a server that does not answer
# stops the release.
sign_release "$work/timestamp.log" TORVA_SIGN_TIMESTAMP_URL=http://127.0.0.1:9/ &&
  signing_failed "a time-stamp server that does not answer did not stop the release"
grep -qF -- " -ts http://127.0.0.1:9/ " "$work/timestamp.log" ||
  signing_failed "the time-stamp server was not asked (-ts); see $work/timestamp.log"
sign_release "$work/signed.log" || { tail -20 "$work/signed.log"; exit 1; }
release=$one/build/release
check_release "$release" || signing_failed "SHA256SUMS or the zips are not as they should be"
for msi in "$release"/*.msi; do
  verified "$msi" || signing_failed "$(basename "$msi") is not signed for TORVA NT by the throwaway root"
done
for arch in win64 win32; do
  exe=$work/$arch.EXE
  unzip -p "$release"/TORVA-*-$arch.zip "*/TORVA.EXE" >"$exe"
  verified "$exe" || signing_failed "the $arch TORVA.EXE is not signed for TORVA NT by the throwaway root"
  osslsigncode remove-signature -in "$exe" -out "$exe.removed" >/dev/null 2>&1 &&
    same_but_checksum "$two/build/mingw${arch#win}/package/TORVA-"*/TORVA.EXE "$exe.removed" ||
    signing_failed "signing the $arch TORVA.EXE changed more than its signature"
  # One bit changed in the program's code (.text holds byte 50000).
  python3 -c 'import sys; f = sys.argv[1]; d = bytearray(open(f, "rb").read()); d[50000] ^= 1; open(f, "wb").write(d)' "$exe"
  verified "$exe" && signing_failed "the signature still holds with a byte of the $arch TORVA.EXE changed"
done
while read -r file; do
  cmp -s "$one/build/$file" "$two/build/$file" || signing_failed "signing changed the unsigned $file"
done < <(cd "$one/build" && find mingw64/package/TORVA-* mingw32/package/TORVA-* mingw*/TORVA-* -type f)
grep -rlF -f "$keys/password.txt" "$one/build" "$work"/*.log && signing_failed "the password was written there"
try_installer mingw64 'C:\Program Files' || signing_failed "the signed 64-bit installer; see $work/msi-mingw64.log"
try_installer mingw32 'C:\Program Files (x86)' || signing_failed "the signed 32-bit installer; see $work/msi-mingw32.log"
if [ "$signing_failures" -ne 0 ]; then
  echo "The signed release is not what it should be (both builds kept in $work)"
  exit 1
fi
echo "Signed with a throwaway certificate in $((SECONDS - signing_start)) s:" \
  "signatures hold, the installers install, the unsigned release is unchanged."
rm -rf "$work"
