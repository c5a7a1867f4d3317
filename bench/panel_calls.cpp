// Counts the Panel services one command uses: each is a window-system call
// (or a few) in the program, so the counts say where a command's time goes
// under Wine. Prints one tab-separated row per command and service.
#include <cstdio>
#include <cstring>
#include <string>

#include "calc_stack.h"
#include "panel.h"
#include "torva_ids.h"

namespace {

struct Counts {
  int setLine, getEntry, lineWidth, textWidth, other;
};
Counts counts;
char lineX[kEntryTextLimit + 8];

void Measure(const char* name, const char* codes) {
  counts = Counts();
  for (const char* p = codes; *p; ++p) calculator.Key(static_cast<unsigned char>(*p));
  std::printf("%s\t%d\t%d\t%d\t%d\n", name, counts.setLine, counts.getEntry,
              counts.lineWidth + counts.textWidth, counts.other);
}

}  // namespace

void PanelSetLine(int level, const char* text) {
  ++counts.setLine;
  if (level == 0) {
    std::strncpy(lineX, text, kEntryTextLimit - 1);
    lineX[kEntryTextLimit - 1] = '\0';
  }
}
void PanelGetEntryText(char* buffer) {
  ++counts.getEntry;
  std::strcpy(buffer, lineX);
}
int PanelLineXWidth() {
  ++counts.lineWidth;
  return 250;
}
int PanelTextWidth(const char*, int length) {
  ++counts.textWidth;
  return 9 * length;
}
void PanelPlayCue(const char*) { ++counts.other; }
void PanelBeep() { ++counts.other; }
void PanelShowError(int) { ++counts.other; }
void PanelCopyText(const char*) { ++counts.other; }
void PanelDrop() { calculator.Key(CMD_DROP); }

int main() {
  // Four values on the stack, as in the timed commands.
  for (const char* p = "1\r2\r3\r4\r"; *p; ++p) calculator.Key(static_cast<unsigned char>(*p));
  std::printf("command\tset line\tget entry\twidths\tcues, beeps, boxes\n");
  Measure("digit (starts a number)", "5");
  Measure("digit (continues it)", "5");
  Measure("Enter (ends it)", "\r");
  Measure("add", "+");
  std::string paste;
  while (paste.size() < 81) paste += "123456789";
  Measure("paste of 81 digits and its line feed", (paste + "\n").c_str());
  return 0;
}
