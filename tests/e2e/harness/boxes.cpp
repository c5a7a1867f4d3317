// Finding, reading and answering the program's modal boxes.
#include "torva_harness.h"

#include <cstdlib>
#include <cstring>

namespace torva_harness {
namespace {

constexpr int kMessageTextId = 0xFFFF;

struct DialogSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window) && ClassName(window) == "#32770")
    search->found.push_back(window);
  return TRUE;
}

// ---- icon recognition ----

// A 32-bit top-down picture of w x h pixels.
struct Picture {
  int width = 0, height = 0;
  std::vector<DWORD> pixels;
};

// Draws into a fresh DIB section with `paint`, then copies the pixels out.
template <typename Paint>
bool Render(int width, int height, Paint paint, Picture* out) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = dc && bitmap;
  if (ok) {
    HGDIOBJ old = SelectObject(dc, bitmap);
    ok = paint(dc);
    GdiFlush();
    out->width = width;
    out->height = height;
    const DWORD* p = static_cast<const DWORD*>(bits);
    out->pixels.assign(p, p + width * height);
    SelectObject(dc, old);
  }
  if (bitmap) DeleteObject(bitmap);
  if (dc) DeleteDC(dc);
  return ok;
}

bool CaptureScreen(const RECT& r, Picture* out) {
  return Render(r.right - r.left, r.bottom - r.top, [&](HDC dc) {
    HDC screen = GetDC(nullptr);
    BOOL ok = BitBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return ok != 0;
  }, out);
}

// The system icon drawn as a static icon control draws it: over the
// control's background, stretched to the control's size.
bool DrawReference(LPCSTR iconId, int width, int height, DWORD background, Picture* out) {
  HICON icon = LoadIconA(nullptr, iconId);
  if (!icon) return false;
  return Render(width, height, [&](HDC dc) {
    COLORREF color = RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
    HBRUSH brush = CreateSolidBrush(color);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    return DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL) != 0;
  }, out);
}

// Mean absolute difference per colour channel, 0 to 255.
double Difference(const Picture& a, const Picture& b) {
  if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) return 255.0;
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8)
      sum += std::abs(int((a.pixels[i] >> shift) & 0xFF) - int((b.pixels[i] >> shift) & 0xFF));
  return sum / (3.0 * static_cast<double>(a.pixels.size()));
}

HWND IconControl(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (ClassName(child) == "Static" && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child))
      return child;
  }
  return nullptr;
}

struct Candidate {
  LPCSTR id;
  BoxIcon icon;
};

// Which system icon the captured control shows, or kOther.
BoxIcon Classify(HWND control) {
  static const Candidate candidates[] = {
      {IDI_EXCLAMATION, BoxIcon::kExclamation},
      {IDI_INFORMATION, BoxIcon::kInformation},
      {IDI_HAND, BoxIcon::kOther},
      {IDI_QUESTION, BoxIcon::kOther},
  };
  RECT r;
  GetWindowRect(control, &r);
  Picture shot;
  if (r.right <= r.left || r.bottom <= r.top || !CaptureScreen(r, &shot)) return BoxIcon::kOther;
  // Icon corners are transparent, so the corner shows the background.
  DWORD background = shot.pixels[0];
  double best = 1e9, second = 1e9;
  BoxIcon bestIcon = BoxIcon::kOther;
  for (const Candidate& c : candidates) {
    Picture reference;
    if (!DrawReference(c.id, shot.width, shot.height, background, &reference)) continue;
    double d = Difference(shot, reference);
    if (d < best) {
      second = best;
      best = d;
      bestIcon = c.icon;
    } else if (d < second) {
      second = d;
    }
  }
  // A clear match only: close to one icon and much closer than to any other.
  return best < 8.0 && best * 3 < second ? bestIcon : BoxIcon::kOther;
}

}  // namespace

const char* BoxIconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kNone: return "none";
    case BoxIcon::kExclamation: return "exclamation";
    case BoxIcon::kInformation: return "information";
    case BoxIcon::kOther: return "other";
  }
  return "?";
}

std::vector<HWND> ProcessDialogs(DWORD processId) {
  DialogSearch search{processId, {}};
  EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForOtherDialog(DWORD processId, HWND except, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] {
    for (HWND dialog : ProcessDialogs(processId))
      if (dialog != except) {
        found = dialog;
        return true;
      }
    return false;
  }, timeoutMs);
  return found;
}

HWND WaitForDialog(DWORD processId, DWORD timeoutMs) {
  return WaitForOtherDialog(processId, nullptr, timeoutMs);
}

std::string ClassName(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Read in Unicode: a box may name a path of any letters.
std::string WindowTextUtf8(HWND window) {
  wchar_t text[1024] = L"";
  if (window)
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                        kStepTimeout, nullptr);
  return Utf8(text);
}

std::string ControlText(HWND dialog, int id) { return WindowTextUtf8(GetDlgItem(dialog, id)); }

BoxInfo ReadBox(HWND box) {
  BoxInfo info;
  info.window = box;
  info.caption = WindowTextUtf8(box);
  info.text = ControlText(box, kMessageTextId);
  return info;
}

BoxIcon ReadBoxIcon(HWND box, DWORD timeoutMs) {
  HWND control = IconControl(box);
  DWORD_PTR iconHandle = 0;
  if (control)
    SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_NORMAL, kStepTimeout, &iconHandle);
  if (!iconHandle) return BoxIcon::kNone;
  // The box may not be painted yet: look again until it shows a known icon.
  BoxIcon icon = BoxIcon::kOther;
  WaitUntil([&] {
    Sync(box, 1000);
    icon = Classify(control);
    return icon != BoxIcon::kOther;
  }, timeoutMs, 50);
  return icon;
}

bool ClickButton(HWND dialog, int id, DWORD timeoutMs) {
  HWND button = GetDlgItem(dialog, id);
  if (!button) return false;
  AsyncSend click(button, BM_CLICK, 0, 0);
  return click.Wait(timeoutMs);
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

}  // namespace torva_harness
