#!/usr/bin/env python3
"""Checks the calculator's voice cues and prints their durations.

    cue_check.py CUEDIR

Every cue must be present, be a plain 44-byte-header RIFF/WAVE file of
16-bit mono PCM, start and end on sound (silence trimmed) and be short:
a digit or a read-out symbol at most 350 ms, any other cue at most 0.6 s,
and the read-out of the longest typical result, -1.23456789012e+012,
at most 4.5 s in all. Every spoken cue must also be understood: an
independent recogniser (pocketsphinx, limited to the cue words) has to
hear it as its own word. Exits 1 when any check fails.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

DIGIT_CUES = ["%d.wav" % d for d in range(10)]
READOUT_SYMBOL_CUES = ["point.wav", "plus.wav", "minus.wav", "e.wav"]
OTHER_CUES = [
    "back.wav", "enter.wav", "add.wav", "sub.wav", "mult.wav", "div.wav",
    "raise.wav", "recip.wav", "ch_sgn.wav", "sqrt.wav", "square.wav",
    "drop.wav", "swap.wav", "clear.wav", "error.wav",
]
ALL_CUES = DIGIT_CUES + READOUT_SYMBOL_CUES + OTHER_CUES

SHORT_LIMIT = 0.350       # seconds, digits and read-out symbols
OTHER_LIMIT = 0.6         # seconds, every other cue
MIN_DURATION = 0.05       # seconds; anything shorter is a broken cue
READOUT_SAMPLE = "-1.23456789012e+012"
READOUT_LIMIT = 4.5       # seconds
EDGE = 0.030              # seconds at each end that must hold sound
EDGE_LEVEL = 328          # 1% of full scale
RATES = (11025, 22050, 44100)

# A character of a shown result and the cue that reads it out.
READOUT_CUE = {".": "point.wav", "+": "plus.wav", "-": "minus.wav",
               "e": "e.wav"}
READOUT_CUE.update({str(d): "%d.wav" % d for d in range(10)})

# What a listener must hear in each spoken cue (error.wav is a tone).
CUE_WORDS = {
    "0.wav": "zero", "1.wav": "one", "2.wav": "two", "3.wav": "three",
    "4.wav": "four", "5.wav": "five", "6.wav": "six", "7.wav": "seven",
    "8.wav": "eight", "9.wav": "nine", "point.wav": "point",
    "plus.wav": "plus", "minus.wav": "minus", "e.wav": "e",
    "back.wav": "back", "enter.wav": "enter", "add.wav": "add",
    "sub.wav": "subtract", "mult.wav": "multiply", "div.wav": "divide",
    "raise.wav": "power", "recip.wav": "reciprocal",
    "ch_sgn.wav": "change sign", "sqrt.wav": "square root",
    "square.wav": "square", "drop.wav": "drop", "swap.wav": "swap",
    "clear.wav": "clear",
}

# The recogniser: Debian's pocketsphinx with its US English model. The
# grammar allows exactly one cue word per file, so a cue passes only when
# it sounds more like its own word than like any other cue.
MODEL = "/usr/share/pocketsphinx/model/en-us"
RECOGNISER = ["pocketsphinx_continuous", "-logfn", os.devnull,
              "-hmm", MODEL + "/en-us", "-dict", MODEL + "/cmudict-en-us.dict"]
# The model wants 16 kHz mono; some silence around the word lets its
# voice-activity detection find the start and the end.
TO_RECOGNISER_INPUT = ["-r", "16000", "-b", "16", "-c", "1",
                       "-e", "signed-integer"]
PAD = "0.3"               # seconds of silence on each side


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


def write_grammar(folder):
    """Writes a JSGF grammar of the cue words and returns its path."""
    path = os.path.join(folder, "cues.jsgf")
    with open(path, "w") as f:
        f.write("#JSGF V1.0;\ngrammar cues;\npublic <cue> = %s;\n"
                % " | ".join(CUE_WORDS.values()))
    return path


def hear(path, grammar, scratch):
    """What the recogniser hears in one cue file ("" for nothing)."""
    padded = os.path.join(scratch, "padded.wav")
    # No dither (-D): sox's dither is random, and that little noise was
    # enough to change a word the recogniser heard from one run to the next.
    try:
        subprocess.run(["sox", "-D", "-V1", path] + TO_RECOGNISER_INPUT
                       + [padded, "pad", PAD, PAD], check=True)
        result = subprocess.run(
            RECOGNISER + ["-jsgf", grammar, "-infile", padded],
            check=True, capture_output=True, text=True)
    except subprocess.CalledProcessError as error:
        raise CueError("recogniser failed: %s" % error)
    return " ".join(result.stdout.split())


def recogniser_missing():
    """The missing parts of the recogniser, or an empty string."""
    missing = [t for t in (RECOGNISER[0], "sox") if shutil.which(t) is None]
    if not os.path.isdir(MODEL):
        missing.append(MODEL)
    return ", ".join(missing)


def listen(name, path, grammar, scratch):
    """Returns what the recogniser heard in a cue and the problems found."""
    if name not in CUE_WORDS or grammar is None:
        return "-", []
    heard = hear(path, grammar, scratch) or "(nothing)"
    if heard == CUE_WORDS[name]:
        return heard, []
    return heard, ["heard as '%s', not '%s'" % (heard, CUE_WORDS[name])]


def check_file(name, folder, grammar, scratch):
    """Returns (rate, seconds, heard, problems) of one cue file."""
    path = os.path.join(folder, name)
    if not os.path.isfile(path):
        raise CueError("missing")
    rate, data = read_wav(path)
    heard, misheard = listen(name, path, grammar, scratch)
    problems = check_cue(name, rate, data) + misheard
    return rate, len(data) / 2 / rate, heard, problems


def check_readout(durations):
    """Prints the read-out time of the sample result; returns failures."""
    cues = readout_cues(READOUT_SAMPLE)
    if not all(c in durations for c in cues):
        print("read-out of %s: FAIL, cues missing" % READOUT_SAMPLE)
        return 1
    total = sum(durations[c] for c in cues)
    ok = total <= READOUT_LIMIT
    print("read-out of %s (%d cues): %.3f s, limit %.1f s: %s"
          % (READOUT_SAMPLE, len(cues), total, READOUT_LIMIT,
             "ok" if ok else "FAIL"))
    return int(not ok)


def check_all(folder, scratch):
    """Checks and prints every cue; returns (durations, words recognised,
    failures)."""
    durations = {}
    recognised = 0
    failures = 0
    grammar = None
    missing = recogniser_missing()
    if missing:
        print("FAIL: cannot listen to the cues, missing: %s" % missing)
        failures += 1
    else:
        grammar = write_grammar(scratch)
    row = "%-12s %6s %9s  %-12s %s"
    print(row % ("cue", "Hz", "seconds", "heard", "status"))
    for name in ALL_CUES:
        try:
            rate, seconds, heard, problems = check_file(name, folder,
                                                        grammar, scratch)
        except CueError as error:
            print(row % (name, "-", "-", "-", "FAIL: %s" % error))
            failures += 1
            continue
        durations[name] = seconds
        recognised += heard == CUE_WORDS.get(name)
        failures += bool(problems)
        status = "FAIL: " + "; ".join(problems) if problems else "ok"
        print(row % (name, rate, "%.3f" % seconds, heard, status))
    return durations, recognised, failures


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with tempfile.TemporaryDirectory() as scratch:
        durations, recognised, failures = check_all(argv[1], scratch)
    failures += check_readout(durations)
    print("%d of %d spoken cues recognised as their word"
          % (recognised, len(CUE_WORDS)))
    print("%d of %d cues checked, %d failure(s)"
          % (len(durations), len(ALL_CUES), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
