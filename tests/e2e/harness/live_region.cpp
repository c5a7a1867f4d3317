// Live-region events as a screen reader receives them.
#include "torva_harness.h"

namespace torva_harness {
namespace {

const UINT kAnswer = WM_APP;    // asks the watch's thread to say it is up to date
LiveRegionWatch* activeWatch = nullptr;  // the hook's callback has no context

}  // namespace

LiveRegionWatch::LiveRegionWatch(DWORD processId) : processId_(processId) {
  InitializeCriticalSection(&lock_);
  activeWatch = this;
  answered_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, Run, this, 0, &threadId_);
  if (thread_) WaitForSingleObject(answered_, kStepTimeout);  // hooked, or not
}

LiveRegionWatch::~LiveRegionWatch() {
  if (thread_) {
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_, kStepTimeout);
    CloseHandle(thread_);
  }
  CloseHandle(answered_);
  activeWatch = nullptr;
  DeleteCriticalSection(&lock_);
}

DWORD WINAPI LiveRegionWatch::Run(void* param) {
  auto* self = static_cast<LiveRegionWatch*>(param);
  HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr,
                      OnEvent, self->processId_, 0, WINEVENT_OUTOFCONTEXT);
  self->hooked_ = hook != nullptr;
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue, before anyone posts to it
  SetEvent(self->answered_);
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == kAnswer) SetEvent(self->answered_);
    DispatchMessageA(&msg);
  }
  if (hook) UnhookWinEvent(hook);
  return 0;
}

void CALLBACK LiveRegionWatch::OnEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child,
                                       DWORD, DWORD) {
  char text[128] = "";
  DWORD_PTR length = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_NORMAL, kStepTimeout, &length);
  EnterCriticalSection(&activeWatch->lock_);
  activeWatch->events_.push_back({window, object, child, text});
  LeaveCriticalSection(&activeWatch->lock_);
}

// An out-of-context event is queued for the hook's thread before the
// process goes on, and the thread takes it before a message posted later.
std::vector<LiveRegionWatch::Event> LiveRegionWatch::Take() {
  if (PostThreadMessageA(threadId_, kAnswer, 0, 0)) WaitForSingleObject(answered_, kStepTimeout);
  std::vector<Event> taken;
  EnterCriticalSection(&lock_);
  taken.swap(events_);
  LeaveCriticalSection(&lock_);
  return taken;
}

}  // namespace torva_harness
