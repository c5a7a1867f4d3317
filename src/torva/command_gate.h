// One command at a time. A command can take long: a result read out cue by
// cue, a message box or dialog waiting for the user. Meanwhile the panel's
// thread still handles the messages other programs send it (between cues,
// and in a box's own message loop), and among them may be commands: a
// WM_COMMAND, a close. Those wait here until the command under way has
// ended, so that none runs inside another, and are then posted to the
// panel again in the order they came.
#ifndef TORVA_COMMAND_GATE_H
#define TORVA_COMMAND_GATE_H

#include <windows.h>

// How many commands can wait; one more is refused with the beep.
const int kWaitingCommandLimit = 32;

// Whether the message is a command that must not run inside another:
// WM_COMMAND, WM_CLOSE, or the close command of WM_SYSCOMMAND.
bool IsCommandMessage(UINT message, WPARAM wordParameter);

// While a command is under way, keeps the message to be posted again when
// it has ended (or refuses it with the beep when too many wait) and returns
// true. Returns false when the message can be handled now: no command is
// under way, or it is the one SendNestedCommand sends.
bool WaitsForCommandUnderWay(UINT message, WPARAM wordParameter, LPARAM longParameter);

// Bracket the handling of every command that may run now. When the
// outermost has ended, the commands that waited for it are posted, behind
// whatever is queued already; posting them earlier would only have a box's
// message loop take them again at once, and again.
void CommandStarts();
void CommandEnds();

// Sends a command from inside the command under way, to be carried out at
// once, inside it: the engine's own drop within a Backspace.
void SendNestedCommand(WPARAM command);

#endif
