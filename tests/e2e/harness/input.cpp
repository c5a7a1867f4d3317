// Real keystrokes and mouse clicks with SendInput, and the focus of a
// thread.
#include "torva_harness.h"

namespace torva_harness {
namespace {

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

// The key that types c, with its Shift state in the high byte as from
// VkKeyScanA. "*" and "+" come from the keypad: a keystroke without Shift
// cannot lose its Shift when Wine re-reads the X keyboard state (which it
// does whenever a window gains the X focus). "\b" is Backspace, which
// VkKeyScanA does not give under Wine.
SHORT KeyFor(char c) {
  if (c == '*') return VK_MULTIPLY;
  if (c == '+') return VK_ADD;
  if (c == '\b') return VK_BACK;
  return VkKeyScanA(c);
}

BOOL CALLBACK FindOpenMenu(HWND window, LPARAM found) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, "#32768") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
  }
  return TRUE;
}

// Whether the thread shows a pop-up menu.
bool MenuOpen(DWORD threadId) {
  bool found = false;
  EnumThreadWindows(threadId, FindOpenMenu, reinterpret_cast<LPARAM>(&found));
  return found;
}

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
    SHORT scan = KeyFor(c);
    bool ok;
    if (scan == -1) {
      ok = SendCharacter(c);
    } else {
      unsigned shiftState = (scan >> 8) & 0xFF;
      unsigned keyMods = (shiftState & 1 ? kShift : kNoMods) |
                         (shiftState & 2 ? kCtrl : kNoMods) | (shiftState & 4 ? kAlt : kNoMods);
      ok = PressKey(static_cast<WORD>(scan & 0xFF), mods | keyMods);
    }
    if (!ok) return false;
  }
  return true;
}

bool SettleInput(HWND window, DWORD timeoutMs) {
  // Alt+Space opens the window's system menu once the thread has read every
  // earlier key, which GetGUIThreadInfo shows from outside; Escape closes it
  // again. (Watching a marker key's state instead needs AttachThreadInput,
  // which under Wine makes later keystrokes go astray.)
  DWORD threadId = GetWindowThreadProcessId(window, nullptr);
  // Menu mode and an open menu: each Escape must change one of them, so no
  // spare Escape ever reaches a window.
  auto menuState = [&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    bool inMenu = GetGUIThreadInfo(threadId, &info) && (info.flags & GUI_INMENUMODE) != 0;
    return (inMenu ? 1 : 0) + (MenuOpen(threadId) ? 2 : 0);
  };
  constexpr int kMenuOpen = 3;
  if (!PressKey(VK_SPACE, kAlt) || !WaitUntil([&] { return menuState() == kMenuOpen; }, timeoutMs))
    return false;
  for (int i = 0; i < 4 && menuState() != 0; ++i) {
    int before = menuState();
    if (!PressKey(VK_ESCAPE) || !WaitUntil([&] { return menuState() != before; }, timeoutMs))
      return false;
  }
  return menuState() == 0 && Sync(window, timeoutMs);
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
