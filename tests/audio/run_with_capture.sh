#!/bin/bash
# Runs a Windows test program in the build tree's Wine session with every
# sample that Wine plays written to a file instead of a sound card.
#
#   run_with_capture.sh WORKDIR SESSION_SCRIPT STATE PROGRAM [ARGS...]
#
# WORKDIR gets a private HOME whose ~/.asoundrc makes ALSA's default device
# a file plugin; the program receives --capture=WORKDIR/capture.raw. Each
# opening of the device (Wine opens it once per played sound) appends to the
# file through "cat >>", so a run of cues lands back to back; a plain file
# name would be truncated at every sound.
set -u
work=$1 session=$2 state=$3
shift 3
mkdir -p "$work/home"
work=$(cd "$work" && pwd)
capture=$work/capture.raw
: >"$capture"
cat >"$work/home/.asoundrc" <<ASOUND
pcm.!default {
  type file
  slave.pcm "null"
  file "|cat >>$capture"
  format "raw"
}
ASOUND
# Wine's audio driver runs inside each Windows process, which inherits HOME
# from the program started here; the prefix itself is unaffected.
HOME=$work/home exec "$session" run "$state" "$@" --capture="$capture"
