#include "command_gate.h"

#include "vexlib.h"  // mainWindow

namespace {

struct WaitingCommand {
    UINT message;
    WPARAM wordParameter;
    LPARAM longParameter;
};

// The commands that wait, in the order they came.
WaitingCommand waiting[kWaitingCommandLimit];
int waitingCount = 0;

int commandDepth = 0;            // more than 1 only inside a nested command
bool nestedCommandSent = false;  // until the window procedure takes it

void PostWaitingCommands() {
    for (int i = 0; i < waitingCount; ++i) {
        const WaitingCommand& command = waiting[i];
        if (!PostMessageA(mainWindow, command.message, command.wordParameter,
                          command.longParameter))
            MessageBeep(0);  // the queue is full: the command is lost, and said to be
    }
    waitingCount = 0;
}

// The system uses the low four bits of a system command itself.
bool IsCommand(UINT message, WPARAM wordParameter) {
    return message == WM_COMMAND || message == WM_CLOSE ||
           (message == WM_SYSCOMMAND && (wordParameter & 0xFFF0) == SC_CLOSE);
}

}  // namespace

bool WaitsForCommandUnderWay(UINT message, WPARAM wordParameter, LPARAM longParameter) {
    if (!IsCommand(message, wordParameter)) return false;
    if (nestedCommandSent) {
        // SendMessage within the thread calls the window procedure
        // directly: nothing else can come between.
        nestedCommandSent = false;
        return false;
    }
    if (commandDepth == 0) return false;
    if (waitingCount == kWaitingCommandLimit) {
        MessageBeep(0);
    } else {
        const WaitingCommand command = {message, wordParameter, longParameter};
        waiting[waitingCount++] = command;
    }
    return true;
}

void EnterCommand() { ++commandDepth; }

void LeaveCommand() {
    if (--commandDepth == 0) PostWaitingCommands();
}

bool CommandUnderWay() { return commandDepth > 0; }

bool InNestedCommand() { return commandDepth > 1; }

void SendNestedCommand(WPARAM command) {
    nestedCommandSent = true;
    SendMessageA(mainWindow, WM_COMMAND, command, 0);
    nestedCommandSent = false;
}
