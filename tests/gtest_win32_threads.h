// Forced into every GoogleTest compilation when MinGW's win32 thread model
// provides no std::mutex: GoogleTest's one use of it, the Notification
// class, rebuilt on a Win32 event.
#ifndef GTEST_WIN32_THREADS_H
#define GTEST_WIN32_THREADS_H
#ifdef __cplusplus
#include <windows.h>

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing

#define GTEST_HAS_NOTIFICATION_ 1
#endif
#endif
