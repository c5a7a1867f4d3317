// A Panel that shows and plays nothing, so the benchmark measures the engine
// alone. It keeps only the text of line X, which the engine reads back while
// a number is typed. Widths follow the program's panel: digits 9 px, a
// 250 px line X.
#include <cstring>

#include "panel.h"

namespace {
char lineX[kEntryTextLimit + 8];
}

void PanelSetLine(int level, const char* text)
{
    if (level == 0) {
        std::strncpy(lineX, text, kEntryTextLimit - 1);
        lineX[kEntryTextLimit - 1] = '\0';
    }
}

void PanelGetEntryText(char* buffer)
{
    std::strcpy(buffer, lineX);
}

int PanelLineXWidth()
{
    return 250;
}

int PanelTextWidth(const char*, int length)
{
    return 9 * length;
}

void PanelPlayCue(const char*) {}
void PanelBeep() {}
void PanelShowError(int) {}
void PanelCopyText(const char*) {}
void PanelDrop() {}
