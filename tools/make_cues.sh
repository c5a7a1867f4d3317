#!/bin/bash
# Regenerates the calculator's voice cues in cues/ from scratch: spoken words
# from flite, an error tone from sox. The output is deterministic (fixed
# voice, speed and processing; no dither), so a rerun reproduces the
# committed files byte for byte. The build only copies the committed files;
# no speech engine is needed to build or test.
#
#   tools/make_cues.sh [OUTDIR]      write the cues (default: cues/ of the repo)
#   tools/make_cues.sh --verify      regenerate into a scratch directory and
#                                    compare with the committed cues
#
# Every cue is 16-bit mono PCM at 22050 Hz with a plain 44-byte RIFF header;
# leading and trailing silence is trimmed so that a read-out of a long number
# stays short. After writing, tools/cue_check.py prints each duration and
# what a speech recogniser hears in each cue, and checks both.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")

RATE=22050
# flite's built-in US English male voice. Of the voices Debian packages it
# was the one a recogniser understood fully and steadily at this speed (see
# the README); slt, awb, kal16, espeak-ng and festival's voices each lost
# some words. Its phone durations scaled to 0.575 keep the read-out of a
# long result under 4.5 s; at 0.56 "point" and "back" start to blur. At 0.57
# and 0.58 the trim below keeps the silent closure before the final p of
# "drop" (and cuts the p itself), so that cue would end on silence.
VOICE=rms
STRETCH=0.575

# file name -> spoken text
CUES=(
  "0.wav|zero" "1.wav|one" "2.wav|two" "3.wav|three" "4.wav|four"
  "5.wav|five" "6.wav|six" "7.wav|seven" "8.wav|eight" "9.wav|nine"
  "point.wav|point" "plus.wav|plus" "minus.wav|minus" "e.wav|E"
  "back.wav|back" "enter.wav|enter"
  "add.wav|add" "sub.wav|subtract" "mult.wav|multiply" "div.wav|divide"
  "raise.wav|power" "recip.wav|reciprocal" "ch_sgn.wav|change sign"
  "sqrt.wav|square root" "square.wav|square"
  "drop.wav|drop" "swap.wav|swap" "clear.wav|clear"
)

# sox output options: 16-bit signed mono at RATE, no dither (dither is noise
# and would make reruns differ), quiet.
SOX_OUT=(-r "$RATE" -b 16 -c 1 -e signed-integer)

# Trim silence at both ends (0.5% threshold), soften the cut edges with short
# fades so the trimmed ends do not click, and normalise to -1 dBFS.
TRIM_AND_LEVEL=(silence 1 0.005 0.5% reverse silence 1 0.005 0.5%
                fade t 0.01 reverse fade t 0.005 gain -n -1)

speak() { # name text outdir scratch
  local name=$1 text=$2 out=$3 tmp=$4
  flite -voice "$VOICE" --setf duration_stretch="$STRETCH" -t "$text" \
    -o "$tmp/raw.wav"
  sox -D -V1 "$tmp/raw.wav" "${SOX_OUT[@]}" "$out/$name" "${TRIM_AND_LEVEL[@]}"
}

# Two short falling tones, unlike any spoken cue.
error_tone() { # outdir scratch
  local out=$1 tmp=$2
  sox -D -V1 -n "${SOX_OUT[@]}" "$tmp/hi.wav" synth 0.12 sine 880 \
    fade t 0.005 0.12 0.02 vol 0.6
  sox -D -V1 -n "${SOX_OUT[@]}" "$tmp/lo.wav" synth 0.18 sine 587.33 \
    fade t 0.005 0.18 0.04 vol 0.6
  sox -D -V1 "$tmp/hi.wav" "$tmp/lo.wav" "${SOX_OUT[@]}" "$out/error.wav"
}

generate() { # outdir
  local out=$1 tmp
  tmp=$(mktemp -d)
  mkdir -p "$out"
  for entry in "${CUES[@]}"; do
    speak "${entry%%|*}" "${entry#*|}" "$out" "$tmp"
  done
  error_tone "$out" "$tmp"
  rm -rf "$tmp"
}

for tool in flite sox python3; do
  command -v "$tool" >/dev/null || { echo "make_cues: $tool is not installed" >&2; exit 1; }
done

if [ "${1:-}" = "--verify" ]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  generate "$scratch"
  status=0
  for f in "$scratch"/*.wav; do
    if ! cmp -s "$f" "$repo/cues/$(basename "$f")"; then
      echo "differs from the committed file: cues/$(basename "$f")" >&2
      status=1
    fi
  done
  [ $status -eq 0 ] && echo "make_cues: regenerated cues are identical to cues/"
  exit $status
fi

out=${1:-$repo/cues}
generate "$out"
python3 "$here/cue_check.py" "$out"
