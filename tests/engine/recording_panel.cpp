#include "recording_panel.h"

#include <cstring>
#include <new>

#include "calc_stack.h"
#include "panel.h"
#include "torva_ids.h"

PanelRecording panelRecording;

int RecordedCharWidth(char c)
{
    switch (c) {
    case '.': return 5;
    case '-': return 6;
    default: return 9;
    }
}

void ResetEngineAndRecording()
{
    // The program's calculator is constructed once; a test starts afresh
    // by constructing it again in place.
    calculator.~CalcStack();
    new (&calculator) CalcStack();
    soundEnabled = 0;
    pendingMathError = 0;
    panelRecording = PanelRecording();
}

void PanelSetLine(int level, const char* text)
{
    panelRecording.lines[level] = text;
}

void PanelGetEntryText(char* buffer)
{
    std::strncpy(buffer, panelRecording.lines[0].c_str(), kEntryTextLimit - 1);
    buffer[kEntryTextLimit - 1] = '\0';
}

int PanelLineXWidth()
{
    return panelRecording.lineXWidth;
}

int PanelTextWidth(const char* text, int length)
{
    int width = 0;
    for (int i = 0; i < length; ++i)
        width += RecordedCharWidth(text[i]);
    return width;
}

void PanelPlayCue(const char* name)
{
    panelRecording.cues.push_back(name);
    panelRecording.events.push_back(std::string("cue:") + name);
}

void PanelBeep()
{
    ++panelRecording.beeps;
    panelRecording.events.push_back("beep");
}

void PanelShowError(int stringId)
{
    panelRecording.errors.push_back(stringId);
    panelRecording.events.push_back("error:" + std::to_string(stringId));
}

void PanelCopyText(const char* text)
{
    panelRecording.copies.push_back(text);
    panelRecording.events.push_back(std::string("copy:") + text);
}

void PanelDrop()
{
    // The program sends CMD_DROP through its window procedure, which hands
    // it straight back to Key.
    panelRecording.events.push_back("drop");
    calculator.Key(CMD_DROP);
}
