// Live-region events as a screen reader receives them.
#include "torva_harness.h"

namespace torva_harness {
namespace {

std::vector<LiveRegionWatch::Event> heard;  // the hook's callback has no context

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
  char text[128] = "";
  DWORD_PTR length = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_NORMAL, kStepTimeout, &length);
  heard.push_back({window, object, child, text});
}

}  // namespace

LiveRegionWatch::LiveRegionWatch(DWORD processId)
    : hook_(SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED,
                            nullptr, OnEvent, processId, 0, WINEVENT_OUTOFCONTEXT)) {
  heard.clear();
}

std::vector<LiveRegionWatch::Event> LiveRegionWatch::Take() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  std::vector<Event> taken;
  taken.swap(heard);
  return taken;
}

}  // namespace torva_harness
