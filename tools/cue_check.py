#!/usr/bin/env python3
"""Checks the calculator's voice cues and prints their durations.

    cue_check.py CUEDIR

Every cue must be present, be a plain 44-byte-header RIFF/WAVE file of
16-bit mono PCM, start and end on sound (silence trimmed) and be short:
a digit or a read-out symbol at most 350 ms, any other cue at most 1 s,
and the read-out of the longest typical result, -1.23456789012e+012,
at most 5 s in all. Exits 1 when any check fails.
"""
import os
import struct
import sys

DIGIT_CUES = ["%d.wav" % d for d in range(10)]
READOUT_SYMBOL_CUES = ["point.wav", "plus.wav", "minus.wav", "e.wav"]
OTHER_CUES = [
    "back.wav", "enter.wav", "add.wav", "sub.wav", "mult.wav", "div.wav",
    "raise.wav", "recip.wav", "ch_sgn.wav", "sqrt.wav", "square.wav",
    "drop.wav", "swap.wav", "clear.wav", "error.wav",
]
ALL_CUES = DIGIT_CUES + READOUT_SYMBOL_CUES + OTHER_CUES

SHORT_LIMIT = 0.350       # seconds, digits and read-out symbols
OTHER_LIMIT = 1.0         # seconds, every other cue
MIN_DURATION = 0.05       # seconds; anything shorter is a broken cue
READOUT_SAMPLE = "-1.23456789012e+012"
READOUT_LIMIT = 5.0       # seconds
EDGE = 0.030              # seconds at each end that must hold sound
EDGE_LEVEL = 328          # 1% of full scale
RATES = (11025, 22050, 44100)

# A character of a shown result and the cue that reads it out.
READOUT_CUE = {".": "point.wav", "+": "plus.wav", "-": "minus.wav",
               "e": "e.wav"}
READOUT_CUE.update({str(d): "%d.wav" % d for d in range(10)})


class CueError(Exception):
    pass


def read_wav(path):
    """Returns (sample rate, data bytes) of a plain 16-bit mono PCM file."""
    with open(path, "rb") as f:
        blob = f.read()
    if len(blob) < 44:
        raise CueError("shorter than a WAVE header")
    (riff, riff_size, wave, fmt, fmt_size, tag, channels, rate, byte_rate,
     align, bits, data, data_size) = struct.unpack("<4sI4s4sIHHIIHH4sI",
                                                   blob[:44])
    if riff != b"RIFF" or wave != b"WAVE" or riff_size != len(blob) - 8:
        raise CueError("not a RIFF/WAVE file of consistent size")
    if fmt != b"fmt " or fmt_size != 16 or data != b"data":
        raise CueError("header is not the plain 44-byte fmt+data layout")
    if tag != 1 or channels != 1 or bits != 16:
        raise CueError("not 16-bit mono PCM (tag %d, %d channels, %d bits)"
                       % (tag, channels, bits))
    if rate not in RATES or byte_rate != rate * 2 or align != 2:
        raise CueError("unexpected rate or block layout (%d Hz)" % rate)
    if data_size != len(blob) - 44 or data_size % 2:
        raise CueError("data chunk size does not match the file")
    return rate, blob[44:]


def samples(data):
    return struct.unpack("<%dh" % (len(data) // 2), data)


def readout_cues(text):
    """The cues that read out a shown number, in order."""
    return [READOUT_CUE[c] for c in text if c in READOUT_CUE]


def check_cue(name, rate, data):
    """Returns the list of problems of one cue."""
    problems = []
    pcm = samples(data)
    seconds = len(pcm) / rate
    limit = OTHER_LIMIT if name in OTHER_CUES else SHORT_LIMIT
    if seconds > limit:
        problems.append("%.3f s is longer than %.3f s" % (seconds, limit))
    if seconds < MIN_DURATION:
        problems.append("%.3f s is too short to be heard" % seconds)
        return problems
    edge = int(EDGE * rate)
    if max(abs(s) for s in pcm[:edge]) < EDGE_LEVEL:
        problems.append("starts with silence")
    if max(abs(s) for s in pcm[-edge:]) < EDGE_LEVEL:
        problems.append("ends with silence")
    return problems


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    folder = argv[1]
    durations = {}
    failures = 0
    print("%-12s %6s %9s  %s" % ("cue", "Hz", "seconds", "status"))
    for name in ALL_CUES:
        path = os.path.join(folder, name)
        try:
            if not os.path.isfile(path):
                raise CueError("missing")
            rate, data = read_wav(path)
            durations[name] = len(data) / 2 / rate
            problems = check_cue(name, rate, data)
        except CueError as error:
            print("%-12s %6s %9s  FAIL: %s" % (name, "-", "-", error))
            failures += 1
            continue
        status = "ok" if not problems else "FAIL: " + "; ".join(problems)
        failures += bool(problems)
        print("%-12s %6d %9.3f  %s" % (name, rate, durations[name], status))

    cues = readout_cues(READOUT_SAMPLE)
    if all(c in durations for c in cues):
        total = sum(durations[c] for c in cues)
        ok = total <= READOUT_LIMIT
        failures += not ok
        print("read-out of %s (%d cues): %.3f s, limit %.1f s: %s"
              % (READOUT_SAMPLE, len(cues), total, READOUT_LIMIT,
                 "ok" if ok else "FAIL"))
    else:
        print("read-out of %s: FAIL, cues missing" % READOUT_SAMPLE)
        failures += 1
    print("%d of %d cues checked, %d failure(s)"
          % (len(durations), len(ALL_CUES), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
