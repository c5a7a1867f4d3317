#include "session_driver.h"

#include <psapi.h>

#include <functional>

namespace th = torva_harness;

namespace hostile {

namespace {

// The OK of a message box is IDOK; About and Sound carry the cancel id on
// their OK buttons.
int OkButtonOf(HWND box) {
  return GetDlgItem(box, IDOK) ? IDOK : IDCANCEL;
}

bool CloseBox(HWND box, Answered* answered) {
  if (answered) answered->texts.push_back(th::ReadBox(box).text);
  if (!th::ClickButton(box, OkButtonOf(box))) return false;
  return th::WaitForWindowGone(box);
}

}  // namespace

bool AnswerOneBox(const th::TorvaProcess& torva, Answered* answered, DWORD timeoutMs) {
  HWND box = th::WaitForDialog(torva.ProcessId(), timeoutMs);
  return box && CloseBox(box, answered);
}

Answered AnswerBoxesUntil(const th::TorvaProcess& torva, const std::function<bool()>& done,
                          DWORD timeoutMs) {
  Answered answered;
  DWORD lastProgress = GetTickCount();
  while (!done()) {
    std::vector<HWND> boxes = th::ProcessDialogs(torva.ProcessId());
    if (!boxes.empty()) {
      if (!CloseBox(boxes.front(), &answered)) {
        answered.timedOut = true;
        return answered;
      }
      lastProgress = GetTickCount();
    } else if (GetTickCount() - lastProgress > timeoutMs) {
      answered.timedOut = true;
      return answered;
    } else {
      Sleep(1);
    }
  }
  return answered;
}

Answered CommandAnsweringBoxes(th::TorvaProcess& torva, WPARAM wParam, DWORD timeoutMs) {
  th::AsyncSend send = torva.CommandAsync(wParam);
  return AnswerBoxesUntil(torva, [&] { return send.Done(); }, timeoutMs);
}

ObjectCounts GuiObjects(HANDLE process) {
  ObjectCounts counts;
  SetLastError(0);
  counts.user = GetGuiResources(process, GR_USEROBJECTS);
  counts.gdi = GetGuiResources(process, GR_GDIOBJECTS);
  counts.available = counts.user != 0 || counts.gdi != 0 || GetLastError() == 0;
  return counts;
}

namespace {

struct WindowTally {
  DWORD processId;
  int count;
};

BOOL CALLBACK CountChild(HWND, LPARAM param) {
  ++reinterpret_cast<WindowTally*>(param)->count;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM param) {
  WindowTally* tally = reinterpret_cast<WindowTally*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == tally->processId) {
    ++tally->count;
    EnumChildWindows(window, CountChild, param);
  }
  return TRUE;
}

}  // namespace

int WindowCount(DWORD processId) {
  WindowTally tally = {processId, 0};
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&tally));
  return tally.count;
}

size_t PrivateBytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters;
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return counters.PagefileUsage;  // the committed private memory
}

}  // namespace hostile
