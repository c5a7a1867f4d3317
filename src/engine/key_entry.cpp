// Keystrokes: the checks every command passes first, and the number being
// typed, which lives on the stack as X and as the text of line X.
#include <cstring>

#include "calc_stack.h"
#include "command_table.h"
#include "feedback.h"
#include "number_format.h"
#include "panel.h"
#include "torva_ids.h"

namespace {

bool IsDigit(int code) { return code >= CMD_DIGIT_0 && code <= CMD_DIGIT_9; }

// Enter ends the number being typed; with none, it duplicates X. False
// when it was refused: nothing to duplicate, or no room for the copy.
bool EnterKey(CalcStack& calc, double x)
{
    PlayCue(CommandCue(CMD_ENTER));
    bool taken = true;
    if (calc.freshEntry) {
        if (calc.count < 1) {
            PanelBeep();
            taken = false;
        } else {
            const int countBefore = calc.count;
            int ignored = 0;
            calc.Push("", x, ignored, 0);
            taken = calc.count > countBefore;
        }
    }
    calc.freshEntry = 1;
    return taken;
}

// What an entry key did to the entry text.
enum Edit {
    kEdited,
    kRefused,  // with a beep; the text goes on to be checked as it is
    kDropped,  // a backspace over the only character dropped the whole number
};

// Applies backspace, point or a digit to the entry text. The drop plays
// its own cue.
Edit EditText(int code, char* text)
{
    size_t length = std::strlen(text);
    Edit edit = kEdited;
    if (code == CMD_BACKSPACE) {
        PlayCue(CommandCue(code));
        if (length == 1) {
            PanelDrop();
            return kDropped;
        }
        if (length == 0) {
            PanelBeep();  // the empty text is then refused: a second beep
            edit = kRefused;
        } else {
            text[length - 1] = '\0';
        }
    } else if (code == CMD_POINT) {
        PlayCue(CommandCue(code));
        if (std::strchr(text, '.')) {
            PanelBeep();  // kept as it was, and stored again unchanged
            edit = kRefused;
        } else {
            std::strcpy(text + length, ".");
        }
    } else {
        text[length] = static_cast<char>(code);
        text[length + 1] = '\0';
    }
    if (std::strcmp(text, ".") == 0)
        std::strcpy(text, "0.");
    return edit;
}

// A text is accepted when it reads as a number (which line X can give back
// whole) and fits in line X. Width is measured with the panel's metrics.
bool IsAcceptable(const char* text, int lineWidth, double& value)
{
    return ParseEntryText(text, value) &&
           PanelTextWidth(text, static_cast<int>(std::strlen(text))) <= lineWidth;
}

// Shows an accepted text: a new number is pushed, a number being typed
// has its X replaced. Returns 0 when nothing could be stored.
int StoreEntry(CalcStack& calc, const char* text, double value)
{
    if (!calc.freshEntry) {
        calc.ReplaceTop(text, value);
        return 1;
    }
    // Typing starts only if the push stored the number. On a full stack it
    // does not; staying Idle keeps the next key from editing the old X.
    int countBefore = calc.count;
    int ignored = 0;
    calc.Push(text, value, ignored, 0);
    if (calc.count == countBefore)
        return 0;
    calc.freshEntry = 0;
    return 1;
}

}  // namespace

bool CalcStack::Key(unsigned code)
{
    const int c = static_cast<int>(code & 0xFF);
    const double x = count >= 1 ? slots[top] : 0;
    const int lineWidth = PanelLineXWidth();

    if (CheckArity(c) || CheckDomain(c, x))
        return false;
    if (!IsEntryKey(c))
        return Execute(c);
    if (c == CMD_ENTER)
        return EnterKey(*this, x);

    char text[kNumberTextSize] = "";
    if (!freshEntry)
        PanelGetEntryText(text);
    const Edit edit = EditText(c, text);
    if (edit == kDropped)
        return true;
    double value = 0;
    if (!IsAcceptable(text, lineWidth, value)) {
        PanelBeep();
        return false;
    }
    if (!StoreEntry(*this, text, value))
        return false;
    if (IsDigit(c))
        PlayCue(CommandCue(c));
    return edit == kEdited;
}

// Refuses (and says so) a command that needs more values than are stored.
int CalcStack::CheckArity(int code)
{
    if (count >= OperandsNeeded(code))
        return 0;
    ReportError(IDS_TOO_FEW_NUMBERS);
    return 1;
}

// Refuses (and says so) a division by zero or a negative square root.
int CalcStack::CheckDomain(int code, double x)
{
    int messageId = DomainRefusal(code, x);
    if (messageId == 0)
        return 0;
    ReportError(messageId);
    return 1;
}
