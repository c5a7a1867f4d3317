// Times TORVA.EXE under Wine against a floor, side by side in one run:
// start-up against the floor program, a command through the real window
// against a bare cross-process WM_SETTEXT, the paste of 81 digits, and
// file size and working set. Prints one tab-separated row per figure:
//   name, TORVA, floor, unit, ratio, goal
//
//   bench_driver TORVA.EXE FLOOR.EXE [runs] [repetitions] [FLOOR_FULL.EXE]
//                [TORVA32.EXE]
//   bench_driver --mark-commands TORVA.EXE
//
// FLOOR_FULL.EXE, the floor program on the calculator's own panel, takes
// part in the start-up. TORVA32.EXE, the 32-bit build, takes part in the
// start-up too and has its add timed after the 64-bit program's; its rows
// follow their 64-bit counterparts.
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

struct StartTimes {
  std::vector<double> milliseconds, workingSets;
};

// Start-up, the programs taking turns in a rotating order, so that none
// always runs first; also their working sets once up. An empty name leaves
// that program out.
bool MeasureStartUp(const std::string& torvaExe, const std::string& floorExe,
                    const std::string& fullFloorExe, const std::string& torva32Exe, int runs) {
  struct Program {
    std::string exe;
    const char* className;
    StartTimes times;
  } programs[] = {{torvaExe, "TORVA", {}}, {floorExe, "FLOOR", {}}, {fullFloorExe, "TORVA", {}},
                  {torva32Exe, "TORVA", {}}};
  std::vector<Program*> present;
  for (Program& program : programs)
    if (!program.exe.empty()) present.push_back(&program);
  for (int run = 0; run < runs; ++run) {
    for (size_t turn = 0; turn < present.size(); ++turn) {
      Program& program = *present[(run + turn) % present.size()];
      Launched launched;
      if (!Launch(program.exe, program.className, &launched)) {
        std::fprintf(stderr, "cannot start %s\n", program.exe.c_str());
        return false;
      }
      program.times.milliseconds.push_back(launched.startSeconds * 1000);
      program.times.workingSets.push_back(
          static_cast<double>(WorkingSet(launched.process.hProcess)) / 1024.0);
      End(launched);
    }
  }
  const Program &torva = programs[0], &floor = programs[1], &fullFloor = programs[2],
                &torva32 = programs[3];
  const double floorMs = Median(floor.times.milliseconds);
  const double floorKiB = Median(floor.times.workingSets);
  Row("start-up to a responsive panel (median ms)", Median(torva.times.milliseconds), floorMs,
      "ms", "<= 1.10 x floor");
  if (!torva32.exe.empty())
    Row("start-up to a responsive panel, 32-bit build (median ms)",
        Median(torva32.times.milliseconds), floorMs, "ms", "-");
  if (!fullFloor.exe.empty())
    Row("start-up of the floor on the full panel (median ms)",
        Median(fullFloor.times.milliseconds), floorMs, "ms", "-");
  Row("working set after start-up (KiB)", Median(torva.times.workingSets), floorKiB, "KiB", "-");
  if (!torva32.exe.empty())
    Row("working set after start-up, 32-bit build (KiB)", Median(torva32.times.workingSets),
        floorKiB, "KiB", "-");
  Row("program file size (KiB)", static_cast<double>(FileSize(torvaExe)) / 1024.0,
      static_cast<double>(FileSize(floorExe)) / 1024.0, "KiB", "-");
  if (!torva32.exe.empty())
    Row("program file size, 32-bit build (KiB)",
        static_cast<double>(FileSize(torva32Exe)) / 1024.0,
        static_cast<double>(FileSize(floorExe)) / 1024.0, "KiB", "-");
  return true;
}

// A screen reader's hook on the program's live-region events, out of
// context on a thread of its own as a screen reader's is, so that the
// commands are timed with their announcements delivered. It counts them.
class ScreenReaderStandIn {
 public:
  explicit ScreenReaderStandIn(DWORD processId) : processId_(processId) {
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, &threadId_);
    WaitForSingleObject(ready_, 10000);
  }
  ~ScreenReaderStandIn() {
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
    CloseHandle(ready_);
  }
  long Heard() const { return heard; }

 private:
  static long heard;  // the hook's callback has no context; one stand-in at a time
  static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
    InterlockedIncrement(&heard);
  }
  static DWORD WINAPI Run(void* param) {
    auto* self = static_cast<ScreenReaderStandIn*>(param);
    HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr,
                        OnEvent, self->processId_, 0, WINEVENT_OUTOFCONTEXT);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(self->ready_);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    UnhookWinEvent(hook);
    return 0;
  }
  DWORD processId_;
  HANDLE ready_ = nullptr, thread_ = nullptr;
  DWORD threadId_ = 0;
};
long ScreenReaderStandIn::heard = 0;

// Commands through the real window, interleaved with the bare WM_SETTEXT
// that is their floor: each round is digit, Enter, add on a stack of at
// least four values, then a WM_SETTEXT of line X.
struct CommandTimes {
  std::string label;
  Launched launched;
  HWND lineX = nullptr;
  std::vector<double> digit, enter, add, setText, paste;
};

// Each timed message is followed, untimed, by a wait until the program is
// idle again: the repainting a message leaves behind would otherwise be
// counted in whichever message is timed next, in either program.
double Timed(const CommandTimes& t, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  double microseconds = SendMicroseconds(window, message, wParam, lParam);
  WaitForInputIdle(t.launched.process.hProcess, 1000);
  return microseconds;
}

void CommandRound(CommandTimes& t) {
  HWND window = t.launched.window;
  t.digit.push_back(Timed(t, window, WM_COMMAND, CMD_DIGIT_5, 0));
  t.enter.push_back(Timed(t, window, WM_COMMAND, CMD_ENTER, 0));
  t.add.push_back(Timed(t, window, WM_COMMAND, CMD_ADD, 0));
  t.setText.push_back(Timed(t, t.lineX, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("12345")));
}

// Paste of 81 digits: 27 fit line X, the others are refused with a beep.
bool PasteRound(CommandTimes& t) {
  std::string digits;
  while (digits.size() < 81) digits += "123456789";
  if (!SetClipboardText(digits)) return false;
  t.paste.push_back(Timed(t, t.launched.window, WM_COMMAND, CMD_PASTE, 0));
  Timed(t, t.launched.window, WM_COMMAND, CMD_CLEAR, 0);
  return true;
}

// All rows, or (for the 32-bit build) the add alone, labelled.
void CommandRows(const CommandTimes& t, bool addOnly) {
  const char* label = t.label.c_str();
  double floor = Median(t.setText);
  std::string name;
  if (!addOnly) {
    Row("command: digit (median us)", Median(t.digit), floor, "us", "-");
    Row("command: Enter (median us)", Median(t.enter), floor, "us", "-");
  }
  Row((name = std::string("command: add, four lines in use") + label + " (median us)").c_str(),
      Median(t.add), floor, "us", "<= 2.5 x floor");
  if (addOnly) return;
  Row("floor: WM_SETTEXT of line X (median us)", floor, 0, "us", "-");
  Row("paste of 81 digits, end to end (median us)", Median(t.paste), 0, "us", "-");
}

// One program at a time, in the foreground as when a user works it (the
// focus handling of every command costs more in the active window).
bool MeasureCommands(const std::string& exe, const std::string& label, bool addOnly,
                     int repetitions) {
  CommandTimes t;
  t.label = label;
  if (!Launch(exe, "TORVA", &t.launched)) return false;
  SetForegroundWindow(t.launched.window);
  for (char c : std::string("1\r2\r3\r4\r")) SendMessageA(t.launched.window, WM_COMMAND, c, 0);
  t.lineX = GetDlgItem(t.launched.window, IDC_LINE_X);
  WaitForInputIdle(t.launched.process.hProcess, 1000);
  ScreenReaderStandIn screenReader(t.launched.process.dwProcessId);
  long heardBefore = screenReader.Heard();
  for (int i = 0; i < repetitions; ++i) CommandRound(t);
  // Each of a round's keys is announced, the Enter that leaves X as it was too.
  std::string heardName = "live-region events per round (digit, Enter and add)" + label;
  Row(heardName.c_str(),
      static_cast<double>(screenReader.Heard() - heardBefore) / repetitions, 0, "-", "3");
  for (int i = 0; i < repetitions / 20 + 1; ++i)
    if (!PasteRound(t)) return false;
  CommandRows(t, addOnly);

  char text[128] = "";
  SendMessageA(t.launched.window, WM_COMMAND, CMD_DIGIT_0, 0);  // proof of life
  GetWindowTextA(t.lineX, text, sizeof text);
  End(t.launched);
  if (std::string(text) != "0") {
    std::fprintf(stderr, "%s did not answer as expected at the end (line X \"%s\")\n",
                 exe.c_str(), text);
    return false;
  }
  return true;
}

// What one display-line write costs inside a process: SetWindowTextA on a
// visible static control of the same size as line X, the text changing
// every time as it does in a command.
void MeasureLineWrite(int repetitions) {
  HWND parent = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 272, 300, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  HWND line = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 11, 86, 250, 24,
                            parent, nullptr, GetModuleHandleA(nullptr), nullptr);
  std::vector<double> writes;
  for (int i = 0; i < repetitions; ++i) {
    double before = Now();
    SetWindowTextA(line, i % 2 ? "0.666666666667" : "1.33333333333");
    writes.push_back((Now() - before) * 1e6);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  DestroyWindow(parent);
  Row("one display-line write in-process (median us)", Median(writes), 0, "us", "-");
}

// For counting the window-system requests of single commands in Wine's
// server trace (bench/server_requests.sh): on the usual four lines, a
// screen reader listening, each command is sent between two marks, atoms
// whose names the trace shows; the second comes once the program is idle
// again. Prints the id of the panel's thread, as the trace writes it.
bool MarkCommands(const std::string& exe) {
  CommandTimes t;
  if (!Launch(exe, "TORVA", &t.launched)) return false;
  SetForegroundWindow(t.launched.window);
  ScreenReaderStandIn screenReader(t.launched.process.dwProcessId);
  for (char c : std::string("1\r2\r3\r4\r5\r+")) Timed(t, t.launched.window, WM_COMMAND, c, 0);
  const struct {
    const char* name;
    WPARAM code;
  } commands[] = {{"digit", CMD_DIGIT_5}, {"enter", CMD_ENTER}, {"add", CMD_ADD}};
  for (int round = 0; round < 3; ++round) {
    for (const auto& command : commands) {
      GlobalAddAtomA((std::string("torva-mark-") + command.name).c_str());
      Timed(t, t.launched.window, WM_COMMAND, command.code, 0);
    }
  }
  GlobalAddAtomA("torva-mark-end");
  std::printf("panel thread %04lx\n", GetWindowThreadProcessId(t.launched.window, nullptr));
  End(t.launched);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--mark-commands") return MarkCommands(argv[2]) ? 0 : 1;
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_driver TORVA.EXE FLOOR.EXE [runs] [repetitions] "
                         "[FLOOR_FULL.EXE] [TORVA32.EXE]\n");
    return 2;
  }
  int runs = argc > 3 ? std::atoi(argv[3]) : 20;
  int repetitions = argc > 4 ? std::atoi(argv[4]) : 2000;
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::string fullFloor = argc > 5 ? argv[5] : "";
  std::string torva32 = argc > 6 ? argv[6] : "";
  if (!MeasureStartUp(argv[1], argv[2], fullFloor, torva32, runs)) return 1;
  if (!MeasureCommands(argv[1], "", false, repetitions)) return 1;
  if (!torva32.empty() && !MeasureCommands(torva32, ", 32-bit build", true, repetitions)) return 1;
  MeasureLineWrite(repetitions);
  return 0;
}
