// What the engine knows about each command code: how many stack values it
// needs, which sound cue belongs to it, and which values of X it refuses.
#ifndef TORVA_ENGINE_COMMAND_TABLE_H
#define TORVA_ENGINE_COMMAND_TABLE_H

// Number of stack values the command needs before it may run (0, 1 or 2).
int OperandsNeeded(int code);

// The command's sound cue ("add.wav", "7.wav", ...), or nullptr if it has
// none.
const char* CommandCue(int code);

// The string id of the message that refuses the command for this X (division
// by zero, negative square root), or 0 if X is acceptable.
int DomainRefusal(int code, double x);

// True for the keys that edit a number being typed: backspace, Enter, the
// point and the ten digits.
bool IsEntryKey(int code);

#endif
