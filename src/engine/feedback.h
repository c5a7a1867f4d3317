// How the engine tells the user what happened: sound cues (only while
// soundEnabled is set), the read-out of results and error messages.
#ifndef TORVA_ENGINE_FEEDBACK_H
#define TORVA_ENGINE_FEEDBACK_H

// Plays the cue if sound is on; a null name plays nothing.
void PlayCue(const char* name);

// Speaks a number's text character by character: digits, point, plus,
// minus and the exponent's e each have a cue; other characters are silent.
void ReadOut(const char* text);

// Plays "error.wav" (if sound is on), then shows the message and waits.
void ReportError(int stringId);

#endif
