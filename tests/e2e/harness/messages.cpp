// Messages to the program that may block: sent from a worker thread.
#include "torva_harness.h"

namespace torva_harness {

struct AsyncSend::State {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  volatile LRESULT result = 0;
  HANDLE done = nullptr;  // manual-reset event, set when SendMessageA returns
  ~State() { CloseHandle(done); }
};

namespace {

// The worker owns one reference to the state, so the state outlives an
// AsyncSend that is dropped while the send is still blocked.
DWORD WINAPI SendWorker(void* param) {
  auto* state = static_cast<std::shared_ptr<AsyncSend::State>*>(param);
  AsyncSend::State& s = **state;
  s.result = SendMessageA(s.window, s.message, s.wParam, s.lParam);
  SetEvent(s.done);
  delete state;
  return 0;
}

}  // namespace

AsyncSend::AsyncSend(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    : state_(std::make_shared<State>()) {
  state_->window = window;
  state_->message = message;
  state_->wParam = wParam;
  state_->lParam = lParam;
  state_->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  auto* workerRef = new std::shared_ptr<State>(state_);
  HANDLE thread = CreateThread(nullptr, 0, SendWorker, workerRef, 0, nullptr);
  if (thread) {
    CloseHandle(thread);
  } else {
    delete workerRef;
    SetEvent(state_->done);
  }
}

AsyncSend::~AsyncSend() = default;

bool AsyncSend::Done() const { return Wait(0); }

bool AsyncSend::Wait(DWORD timeoutMs) const {
  return state_ && WaitForSingleObject(state_->done, timeoutMs) == WAIT_OBJECT_0;
}

LRESULT AsyncSend::Result() const { return Done() ? state_->result : 0; }

bool Sync(HWND window, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

}  // namespace torva_harness
