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

// A command is a message that must not run inside another: WM_COMMAND,
// WM_CLOSE, or the close command of WM_SYSCOMMAND. While one is under way,
// another is kept to be posted again when it has ended (or refused with
// the beep when too many wait), and true is returned. False: the message
// can be handled now, being no command, or coming when none is under way,
// or being the one SendNestedCommand sends.
bool WaitsForCommandUnderWay(UINT message, WPARAM wordParameter, LPARAM longParameter);

// Bracket the handling of every command that may run now. When the
// outermost has ended, the commands that waited for it are posted, behind
// whatever is queued already; posting them earlier would only have a box's
// message loop take them again at once, and again.
void EnterCommand();
void LeaveCommand();

// Whether a command is under way: what would lay the panel out anew waits
// for its end, so that no command sees its panel change beneath it.
bool CommandUnderWay();

// Whether the command under way runs inside another: the drop that
// SendNestedCommand sends within a Backspace.
bool InNestedCommand();

// Sends a command from inside the command under way, to be carried out at
// once, inside it: the engine's own drop within a Backspace.
void SendNestedCommand(WPARAM command);

#endif
