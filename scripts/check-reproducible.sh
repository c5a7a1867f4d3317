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
# The first build's release signed as a publisher would sign it, with a
# throwaway root and a code-signing certificate it issued, made for this
# run in a temporary folder outside the build trees. The signature must
# hold for both programs and both installers and break when one byte
# changes; it must be all that signing adds; the unsigned packages stay as
# they were; neither key nor password gets into a build tree or a log; and
# the signed installers pass the MSI test, whose installed program (the
# signed one) must speak a key and open its help.
keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT
signing_failures=0
signing_failed() { echo "SIGNED RELEASE: $*"; signing_failures=$((signing_failures + 1)); }

# throwaway_certificate: in $keys, root.pem and signer.p12, whose key's
# password is in password.txt.
throwaway_certificate() {
  (cd "$keys" &&
     openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=TORVA NT throwaway root" \
       -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign \
       -keyout root.key -out root.pem &&
     openssl req -newkey rsa:2048 -nodes -subj "/CN=TORVA NT throwaway publisher" \
       -keyout signer.key -out signer.csr &&
     printf 'keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext &&
     openssl x509 -req -in signer.csr -CA root.pem -CAkey root.key -days 2 \
       -extfile signer.ext -out signer.pem &&
     openssl rand -hex 16 >password.txt &&
     openssl pkcs12 -export -in signer.pem -inkey signer.key -passout file:password.txt \
       -out signer.p12) >"$work/certificate.log" 2>&1
}

# sign_release LOG [VARIABLE=VALUE...]: scripts/release.sh in the first
# build again, given the certificate; only the signed files are new.
sign_release() {
  local log=$1
  shift
  (cd "$one" && env TORVA_SIGN_PKCS12="$keys/signer.p12" TORVA_SIGN_PASSWORD_FILE="$keys/password.txt" \
     "$@" scripts/release.sh "${release_options[@]}") >"$log" 2>&1
}

# same_but_signature UNSIGNED SIGNED: the signed program with its signature
# removed is the unsigned one, but for the PE checksum (which signing
# updates) and up to 7 zero bytes at the end (removal leaves the padding
# that aligned the signature).
same_but_signature() {
  osslsigncode remove-signature -in "$2" -out "$2.removed" >/dev/null 2>&1 &&
  python3 - "$1" "$2.removed" <<'PY'
import struct, sys
unsigned, removed = (open(path, "rb").read() for path in sys.argv[1:])
checksum = struct.unpack_from("<I", unsigned, 0x3C)[0] + 88  # in the optional header
padding = removed[len(unsigned):]
same = (removed[:checksum] == unsigned[:checksum]
        and removed[checksum + 4:len(unsigned)] == unsigned[checksum + 4:])
sys.exit(0 if same and len(padding) < 8 and not padding.strip(b"\0") else 1)
PY
}

# try_installer PRESET PROGRAM_FILES: the MSI test on the signed installer,
# in the Wine session of the repository's own PRESET tree with its test
# programs (which scripts/test.sh has built; built here otherwise).
try_installer() {
  local tree=$repo/build/$1 signed status
  signed=$(echo "$one/build/$1/signed/TORVA-"*.msi)
  { [ -f "$tree/CMakeCache.txt" ] || cmake --preset "$1"; } >"$work/tests-$1.log" 2>&1 &&
    cmake --build "$tree" --target cue_playback_test help_e2e -j "${JOBS:-2}" >>"$work/tests-$1.log" 2>&1 &&
    tests/wine/session.sh start "$tree/wine-session" || return 1
  tests/audio/msi_install_test.sh "$work/msi-$1" tests/wine/session.sh "$tree/wine-session" \
    "$signed" "${signed%.msi}" "$2" "$tree/tests/audio/cue_playback_test.exe" \
    "$tree/tests/help/help_e2e.exe" help/torva.hlpsrc >"$work/msi-$1.log" 2>&1
  status=$?
  tests/wine/session.sh stop "$tree/wine-session"
  return $status
}

# check_timestamp_request: no time-stamp server can be reached here, so
# only this: the one given is asked for an RFC 3161 time stamp on
# osslsigncode's command line, and failing to reach it stops the release.
check_timestamp_request() {
  sign_release "$work/timestamp.log" TORVA_SIGN_TIMESTAMP_URL=http://127.0.0.1:9/ &&
    signing_failed "a time-stamp server that cannot be reached did not stop the release"
  grep -qF -- " -ts http://127.0.0.1:9/ " "$work/timestamp.log" ||
    signing_failed "the time-stamp server given was not asked (-ts); see $work/timestamp.log"
}

# check_signatures RELEASE: both programs, as the zips hold them, and both
# installers are signed for TORVA NT by the throwaway certificate, and
# signing added nothing else; one bit changed in the program's code (50000
# bytes in, inside .text) breaks the signature.
check_signatures() {
  local arch file
  for arch in win64 win32; do
    unzip -p "$1"/TORVA-*-$arch.zip "*/TORVA.EXE" >"$work/TORVA-$arch.EXE"
    same_but_signature "$one/build/mingw${arch#win}/package/TORVA-"*/TORVA.EXE "$work/TORVA-$arch.EXE" ||
      signing_failed "signing the $arch TORVA.EXE changed more than its signature"
  done
  for file in "$work"/TORVA-win*.EXE "$1"/*.msi; do
    osslsigncode verify -CAfile "$keys/root.pem" -in "$file" >"$work/verify.log" 2>&1 &&
      grep -qx $'\tText description: TORVA NT' "$work/verify.log" ||
      signing_failed "$(basename "$file") is not signed for TORVA NT by the throwaway certificate"
  done
  python3 - "$work/TORVA-win64.EXE" <<'PY'
import sys
with open(sys.argv[1], "r+b") as exe:
    exe.seek(50000)
    changed = exe.read(1)[0] ^ 1
    exe.seek(50000)
    exe.write(bytes([changed]))
PY
  osslsigncode verify -CAfile "$keys/root.pem" -in "$work/TORVA-win64.EXE" >/dev/null 2>&1 &&
    signing_failed "the signature still holds with a byte of TORVA.EXE changed"
}

# check_nothing_else: the unsigned packages of the first build are still
# those of the second, and neither the password nor a key (not even the
# PKCS#12 file) is anywhere in its build tree or in a log.
check_nothing_else() {
  local file
  while read -r file; do
    cmp -s "$one/build/$file" "$two/build/$file" || signing_failed "signing changed the unsigned $file"
  done < <(cd "$one/build" && find mingw64/package/TORVA-* mingw32/package/TORVA-* mingw*/TORVA-* -type f)
  grep -rlF -f "$keys/password.txt" -e "PRIVATE KEY-----" "$one/build" "$work"/*.log &&
    signing_failed "the password or a key was written in these files"
  find "$one/build" -type f -size "$(stat -c %s "$keys/signer.p12")c" \
    -exec cmp -s "$keys/signer.p12" {} \; -print | grep . &&
    signing_failed "the PKCS#12 file was copied there"
}

signing_start=$SECONDS
throwaway_certificate || { cat "$work/certificate.log"; exit 1; }
check_timestamp_request
sign_release "$work/signed.log" || { tail -20 "$work/signed.log"; exit 1; }
check_release "$one/build/release" || signing_failed "SHA256SUMS or the zips are not as they should be"
check_signatures "$one/build/release"
check_nothing_else
try_installer mingw64 'C:\Program Files' || signing_failed "the signed 64-bit installer; see $work/msi-mingw64.log"
try_installer mingw32 'C:\Program Files (x86)' || signing_failed "the signed 32-bit installer; see $work/msi-mingw32.log"
if [ "$signing_failures" -ne 0 ]; then
  echo "The signed release is not what it should be (both builds kept in $work)"
  exit 1
fi
echo "Signed with a throwaway certificate in $((SECONDS - signing_start)) s:" \
  "signatures hold, the installers install, the unsigned release is unchanged."
rm -rf "$work"
