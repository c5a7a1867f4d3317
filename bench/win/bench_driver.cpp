// Times TORVA.EXE under Wine against a floor, side by side in one run:
// start-up against the floor program, a command through the real window
// against a bare cross-process WM_SETTEXT, the paste of 81 digits, and
// file size and working set. Prints one tab-separated row per figure:
//   name, TORVA, floor, unit, ratio, goal
//
//   bench_driver TORVA.EXE FLOOR.EXE [runs] [repetitions]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "torva_ids.h"

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct WindowSearch {
  DWORD processId;
  const char* className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (owner == search->processId && IsWindowVisible(window) &&
      lstrcmpiA(name, search->className) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND VisibleWindowOf(DWORD processId, const char* className) {
  WindowSearch search = {processId, className, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string DirectoryOf(const std::string& path) {
  return path.substr(0, path.find_last_of("\\/"));
}

// One started program, its panel and its start-up time.
struct Launched {
  PROCESS_INFORMATION process{};
  HWND window = nullptr;
  double startSeconds = 0;
};

// CreateProcess until the panel is visible and has answered a message.
bool Launch(const std::string& exe, const char* className, Launched* out) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + exe + "\"";
  std::string directory = DirectoryOf(exe);
  double started = Now();
  if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      directory.c_str(), &startup, &out->process))
    return false;
  while (Now() - started < 30) {
    out->window = VisibleWindowOf(out->process.dwProcessId, className);
    DWORD_PTR result = 0;
    if (out->window &&
        SendMessageTimeoutA(out->window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result)) {
      out->startSeconds = Now() - started;
      return true;
    }
    Sleep(1);
  }
  return false;
}

void End(Launched& launched) {
  if (launched.window) PostMessageA(launched.window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(launched.process.hProcess, 10000) != WAIT_OBJECT_0)
    TerminateProcess(launched.process.hProcess, 1);
  WaitForSingleObject(launched.process.hProcess, 10000);
  CloseHandle(launched.process.hProcess);
  CloseHandle(launched.process.hThread);
}

size_t WorkingSet(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

size_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return data.nFileSizeLow;
}

void Row(const char* name, double torva, double floor, const char* unit, const char* goal) {
  if (floor > 0)
    std::printf("%s\t%.1f\t%.1f\t%s\t%.2f\t%s\n", name, torva, floor, unit, torva / floor, goal);
  else
    std::printf("%s\t%.1f\t-\t%s\t-\t%s\n", name, torva, unit, goal);
}

double SendMicroseconds(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  double before = Now();
  SendMessageA(window, message, wParam, lParam);
  return (Now() - before) * 1e6;
}

bool SetClipboardText(const std::string& text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  char* memory = static_cast<char*>(GlobalLock(block));
  memcpy(memory, text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  bool placed = SetClipboardData(CF_TEXT, block) != nullptr;
  CloseClipboard();
  return placed;
}

// Start-up, alternating the two programs; also their working sets once up.
bool MeasureStartUp(const std::string& torvaExe, const std::string& floorExe, int runs) {
  std::vector<double> torvaTimes, floorTimes, torvaSets, floorSets;
  for (int run = 0; run < runs; ++run) {
    for (int which = 0; which < 2; ++which) {
      // Alternate the order too, so neither always runs second.
      bool torvaTurn = (which == 0) == (run % 2 == 0);
      Launched launched;
      if (!Launch(torvaTurn ? torvaExe : floorExe, torvaTurn ? "TORVA" : "FLOOR", &launched)) {
        std::fprintf(stderr, "cannot start %s\n", torvaTurn ? "TORVA" : "FLOOR");
        return false;
      }
      (torvaTurn ? torvaTimes : floorTimes).push_back(launched.startSeconds * 1000);
      (torvaTurn ? torvaSets : floorSets).push_back(WorkingSet(launched.process.hProcess) / 1024.0);
      End(launched);
    }
  }
  Row("start-up to a responsive panel (median ms)", Median(torvaTimes), Median(floorTimes), "ms",
      "<= 1.10 x floor");
  Row("working set after start-up (KiB)", Median(torvaSets), Median(floorSets), "KiB", "-");
  Row("program file size (KiB)", FileSize(torvaExe) / 1024.0, FileSize(floorExe) / 1024.0, "KiB",
      "-");
  return true;
}

// Commands through the real window, interleaved with the bare WM_SETTEXT
// that is their floor: each round is digit, Enter, add on a stack of at
// least four values, then a WM_SETTEXT of line X.
bool MeasureCommands(const std::string& torvaExe, int repetitions) {
  Launched torva;
  if (!Launch(torvaExe, "TORVA", &torva)) return false;
  for (char c : std::string("1\r2\r3\r4\r")) SendMessageA(torva.window, WM_COMMAND, c, 0);
  HWND lineX = GetDlgItem(torva.window, IDC_LINE_X);
  std::vector<double> digit, enter, add, setText;
  for (int i = 0; i < repetitions; ++i) {
    digit.push_back(SendMicroseconds(torva.window, WM_COMMAND, CMD_DIGIT_5, 0));
    enter.push_back(SendMicroseconds(torva.window, WM_COMMAND, CMD_ENTER, 0));
    add.push_back(SendMicroseconds(torva.window, WM_COMMAND, CMD_ADD, 0));
    setText.push_back(SendMicroseconds(lineX, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("12345")));
  }
  double floor = Median(setText);
  Row("command: digit (median us)", Median(digit), floor, "us", "-");
  Row("command: Enter (median us)", Median(enter), floor, "us", "-");
  Row("command: add, four lines in use (median us)", Median(add), floor, "us", "<= 3 x floor");
  Row("floor: WM_SETTEXT of line X (median us)", floor, 0, "us", "-");

  // Paste of 81 digits: 27 fit line X, the others are refused with a beep.
  std::string digits;
  while (digits.size() < 81) digits += "123456789";
  std::vector<double> paste;
  for (int i = 0; i < repetitions / 20 + 1; ++i) {
    if (!SetClipboardText(digits)) return false;
    paste.push_back(SendMicroseconds(torva.window, WM_COMMAND, CMD_PASTE, 0));
    SendMessageA(torva.window, WM_COMMAND, CMD_CLEAR, 0);
  }
  Row("paste of 81 digits, end to end (median us)", Median(paste), 0, "us", "-");
  char text[128] = "";
  SendMessageA(torva.window, WM_COMMAND, CMD_DIGIT_0, 0);  // proof of life
  GetWindowTextA(lineX, text, sizeof text);
  End(torva);
  if (std::string(text) != "0") {
    std::fprintf(stderr, "TORVA did not answer as expected at the end (line X \"%s\")\n", text);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_driver TORVA.EXE FLOOR.EXE [runs] [repetitions]\n");
    return 2;
  }
  int runs = argc > 3 ? std::atoi(argv[3]) : 20;
  int repetitions = argc > 4 ? std::atoi(argv[4]) : 2000;
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (!MeasureStartUp(argv[1], argv[2], runs)) return 1;
  if (!MeasureCommands(argv[1], repetitions)) return 1;
  return 0;
}
