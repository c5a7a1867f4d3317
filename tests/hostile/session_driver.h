// What the hostile tests and the soak share: sending a command to the
// running program while answering whatever boxes it opens, and reading
// the program's object counts.
#ifndef TORVA_HOSTILE_SESSION_DRIVER_H
#define TORVA_HOSTILE_SESSION_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "torva_harness.h"

namespace hostile {

// The message texts of the boxes answered, in order.
struct Answered {
  std::vector<std::string> texts;
  bool timedOut = false;
};

// Closes every dialog the process shows (OK of a message box, the OK
// button of About and Sound) until `done` holds; gives up after timeoutMs
// without progress.
Answered AnswerBoxesUntil(const torva_harness::TorvaProcess& torva,
                          const std::function<bool()>& done, DWORD timeoutMs = 15000);

// Sends WM_COMMAND(wParam) from a worker thread and answers the boxes it
// opens until the command has returned.
Answered CommandAnsweringBoxes(torva_harness::TorvaProcess& torva, WPARAM wParam,
                               DWORD timeoutMs = 15000);

// Closes exactly one box: waits for it, records its text, presses its OK.
bool AnswerOneBox(const torva_harness::TorvaProcess& torva, Answered* answered,
                  DWORD timeoutMs = torva_harness::kStepTimeout);

// USER and GDI objects of a process. available is false where the system
// does not count them (both counts 0 with an error).
struct ObjectCounts {
  DWORD user = 0;
  DWORD gdi = 0;
  bool available = false;
};
ObjectCounts GuiObjects(HANDLE process);

// Windows the process owns: top-level windows of its threads and all of
// their descendants. A count that can be taken under any system.
int WindowCount(DWORD processId);

// Private memory of the process in bytes (0 when it cannot be read).
size_t PrivateBytes(HANDLE process);

}  // namespace hostile

#endif
