// The calculator: a 1024-value operand stack of doubles, number entry and
// the operations, reaching its window only through the Panel services.
#ifndef TORVA_ENGINE_CALC_STACK_H
#define TORVA_ENGINE_CALC_STACK_H

const int kStackCapacity = 1024;

// Buffers that hold a number's text: an 80-character entry plus the one
// character appended before it is tested, a NUL, and slack.
const int kNumberTextSize = 84;

// Non-zero while sound cues are wanted. Read at start-up from the settings
// file and changed only by the Sound dialog; every cue obeys it.
extern int soundEnabled;

// Math error of the operation in progress: 0 none, 1 overflow, 2 any other
// math error. Zero between commands.
extern int pendingMathError;

class CalcStack {
public:
    CalcStack();

    // The one entrance: a command code (only its low byte counts) from a
    // button, an accelerator or a pasted character. Returns whether the
    // key was taken: false when it was refused, with a beep or an error
    // message.
    bool Key(unsigned code);

    void Push(const char* text, double value, int& errorFlag, int speak);
    void Pop(double& out);
    void ReplaceTop(const char* text, double value);
    void RefreshLines(int all);
    int CheckArity(int code);
    int CheckDomain(int code, double x);
    bool Execute(int code);
    void ReportMathError();

    // Writes value in the display format ("%.12lg" with a three-digit
    // exponent, no locale) into buffer, which holds kNumberTextSize bytes.
    static void FormatValue(double value, char* buffer);

    int freshEntry;
    double slots[kStackCapacity];
    int top;
    int count;
};

// The single calculator object, constructed before WinMain runs.
extern CalcStack calculator;

#endif
