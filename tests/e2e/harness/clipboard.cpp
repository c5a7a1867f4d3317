// Preparing and reading the clipboard, and holding it open.
#include "torva_harness.h"

#include <cstring>

namespace torva_harness {
namespace {

// Opens the clipboard, retrying while another process has it open (the
// program, or the desktop's clipboard manager exporting our last change).
bool OpenWithRetry() {
  return WaitUntil([] { return OpenClipboard(nullptr) != 0; }, kStepTimeout, 10);
}

// Replaces the clipboard's content with one block of `size` bytes filled
// by `fill`, as `format`.
template <typename Fill>
bool PlaceBlock(UINT format, size_t size, Fill fill) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return false;
  void* data = GlobalLock(block);
  if (!data) {
    GlobalFree(block);
    return false;
  }
  fill(static_cast<char*>(data), GlobalSize(block));
  GlobalUnlock(block);
  if (!OpenWithRetry()) {
    GlobalFree(block);
    return false;
  }
  bool ok = EmptyClipboard() && SetClipboardData(format, block);
  if (!ok) GlobalFree(block);
  CloseClipboard();
  return ok;
}

}  // namespace

bool SetClipboardBytes(const std::string& bytes) {
  return PlaceBlock(CF_TEXT, bytes.size() + 1, [&](char* data, size_t) {
    std::memcpy(data, bytes.c_str(), bytes.size() + 1);
  });
}

bool SetClipboardText(const std::string& text) { return SetClipboardBytes(text); }

bool SetClipboardUnterminated(size_t size, char fill, size_t* actualSize) {
  return PlaceBlock(CF_TEXT, size, [&](char* data, size_t blockSize) {
    std::memset(data, fill, blockSize);
    *actualSize = blockSize;
  });
}

bool SetClipboardPictureOnly() {
  // A 1 x 1 picture as a device-independent bitmap: header and one pixel.
  return PlaceBlock(CF_DIB, sizeof(BITMAPINFOHEADER) + 4, [](char* data, size_t) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 1;
    header.biHeight = 1;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    std::memcpy(data, &header, sizeof header);
    std::memset(data + sizeof header, 0x80, 4);
  });
}

bool EmptyClipboardNow() {
  if (!OpenWithRetry()) return false;
  bool ok = EmptyClipboard() != 0;
  CloseClipboard();
  return ok;
}

bool GetClipboardText(std::string* text) {
  if (!OpenWithRetry()) return false;
  bool ok = false;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(data))) {
      *text = std::string(p, strnlen(p, GlobalSize(data)));
      GlobalUnlock(data);
      ok = true;
    }
  }
  CloseClipboard();
  return ok;
}

bool ClipboardOpenable() {
  if (!OpenClipboard(nullptr)) return false;
  CloseClipboard();
  return true;
}

ClipboardHolder::ClipboardHolder() {
  opened_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  if (thread_) {
    HANDLE waits[2] = {opened_, thread_};
    holding_ = WaitForMultipleObjects(2, waits, FALSE, kStepTimeout) == WAIT_OBJECT_0;
  }
}

ClipboardHolder::~ClipboardHolder() {
  Release();
  CloseHandle(opened_);
  CloseHandle(release_);
}

void ClipboardHolder::Release() {
  if (!thread_) return;
  SetEvent(release_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
  holding_ = false;
}

DWORD WINAPI ClipboardHolder::Run(void* self) {
  auto* holder = static_cast<ClipboardHolder*>(self);
  // The clipboard is open "for a window": a thread that opens it for no
  // window shares it with every other opener without one.
  HWND window = CreateWindowExA(0, "STATIC", "clipboard holder", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, nullptr, nullptr);
  if (!window || !WaitUntil([&] { return OpenClipboard(window) != 0; }, kStepTimeout, 10)) {
    if (window) DestroyWindow(window);
    return 1;
  }
  SetEvent(holder->opened_);
  // Keep answering messages while holding, so that no sender waits on us.
  while (MsgWaitForMultipleObjects(1, &holder->release_, FALSE, INFINITE, QS_ALLINPUT) !=
         WAIT_OBJECT_0) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  CloseClipboard();
  DestroyWindow(window);
  return 0;
}

}  // namespace torva_harness
