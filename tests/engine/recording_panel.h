// A Panel that records what the engine shows and plays instead of reaching
// a window, for the engine tests and the fuzzer. Its widths are the metrics
// of the program's panel under Wine: digits 9 px, "." 5 px, "-" 6 px and a
// line X 250 px wide, so 27 digits fit.
#ifndef TORVA_TESTS_RECORDING_PANEL_H
#define TORVA_TESTS_RECORDING_PANEL_H

#include <string>
#include <vector>

struct PanelRecording {
    std::string lines[4];             // current texts of lines X, Y, Z, T
    std::vector<std::string> cues;    // cues played, in order
    std::vector<int> errors;          // string ids of the messages shown
    std::vector<std::string> copies;  // texts placed on the clipboard
    int beeps = 0;
    // Every cue, beep, message, copy and drop in order, as "cue:add.wav",
    // "beep", "error:30", "copy:1.5", "drop".
    std::vector<std::string> events;
    int lineXWidth = 250;
};

extern PanelRecording panelRecording;

// Width of one character in the recorded panel's metrics.
int RecordedCharWidth(char c);

// Puts the calculator, soundEnabled, pendingMathError and the recording
// back to their state at program start.
void ResetEngineAndRecording();

#endif
