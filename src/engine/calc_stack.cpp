// The operand stack and the display lines that show its four lowest levels.
#include "calc_stack.h"

#include "feedback.h"
#include "math_errors.h"
#include "panel.h"
#include "torva_ids.h"

CalcStack calculator;
int soundEnabled = 0;
int pendingMathError = 0;

const int kShownLevels = 4;

// Only the state is set; the slots of the global are zero from the start.
// cppcheck-suppress uninitMemberVar ; a slot is read only once Push has written it (below count)
CalcStack::CalcStack() : freshEntry(1), top(kStackCapacity), count(0) {}

// Stores value as the new X, shown with text (or formatted when text is
// empty) and read out when speak is set. A value out of range, or a math
// error of its computation, stores nothing and sets errorFlag; a full stack
// stores nothing and says so, leaving errorFlag alone.
void CalcStack::Push(const char* text, double value, int& errorFlag, int speak)
{
    int rangeError = StoredRangeError(value);
    if (rangeError)
        pendingMathError = rangeError;
    if (pendingMathError != kNoMathError) {
        errorFlag = 1;
        return;
    }

    char formatted[kNumberTextSize];
    if (text[0] == '\0') {
        FormatValue(value, formatted);
        text = formatted;
    }
    if (top < 1) {
        ReportError(IDS_STACK_FULL);
        return;
    }

    --top;
    slots[top] = value;
    ++count;
    PanelSetLine(0, text);
    RefreshLines(0);
    if (speak)
        ReadOut(text);
}

// Takes X off the stack into out (left alone on an empty stack) and shows
// every line formatted again, X included.
void CalcStack::Pop(double& out)
{
    if (top < kStackCapacity) {
        out = slots[top];
        ++top;
        --count;
    }
    RefreshLines(1);
}

// Changes X and its line while a number is being typed.
void CalcStack::ReplaceTop(const char* text, double value)
{
    if (top >= 0 && top < kStackCapacity) {
        PanelSetLine(0, text);
        slots[top] = value;
    }
}

// Rewrites lines Y to T, and line X too when all is set; levels above the
// stack's height are blank.
void CalcStack::RefreshLines(int all)
{
    for (int level = all ? 0 : 1; level < kShownLevels; ++level) {
        if (level < count) {
            char text[kNumberTextSize];
            FormatValue(slots[top + level], text);
            PanelSetLine(level, text);
        } else {
            PanelSetLine(level, "");
        }
    }
}
