// Real keystrokes and mouse clicks with SendInput, and the focus of a
// thread.
#include "torva_harness.h"

namespace torva_harness {
namespace {

// The marker key of SettleInput: no keyboard map or window uses it.
constexpr WORD kMarkerKey = VK_F24;

bool IsExtendedKey(WORD vk) {
  switch (vk) {
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END:
    case VK_PRIOR: case VK_NEXT: case VK_LEFT: case VK_RIGHT:
    case VK_UP: case VK_DOWN: case VK_DIVIDE: case VK_RMENU: case VK_RCONTROL:
      return true;
    default:
      return false;
  }
}

INPUT KeyEvent(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
  return in;
}

void AddModifiers(std::vector<INPUT>* events, unsigned mods, bool up) {
  static const struct { unsigned mod; WORD vk; } keys[] = {
      {kCtrl, VK_CONTROL}, {kAlt, VK_MENU}, {kShift, VK_SHIFT}};
  if (!up) {
    for (const auto& k : keys)
      if (mods & k.mod) events->push_back(KeyEvent(k.vk, false));
  } else {
    for (int i = 2; i >= 0; --i)
      if (mods & keys[i].mod) events->push_back(KeyEvent(keys[i].vk, true));
  }
}

bool Send(std::vector<INPUT>& events) {
  return SendInput(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT)) ==
         events.size();
}

// A character that has no key on the layout, typed as a Unicode packet.
bool SendCharacter(char c) {
  INPUT in[2] = {};
  for (int i = 0; i < 2; ++i) {
    in[i].type = INPUT_KEYBOARD;
    in[i].ki.wScan = static_cast<unsigned char>(c);
    in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
  }
  return SendInput(2, in, sizeof(INPUT)) == 2;
}

// Attaches the calling thread's input to another thread's while alive, so
// that GetKeyState shows the key state as that thread has read it.
class InputAttachment {
 public:
  explicit InputAttachment(DWORD threadId) : other_(threadId) {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // make sure we have a queue
    attached_ = AttachThreadInput(GetCurrentThreadId(), other_, TRUE) != 0;
  }
  ~InputAttachment() {
    if (attached_) AttachThreadInput(GetCurrentThreadId(), other_, FALSE);
  }
  bool Attached() const { return attached_; }

 private:
  DWORD other_;
  bool attached_ = false;
};

bool MarkerDown() { return (GetKeyState(kMarkerKey) & 0x8000) != 0; }

}  // namespace

bool Activate(HWND window, DWORD timeoutMs) {
  return WaitUntil([&] {
    if (GetForegroundWindow() == window) return true;
    SetForegroundWindow(window);
    return GetForegroundWindow() == window;
  }, timeoutMs, 20);
}

bool PressKey(WORD virtualKey, unsigned mods) {
  std::vector<INPUT> events;
  AddModifiers(&events, mods, false);
  events.push_back(KeyEvent(virtualKey, false));
  events.push_back(KeyEvent(virtualKey, true));
  AddModifiers(&events, mods, true);
  return Send(events);
}

bool TypeText(const std::string& text, unsigned mods) {
  for (char c : text) {
    SHORT scan = VkKeyScanA(c);
    bool ok;
    if (scan == -1) {
      ok = SendCharacter(c);
    } else {
      unsigned shiftState = (scan >> 8) & 0xFF;
      unsigned keyMods = (shiftState & 1 ? kShift : 0) | (shiftState & 2 ? kCtrl : 0) |
                         (shiftState & 4 ? kAlt : 0);
      ok = PressKey(static_cast<WORD>(scan & 0xFF), mods | keyMods);
    }
    if (!ok) return false;
  }
  return true;
}

bool SettleInput(HWND window, DWORD timeoutMs) {
  DWORD threadId = GetWindowThreadProcessId(window, nullptr);
  InputAttachment attachment(threadId);
  if (!attachment.Attached()) return false;
  std::vector<INPUT> down{KeyEvent(kMarkerKey, false)};
  std::vector<INPUT> up{KeyEvent(kMarkerKey, true)};
  // The marker is seen down only once the thread has read every earlier key.
  if (!Send(down) || !WaitUntil(MarkerDown, timeoutMs)) {
    Send(up);
    return false;
  }
  return Send(up) && WaitUntil([] { return !MarkerDown(); }, timeoutMs) && Sync(window, timeoutMs);
}

bool MouseButton(HWND window, bool down) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT in[2] = {};
  in[0].type = INPUT_MOUSE;
  in[0].mi.dx = ((r.left + r.right) / 2) * 65535 / (width - 1);
  in[0].mi.dy = ((r.top + r.bottom) / 2) * 65535 / (height - 1);
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1] = in[0];
  in[1].mi.dwFlags |= down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  return SendInput(2, in, sizeof(INPUT)) == 2;
}

HWND FocusOf(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

}  // namespace torva_harness
