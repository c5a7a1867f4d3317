// Feeds arbitrary keystroke sequences to the calculator through the
// recording panel and checks, after every key, the invariants that must hold
// whatever the user types or pastes. Any violation traps.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "calc_stack.h"
#include "math_errors.h"
#include "number_format.h"
#include "panel.h"
#include "recording_panel.h"
#include "torva_ids.h"

namespace {

// Options taken from the first byte of the input.
const uint8_t kWideCodes = 0x01;   // keys are 16-bit little-endian codes
const uint8_t kSoundOn = 0x02;     // cues are played (and recorded)

void Fail(const char* what)
{
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::fprintf(stderr, "count=%d top=%d freshEntry=%d pendingMathError=%d\n",
                 calculator.count, calculator.top, calculator.freshEntry,
                 pendingMathError);
    for (int level = 0; level < 4; ++level)
        std::fprintf(stderr, "line %d: \"%s\"\n", level,
                     panelRecording.lines[level].c_str());
    __builtin_trap();
}

void Check(bool condition, const char* what)
{
    if (!condition)
        Fail(what);
}

bool IsEngineMessage(int id)
{
    switch (id) {
    case IDS_OVERFLOW:
    case IDS_DIVIDE_BY_ZERO:
    case IDS_NEGATIVE_ROOT:
    case IDS_NUMERICAL_ERROR:
    case IDS_TOO_FEW_NUMBERS:
    case IDS_STACK_FULL:
        return true;
    default:
        return false;
    }
}

void CheckStack()
{
    const CalcStack& calc = calculator;
    Check(calc.count >= 0 && calc.count <= kStackCapacity, "count in range");
    Check(calc.count == kStackCapacity - calc.top, "count = 1024 - top");
    const double limit = std::sqrt(DBL_MAX);
    for (int i = calc.top; i < kStackCapacity; ++i) {
        Check(std::isfinite(calc.slots[i]), "stored value finite");
        Check(std::fabs(calc.slots[i]) < limit, "stored value below push limit");
    }
    Check(pendingMathError == 0, "no math error pending between keys");
}

std::string Formatted(int level)
{
    char text[kNumberTextSize];
    CalcStack::FormatValue(calculator.slots[calculator.top + level], text);
    return text;
}

// An entry text: fits line X and its buffer, reads as a number, and that
// number is X.
void CheckEntryText(const std::string& entry, const char* what)
{
    Check(entry.size() <= kEntryTextLimit - 1, what);
    Check(PanelTextWidth(entry.c_str(), static_cast<int>(entry.size())) <=
              PanelLineXWidth(),
          what);
    double value = 0;
    Check(ParseEntryText(entry.c_str(), value) == 1, what);
    Check(value == calculator.slots[calculator.top], what);
}

// Lines Y to T always show their levels formatted, or nothing above the
// stack. Line X does too, except that a number's typed text stays there
// while it is being typed and after Enter or a command that changes
// nothing ended it; that text must still be the value of X.
void CheckLines()
{
    const CalcStack& calc = calculator;
    for (int level = 1; level < 4; ++level) {
        const std::string& line = panelRecording.lines[level];
        if (level < calc.count)
            Check(line == Formatted(level), "line shows its level formatted");
        else
            Check(line.empty(), "line above the stack is empty");
    }
    const std::string& lineX = panelRecording.lines[0];
    if (calc.count == 0) {
        Check(calc.freshEntry == 1, "nothing is typed on an empty stack");
        Check(lineX.empty(), "line X of an empty stack is empty");
    } else if (!calc.freshEntry || lineX != Formatted(0)) {
        CheckEntryText(lineX, "line X holds an entry text that is X");
    }
}

void CheckErrors()
{
    for (int id : panelRecording.errors)
        Check(IsEngineMessage(id), "error shown is an engine message");
    // Keep the recording small: only the newest key's output is checked.
    panelRecording.errors.clear();
    panelRecording.cues.clear();
    panelRecording.copies.clear();
    panelRecording.events.clear();
}

// Any text in line X, typed or put there by another program, is read as
// strtod reads it (glibc here, which reads decimal numbers as "%lf"
// does): taken exactly when it is no longer than line X gives back and
// strtod reads all of it as a decimal number (no hexadecimal, inf or nan)
// within the push limit, and as the same value, the sign of a zero
// included. The text is the input after its first byte.
void CheckReader(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::string text(bytes, strnlen(bytes, std::min<size_t>(size, kNumberTextSize - 1)));
    char* end = nullptr;
    const double expected = std::strtod(text.c_str(), &end);
    const bool taken = text.size() < kEntryTextLimit && end != text.c_str() && *end == '\0' &&
                       text.find_first_of("xXiInN") == std::string::npos &&
                       StoredRangeError(expected) == kNoMathError;
    double value = 0;
    Check((ParseEntryText(text.c_str(), value) == 1) == taken, "text taken as strtod takes it");
    if (taken)
        Check(value == expected && std::signbit(value) == std::signbit(expected),
              "text read as strtod reads it");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    CheckReader(data + 1, size - 1);
    ResetEngineAndRecording();
    const uint8_t options = data[0];
    soundEnabled = (options & kSoundOn) ? 1 : 0;
    const size_t step = (options & kWideCodes) ? 2 : 1;
    for (size_t i = 1; i + step <= size; i += step) {
        unsigned code = data[i];
        if (step == 2)
            code |= static_cast<unsigned>(data[i + 1]) << 8;
        calculator.Key(code);
        CheckStack();
        CheckLines();
        CheckErrors();
    }
    return 0;
}
