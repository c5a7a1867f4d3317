// The least Win32 program of the calculator's shape, as a floor for its
// start-up time and memory: a window class, a panel made from a dialog
// template of the same size with four static lines, and a message loop.
#include <windows.h>

// Built a second time with the calculator's own class and template (all
// its buttons), to tell the cost of the panel from the cost of the program.
#ifndef FLOOR_CLASS
#define FLOOR_CLASS "FLOOR"
#define FLOOR_TEMPLATE "DIAL_FLOOR"
#endif

namespace {

LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = FloorWindowProc;
  windowClass.cbWndExtra = DLGWINDOWEXTRA;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = FLOOR_CLASS;
  RegisterClassA(&windowClass);

  HWND panel = CreateDialogParamA(instance, FLOOR_TEMPLATE, NULL, NULL, 0);
  ShowWindow(panel, showCommand);

  MSG msg;
  while (GetMessageA(&msg, NULL, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
