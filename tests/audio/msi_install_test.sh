#!/bin/bash
# The installer under Wine, as a user would run it: msiexec installs
# TORVA NT silently; the installed program starts, speaks a key with sound
# on (Wine's audio captured, run_with_capture.sh) and opens its help with
# F1; msiexec uninstalls it again, leaving no file, folder, shortcut or
# Add/Remove Programs entry behind, and the user's settings files as they were.
# Then a later version, made from the same files, must replace this one,
# and this one must refuse to replace the later.
#
#   msi_install_test.sh WORKDIR SESSION_SCRIPT STATE MSI STAGE PROGRAM_FILES
#                       CUE_TEST HELP_TEST HELP_SOURCE
#
# STAGE is the folder the package was made from (what must be installed),
# <build>/package/<name>, or <build>/signed/<name> for the signed release;
# PROGRAM_FILES the Windows folder it goes to ("C:\Program Files").
set -u
work=$1 session=$2 state=$3 msi=$4 stage=$5 program_files=$6
cue_test=$7 help_test=$8 help_source=$9
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
source "$source_dir/scripts/wine-host.sh"
# Installing is only worth it where the installed program can start.
wine_host_runs "$stage/TORVA.EXE" || { echo "SKIPPED: $wine_host_reason"; exit 77; }
build_dir=$(cd "$stage/../.." && pwd)
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
eval "$("$session" env "$state")"
# Wine's menu builder would copy the Start-menu shortcut into the desktop's
# menus of the real home folder.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
windows_path() { wine_tool winepath -w "$1" 2>/dev/null; }
install_dir="$program_files\\TORVA NT"
install_unix=$(wine_tool winepath -u "$install_dir" 2>/dev/null)
# Windows puts the shortcut of a per-machine install into the Start menu of
# all users; Wine 8 into that of the installing user.
start_menus=("$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
             "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs)
shortcuts() { ls "${start_menus[@]/%//TORVA NT.lnk}" 2>/dev/null; }

msi_property() { msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"; }
# One entry of a product's Add/Remove Programs key. Windows keeps the key
# in the 64-bit registry for packages of both architectures; Wine 8 keeps
# that of a 32-bit package in the 32-bit registry.
arp_value() {
  local view
  for view in 64 32; do
    wine_tool reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" /v "$2" \
      /reg:$view 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | grep . && return
  done
}
# msiexec /i|/x MSI: runs it silently, its log in $work/msiexec-N.log
# (N counts the runs); its exit code.
runs=0
msiexec() {
  local started=$SECONDS code
  runs=$((runs + 1))
  log=$work/msiexec-$runs.log
  wine_tool msiexec "$1" "$(windows_path "$2")" /qn /l*v "$(windows_path "$log")" >/dev/null 2>&1
  code=$?
  echo "msiexec $1 $(basename "$2"): exit code $code, $((SECONDS - started)) s, log $(basename "$log")"
  return $code
}

# The package's files, byte for byte, one shortcut to the program, and the
# product in Add/Remove Programs with its name, version and publisher.
expect_installed() {
  local msi=$1 code shortcut entry got
  code=$(msi_property "$msi" ProductCode)
  if [ -d "$install_unix" ]; then
    diff -r "$stage" "$install_unix" >&2 || fail "the installed folder differs from the package"
  else
    fail "no folder $install_dir"
  fi
  shortcut=$(shortcuts)
  if [ -z "$shortcut" ] || [ "$(wc -l <<<"$shortcut")" -ne 1 ]; then
    fail "not one Start-menu shortcut but: ${shortcut:-none}"
  # The .lnk file holds the target's full path as plain text.
  elif ! strings "$shortcut" | grep -qixF "$install_dir\\TORVA.EXE"; then
    fail "the shortcut does not lead to $install_dir\\TORVA.EXE"
  fi
  for entry in "DisplayName=TORVA NT" "DisplayVersion=$(msi_property "$msi" ProductVersion)" \
      "Publisher=Torva Software"; do
    got=$(arp_value "$code" "${entry%%=*}")
    [ "$got" = "${entry#*=}" ] || fail "Add/Remove Programs: ${entry%%=*} is '$got', not '${entry#*=}'"
  done
}

# Nothing of the product is left.
expect_removed() {
  local msi=$1
  [ -e "$install_unix" ] && { fail "$install_dir is still there:"; ls -la "$install_unix"; }
  [ -n "$(shortcuts)" ] && fail "the Start-menu shortcut is still there: $(shortcuts)"
  [ -n "$(arp_value "$(msi_property "$msi" ProductCode)" DisplayName)" ] &&
    fail "Add/Remove Programs still lists $(basename "$msi")"
}

# A run that died half way may have left the product installed.
wine_tool msiexec /x "$(windows_path "$msi")" /qn >/dev/null 2>&1

# The user's settings files, the Windows folder's and the per-user copy,
# exist before and must survive the uninstall as they were; whatever was
# there before the test is put back at the end.
appdata=$(wine_tool winepath -u "$(wine_tool cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')" 2>/dev/null)
settings=("$WINEPREFIX/drive_c/windows/TORVA.INI" "${appdata%/}/TORVA NT/TORVA.INI")
mkdir -p "$work/saved" "$work/expected"
for i in 0 1; do
  [ -f "${settings[i]}" ] && cp "${settings[i]}" "$work/saved/$i"
done
restore_settings() {
  for i in 0 1; do
    if [ -f "$work/saved/$i" ]; then cp "$work/saved/$i" "${settings[i]}"; else rm -f "${settings[i]}"; fi
  done
  rmdir "${settings[1]%/*}" 2>/dev/null
}
trap restore_settings EXIT
mkdir -p "${settings[1]%/*}"
# Sound on in both, so that the cue test below hears the program whichever
# it reads; a line of its own in each, so that no file can pass for the other.
for i in 0 1; do
  printf '[TORVA]\r\nSound=1\r\n; settings file %d\r\n' "$i" >"${settings[i]}"
  cp "${settings[i]}" "$work/expected/$i"
done
expect_settings_kept() {
  for i in 0 1; do
    cmp -s "${settings[i]}" "$work/expected/$i" || fail "the user's ${settings[i]} was changed or removed"
  done
}

echo "=== install, run, uninstall $(basename "$msi")"
msiexec /i "$msi" || fail "the install failed; see $log"
expect_installed "$msi"
installed_exe="$install_dir\\TORVA.EXE"
"$here/run_with_capture.sh" "$work/capture" "$session" "$state" "$cue_test" \
  --torva="$installed_exe" --cues="$stage" --gtest_filter=SoundOn.DigitPlaysExactlyItsCue \
  >"$work/cue_test.log" 2>&1 || { tail -20 "$work/cue_test.log"; fail "the installed program played no cue"; }
"$session" run "$state" "$help_test" --torva="$installed_exe" --help-source="$help_source" \
  --gtest_filter=Help.F1OpensTheContents >"$work/help_test.log" 2>&1 ||
  { tail -20 "$work/help_test.log"; fail "F1 in the installed program did not open its help"; }
msiexec /x "$msi" || fail "the uninstall failed; see $log"
expect_removed "$msi"
expect_settings_kept

echo "=== a later version replaces this one; this one does not replace it"
version=$(msi_property "$msi" ProductVersion)
later_version=${version%%.*}.$(printf '%02d' $((10#${version#*.} + 1)))
later=$work/TORVA-$later_version.msi
arch=$(msiinfo suminfo "$msi" | sed -n 's/^Template: \([a-zA-Z0-9]*\);.*/\1/p')
[ "$arch" = Intel ] && arch=x86
python3 -B "$source_dir/package/make_package.py" msi "$stage" "$later" \
  --date "$(cat "$build_dir/source-date-epoch.txt")" \
  --wxs "$source_dir/package/torva.wxs" --version "$later_version" --arch "$arch" \
  --icon "$build_dir/res/iconx.ico" || fail "could not make a $later_version installer"
msiexec /i "$msi" || fail "the install failed; see $log"
msiexec /i "$later" || fail "the install of $later_version failed; see $log"
expect_installed "$later"
[ -n "$(arp_value "$(msi_property "$msi" ProductCode)" DisplayName)" ] &&
  fail "$version is still installed beside $later_version"
msiexec /i "$msi" && fail "$version was installed over $later_version"
# Refused by the launch condition that detects the later version.
grep -qF "WIX_DOWNGRADE_DETECTED = $(msi_property "$later" ProductCode)" "$log" ||
  fail "installing $version over $later_version was not refused as a downgrade; see $log"
expect_installed "$later"
msiexec /x "$later" || fail "the uninstall of $later_version failed; see $log"
expect_removed "$later"
expect_removed "$msi"
expect_settings_kept

[ "$failures" -eq 0 ] && echo "PASSED" || echo "$failures check(s) failed"
[ "$failures" -eq 0 ]
