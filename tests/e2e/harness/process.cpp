// Starting, watching and ending TORVA.EXE, and its view of the panel.
#include "torva_harness.h"

#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>

namespace torva_harness {
namespace {

constexpr int kFirstLineId = 190;
constexpr DWORD kStartTimeout = 30000;  // the first start of a session is slow

struct PanelSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindPanel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<PanelSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[64] = "", caption[64] = "";
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, caption, sizeof caption);
  if (owner == search->processId && IsWindowVisible(window) &&
      lstrcmpA(className, "TORVA") == 0 && lstrcmpA(caption, "TORVA NT") == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::vector<DWORD> FindProcesses(const char* exeName, DWORD parentId) {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, exeName) == 0 &&
        (parentId == 0 || entry.th32ParentProcessID == parentId))
      ids.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return ids;
}

void KillProcess(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
  if (!process) return;
  TerminateProcess(process, 99);
  WaitForSingleObject(process, kStepTimeout);
  CloseHandle(process);
}

namespace {

// Wine reports a host (Unix) program started by CreateProcess as a success
// but leaves junk in the handles it returns, and a 32-bit caller has been
// seen to lose one of its own handles on the way: the window station's,
// after which every OpenClipboard of the run failed with error 6. So the
// test program starts a short-lived copy of itself for that one call.
const char kStartDetachedOption[] = "--start-detached";
const wchar_t kStartDetachedVariable[] = L"TORVA_HARNESS_START_DETACHED";

// Runs the command line and closes what it got back, as far as it is real.
bool StartHere(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  if (GetThreadId(process.hThread) == process.dwThreadId) CloseHandle(process.hThread);
  if (GetProcessId(process.hProcess) == process.dwProcessId) CloseHandle(process.hProcess);
  return true;
}

}  // namespace

void RunStartDetachedCopy(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], kStartDetachedOption) != 0) return;
  const wchar_t* commandLine = _wgetenv(kStartDetachedVariable);
  ExitProcess(commandLine && StartHere(commandLine) ? 0 : 1);
}

bool StartDetached(std::string commandLine) {
  char self[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  std::string copyCommand = std::string("\"") + self + "\" " + kStartDetachedOption;
  // The copy inherits the environment: no quoting of the command line.
  SetEnvironmentVariableW(kStartDetachedVariable, Wide(commandLine).c_str());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION copy{};
  bool started = CreateProcessA(nullptr, &copyCommand[0], nullptr, nullptr, FALSE, 0, nullptr,
                                nullptr, &startup, &copy) != 0;
  SetEnvironmentVariableW(kStartDetachedVariable, nullptr);
  if (!started) return false;
  DWORD exitCode = 1;
  bool ended = WaitForSingleObject(copy.hProcess, kStepTimeout) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(copy.hProcess, &exitCode);
  CloseHandle(copy.hThread);
  CloseHandle(copy.hProcess);
  return ended && exitCode == 0;
}

TorvaProcess::~TorvaProcess() { Release(); }

void TorvaProcess::Release() {
  Kill();
  if (pi_.hProcess) CloseHandle(pi_.hProcess);
  if (pi_.hThread) CloseHandle(pi_.hThread);
  pi_ = PROCESS_INFORMATION{};
  window_ = nullptr;
}

bool TorvaProcess::Start(const std::string& exe, const std::string& workDir, bool waitForWindow) {
  Release();
  std::string path = exe.empty() ? ProgramPath() : exe;
  if (path.empty()) {
    error_ = "no program path: pass --torva=PATH or set TORVA_EXE";
    return false;
  }
  // The pointer waits in a corner where no window opens: a window that
  // appears under it makes Wine re-read the X keyboard state, which can
  // drop a modifier key that SendInput is holding at that moment.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  std::wstring widePath = Wide(path), wideDir = Wide(workDir);
  std::wstring commandLine = L"\"" + widePath + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // Wine has once failed a CreateProcess transiently; one retry covers it.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (CreateProcessW(widePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                       workDir.empty() ? nullptr : wideDir.c_str(), &startup, &pi_))
      return !waitForWindow || WaitForWindow(kStartTimeout);
    error_ = "CreateProcessW(" + path + ") failed with error " + std::to_string(GetLastError());
    Sleep(200);
  }
  return false;
}

bool TorvaProcess::WaitForWindow(DWORD timeoutMs) {
  PanelSearch search{pi_.dwProcessId, nullptr};
  bool found = WaitUntil([&] {
    EnumWindows(FindPanel, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr || !Running();
  }, timeoutMs, 20) && search.found;
  if (!found) {
    error_ = Running() ? "the main panel did not appear in time" : "the program ended before showing its panel";
    return false;
  }
  window_ = search.found;
  focusSettled_ = false;
  return true;
}

bool TorvaProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(pi_.hProcess, exitCode) != 0;
}

bool TorvaProcess::Running() const {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

void TorvaProcess::Kill() {
  if (!pi_.hProcess) return;
  // Help viewers and Explorers (a folder opened as help) first, while the
  // program is still known as their parent: they would keep the test
  // runner's output pipe open. Wine's own desktop Explorer is not its child.
  for (const char* helper : {"winhlp32.exe", "explorer.exe"})
    for (DWORD id : FindProcesses(helper, pi_.dwProcessId)) KillProcess(id);
  if (Running()) {
    TerminateProcess(pi_.hProcess, 99);
    WaitForSingleObject(pi_.hProcess, kStepTimeout);
  }
}

std::string TorvaProcess::Line(int level) const {
  return ControlText(window_, kFirstLineId + level);
}

std::vector<std::string> TorvaProcess::Lines() const {
  return {Line(0), Line(1), Line(2), Line(3)};
}

bool TorvaProcess::WaitForLine(int level, const std::string& text, DWORD timeoutMs) const {
  return WaitUntil([&] { return Line(level) == text; }, timeoutMs);
}

bool TorvaProcess::Command(WPARAM wParam, DWORD timeoutMs) {
  return CommandAsync(wParam).Wait(timeoutMs);
}

AsyncSend TorvaProcess::CommandAsync(WPARAM wParam) {
  return AsyncSend(window_, WM_COMMAND, wParam, 0);
}

bool TorvaProcess::Commands(const std::string& codes, DWORD timeoutMs) {
  for (char c : codes)
    if (!Command(static_cast<unsigned char>(c), timeoutMs)) return false;
  return true;
}

bool TorvaProcess::Click(int id, DWORD timeoutMs) { return ClickButton(window_, id, timeoutMs); }

AsyncSend TorvaProcess::ClickAsync(int id) {
  return AsyncSend(GetDlgItem(window_, id), BM_CLICK, 0, 0);
}

HWND TorvaProcess::WaitForDialog(DWORD timeoutMs) const {
  return torva_harness::WaitForDialog(pi_.dwProcessId, timeoutMs);
}

std::vector<HWND> TorvaProcess::Dialogs() const { return ProcessDialogs(pi_.dwProcessId); }

bool TorvaProcess::Activate(DWORD timeoutMs) const {
  // Keys reach the window with the focus; right after a box has closed the
  // panel may be foreground before its thread has given it the focus again.
  auto panelHasFocus = [&] {
    HWND focus = Focus();
    return focus && (focus == window_ || IsChild(window_, focus));
  };
  if (GetForegroundWindow() != window_ || !panelHasFocus()) focusSettled_ = false;
  if (!torva_harness::Activate(window_, timeoutMs) || !WaitUntil(panelHasFocus, timeoutMs))
    return false;
  if (focusSettled_) return true;
  // The X server answers the focus change with FocusIn and KeymapNotify, and
  // Wine, reading them, sets its modifier keys to the X keyboard's state: a
  // Ctrl that SendInput holds at that moment would be let go. Give those
  // events time to arrive, then make the panel's thread read them.
  Sleep(100);
  focusSettled_ = Sync(window_, timeoutMs);
  return focusSettled_;
}

bool TorvaProcess::SettleInput(DWORD timeoutMs) const {
  return torva_harness::SettleInput(window_, timeoutMs);
}

HWND TorvaProcess::Focus() const { return FocusOf(GetWindowThreadProcessId(window_, nullptr)); }

}  // namespace torva_harness
