#include "feedback.h"

#include "calc_stack.h"
#include "command_table.h"
#include "panel.h"

namespace {

// Cues of the characters of a spoken number. The digits use their keys'
// cues; "+" and "-" have cues of their own, unlike the add and subtract keys.
const char* ReadOutCue(char c)
{
    switch (c) {
    case '.': return "point.wav";
    case '+': return "plus.wav";
    case '-': return "minus.wav";
    case 'e': return "e.wav";
    default: break;
    }
    if (c >= '0' && c <= '9')
        return CommandCue(c);  // a digit's character code is its command code
    return nullptr;
}

}  // namespace

void PlayCue(const char* name)
{
    if (soundEnabled && name)
        PanelPlayCue(name);
}

void ReadOut(const char* text)
{
    if (!soundEnabled)
        return;
    for (const char* p = text; *p; ++p)
        PlayCue(ReadOutCue(*p));
}

void ReportError(int stringId)
{
    PlayCue("error.wav");
    PanelShowError(stringId);
}
