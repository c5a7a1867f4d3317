#!/bin/bash
# Counts the requests that TORVA.EXE's panel thread makes to the Wine
# server for one digit, one Enter and one addition (four lines in use, a
# screen reader's WinEvent hook listening), from Wine's request trace: the
# driver sends each command between two marks, and the counts are of the
# panel thread's requests from the get_message that hands it the command
# up to its reply_message ("handling"), and from mark to mark, the return
# to its idle wait included ("all").
#
#   bench/server_requests.sh [TORVA.EXE]    default build/mingw64/bin/TORVA.EXE
# Needs the driver built: cmake --build build/mingw64 --target bench_driver
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$root/build/mingw64/bin/TORVA.EXE}")
driver=${TORVA_BUILD:-$root/build/mingw64}/bench/win/bench_driver.exe
state=${TORVA_BUILD:-$root/build/mingw64}/bench/win/requests-session
trace=$state/server.trace
session=$root/tests/wine/session.sh
source "$root/scripts/wine-host.sh"
"$session" start "$state" >/dev/null
eval "$("$session" env "$state")"
trap '"$session" stop "$state" >/dev/null 2>&1' EXIT
# The trace comes from a server started with debugging on (-d1).
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -f -d1 2>"$trace" &
thread=$("$session" run "$state" "$driver" --mark-commands "$(wine_tool winepath -w "$program" 2>/dev/null)" |
  tr -d '\r' | sed -n 's/^panel thread //p')
wineserver -k
wait
python3 - "$trace" "$thread" <<'PY'
import collections, re, sys
trace, thread = sys.argv[1], sys.argv[2]
rounds = collections.defaultdict(list)  # command -> [(handling, all, names)]
command = None
for line in open(trace, errors="replace"):
    mark = re.match(r'[0-9a-f]{4}: add_atom\( name=L"torva-mark-(\w+)" \)', line)
    if mark:
        command = mark.group(1)
        if command != "end":
            rounds[command].append([0, 0, collections.Counter(), False, False])
        continue
    request = re.match(r'([0-9a-f]{4}): (\w+)\( ', line)
    if not request or request.group(1) != thread or command in (None, "end"):
        continue
    name, r = request.group(2), rounds[command][-1]
    r[1] += 1
    if r[3] and not r[4]:  # after the command's get_message, up to its reply
        r[0] += 1
        r[2][name] += 1
    if name == "get_message":
        r[3] = True
    r[4] = r[4] or name == "reply_message"
for command, measured in rounds.items():
    for handling, everything, names, _, _ in measured:
        detail = ", ".join(f"{n} {c}" for n, c in sorted(names.items()))
        print(f"{command}: handling {handling}, all {everything} ({detail})")
PY
