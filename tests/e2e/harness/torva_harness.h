// Harness for driving the real TORVA.EXE from a Win32 test program under
// Wine: start and end the program, read its display, send it commands and
// real keystrokes, find and answer its modal boxes, and prepare the
// clipboard and the settings file.
//
// Every wait has a timeout; nothing here sleeps for a fixed time alone.
// Functions that talk to the program never block for ever: a message that
// may open a modal box is sent from a worker thread (AsyncSend).
#ifndef TORVA_HARNESS_H
#define TORVA_HARNESS_H

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace torva_harness {

// ---------------------------------------------------------------- set-up

// Removes --torva=PATH, --torva-noaccel=PATH and --bell-watch=PATH from
// argv (call before testing::InitGoogleTest). Without them the environment
// variables TORVA_EXE, TORVA_NOACCEL_EXE and TORVA_BELL_WATCH are used. Unix
// paths are accepted.
void ParseCommandLine(int* argc, char** argv);
// Windows path of TORVA.EXE, or "" when none was given.
std::string ProgramPath();
// Windows path of TORVA_NOACCEL.EXE (the program without its keyboard
// map), or "" when none was given.
std::string NoAccelProgramPath();
// "/a/b" -> "Z:\a\b" (through Wine's own mapping when available); a path
// that is already a Windows path comes back unchanged.
std::string ToWindowsPath(const std::string& path);

// ---------------------------------------------------------------- text

// Paths are UTF-8 throughout the harness, so that a folder may have any
// name (an ASCII path reads the same in every code page); these convert
// for the Unicode calls and back.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
// Whether the process's ANSI code page spells every character of text
// (no "?" and no best-fit letter in its place).
bool AnsiCanSpell(const std::string& utf8);
// A roaming application-data folder whose name the usual Western and
// Japanese or Chinese code pages cannot all spell: a Polish name and a
// Japanese one in a user's folder name.
extern const char kUnspellableAppData[];

// ---------------------------------------------------------------- waiting

// Default timeout for a step that should take well under a second, with
// room for a loaded 2-core machine.
constexpr DWORD kStepTimeout = 10000;

// Polls cond every pollMs until it holds or timeoutMs has passed. Returns
// whether it held.
bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs = kStepTimeout,
               DWORD pollMs = 5);

// ---------------------------------------------------------------- messages

// One message sent with SendMessageA from a worker thread, so that a
// message which makes the program open a modal box cannot hang the caller.
// The object may be dropped while the send is still blocked: the worker
// then finishes on its own when the box is closed or the program ends.
class AsyncSend {
 public:
  AsyncSend(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  AsyncSend(AsyncSend&&) = default;
  AsyncSend& operator=(AsyncSend&&) = default;
  ~AsyncSend();
  // True once SendMessageA has returned.
  bool Done() const;
  // Waits until SendMessageA has returned; false on timeout.
  bool Wait(DWORD timeoutMs = kStepTimeout) const;
  // The result of SendMessageA (0 until Done()).
  LRESULT Result() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// A SendMessageTimeoutA(WM_NULL) round trip: returns when the program's
// thread has handled every message sent before (it is not blocked, not
// even inside a modal box). It does NOT wait for keystrokes to be handled;
// use SettleInput for that.
bool Sync(HWND window, DWORD timeoutMs = kStepTimeout);

// ---------------------------------------------------------------- modal boxes

enum class BoxIcon { kNone, kExclamation, kInformation, kOther };
const char* BoxIconName(BoxIcon icon);

struct BoxInfo {
  HWND window = nullptr;
  std::string caption;
  std::string text;  // static control 0xFFFF of a message box
};

// Visible top-level dialog windows (class "#32770") of a process, in the
// desktop's z-order (topmost first).
std::vector<HWND> ProcessDialogs(DWORD processId);
// Waits until the process shows a dialog window; nullptr on timeout.
HWND WaitForDialog(DWORD processId, DWORD timeoutMs = kStepTimeout);
// Waits until a dialog window other than `except` appears; nullptr on timeout.
HWND WaitForOtherDialog(DWORD processId, HWND except, DWORD timeoutMs = kStepTimeout);
// Caption and message text of a box (UTF-8, as every text here).
BoxInfo ReadBox(HWND box);
// Text of a dialog's child control, "" when there is none.
std::string ControlText(HWND dialog, int id);
// The window's class name ("#32770", "Button", ...).
std::string ClassName(HWND window);
// Which standard icon the box shows. The pixels of the box's icon control
// are read from the screen and compared with the system icons drawn the
// same way; waits up to timeoutMs for the box to be painted. kNone when the
// box shows no icon, kOther when the icon matches none of the system icons.
BoxIcon ReadBoxIcon(HWND box, DWORD timeoutMs = 3000);
// Presses a button of a dialog with BM_CLICK (sent from a worker thread)
// and waits until the click has been handled.
bool ClickButton(HWND dialog, int id, DWORD timeoutMs = kStepTimeout);
// Waits until the window no longer exists or is hidden.
bool WaitForWindowGone(HWND window, DWORD timeoutMs = kStepTimeout);

// ---------------------------------------------------------------- keyboard

enum Modifier : unsigned { kNoMods = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

// Brings the window to the foreground and waits until it is there.
bool Activate(HWND window, DWORD timeoutMs = kStepTimeout);
// One real keystroke with SendInput: modifiers down, key down and up,
// modifiers up.
bool PressKey(WORD virtualKey, unsigned mods = kNoMods);
// Real keystrokes that type the characters of text on the US layout
// (VkKeyScanA), each with its own Shift state plus the given modifiers.
bool TypeText(const std::string& text, unsigned mods = kNoMods);
// Waits until the thread that owns `window` has taken every keystroke
// sent so far out of its queue and handled it: Alt+Space opens the
// foreground window's system menu once every earlier key has been read
// (GetGUIThreadInfo shows menu mode from outside), and Escape closes it.
// Needs a foreground window with a system menu (the panel, a message box,
// the Sound box; not the About box), and ends a mouse capture.
bool SettleInput(HWND window, DWORD timeoutMs = kStepTimeout);
// Moves the mouse to the centre of a window and presses (down = true) or
// releases the left button there.
bool MouseButton(HWND window, bool down);

// ---------------------------------------------------------------- focus

// The window with the keyboard focus in the given GUI thread (nullptr
// when none or on failure).
HWND FocusOf(DWORD threadId);

// ---------------------------------------------------------------- clipboard

// Replaces the clipboard's content with a CF_TEXT block holding text and
// its NUL.
bool SetClipboardText(const std::string& text);
// Replaces the clipboard's content with a CF_TEXT block of exactly `size`
// bytes as the system rounds it up: every byte of the block is `fill`, so
// it has no terminating NUL. *actualSize receives GlobalSize of the block.
bool SetClipboardUnterminated(size_t size, char fill, size_t* actualSize);
// Replaces the clipboard's content with raw bytes as CF_TEXT (a NUL is
// added after them).
bool SetClipboardBytes(const std::string& bytes);
// Replaces the clipboard's content with a small picture only (CF_BITMAP).
bool SetClipboardPictureOnly();
// Empties the clipboard.
bool EmptyClipboardNow();
// Reads CF_TEXT; false when the clipboard cannot be opened or holds no text.
bool GetClipboardText(std::string* text);
// True when the clipboard can be opened right now (it is then closed again).
bool ClipboardOpenable();

// Holds the clipboard open from a thread of the test process until
// Release() or destruction, so that every other process fails to open it.
class ClipboardHolder {
 public:
  ClipboardHolder();
  ~ClipboardHolder();
  // True when the thread has the clipboard open.
  bool Holding() const { return holding_; }
  void Release();

 private:
  static DWORD WINAPI Run(void* self);
  HANDLE thread_ = nullptr;
  HANDLE opened_ = nullptr;
  HANDLE release_ = nullptr;
  bool holding_ = false;
};

// ---------------------------------------------------------------- beeps

// Unix path of the host program bell_watch (harness/bell_watch.c), or ""
// when none was given.
std::string BellWatchPath();

// Counts the system beeps while it lives. Wine's MessageBeep rings the X
// bell, which Xvfb neither plays nor reports; the host program bell_watch
// records every Bell request sent to the display. It writes to and is
// stopped through files under Z:\tmp, as a host program's end cannot be
// awaited from Wine.
class BellWatch {
 public:
  BellWatch() = default;
  BellWatch(const BellWatch&) = delete;
  BellWatch& operator=(const BellWatch&) = delete;
  ~BellWatch();
  // Starts bell_watch and waits until it records.
  bool Start();
  // Bells recorded so far.
  int Count() const;
  // Waits until at least `count` bells have been recorded.
  bool WaitForCount(int count, DWORD timeoutMs = kStepTimeout) const;

 private:
  std::string out_, stop_;  // Windows paths of its output and stop files
};

// ---------------------------------------------------------------- screen readers

// What a screen reader hears of a process: an out-of-context WinEvent hook
// on its live-region events. Each event is kept with its window's text, read
// with WM_GETTEXT as the event is delivered, which is how a screen reader's
// proxy for a static control names it. One watch at a time.
class LiveRegionWatch {
 public:
  struct Event { HWND window; LONG object, child; std::string text; };
  explicit LiveRegionWatch(DWORD processId);
  // Takes what is still queued: Wine may deliver it after the unhooking,
  // to the next watch.
  ~LiveRegionWatch() {
    Take();
    UnhookWinEvent(hook_);
  }
  // Delivers the events raised so far to this thread and returns them. The
  // process queues each for this thread before it answers the message that
  // raised it, so after a Command every event of it is here.
  std::vector<Event> Take();

 private:
  HWINEVENTHOOK hook_;
};

// Windows path of the stand-in for the accessibility property service
// (harness/property_recorder.cpp), from --property-recorder=PATH or
// TORVA_PROPERTY_RECORDER; "" when none was given. It records every
// annotation of a window's property, and every clearing of one, as a line
// "<method> <control id> <property GUID> <value>".
std::string PropertyRecorderPath();

// Registers the stand-in in place of Wine's service while it lives, for
// programs of the harness's own architecture (the harness is built with
// the program it tests); then Wine's service is registered again.
class PropertyServiceStandIn {
 public:
  PropertyServiceStandIn();
  ~PropertyServiceStandIn();
  PropertyServiceStandIn(const PropertyServiceStandIn&) = delete;
  PropertyServiceStandIn& operator=(const PropertyServiceStandIn&) = delete;
  bool Set() const { return ok_; }

 private:
  bool ok_ = false;
};

// What the stand-in has recorded since the record was last forgotten, one
// call a line, in order.
std::vector<std::string> RecordedAnnotations();
void ForgetRecordedAnnotations();

// ---------------------------------------------------------------- settings

// GetWindowsDirectory() + "\TORVA.INI".
std::string SettingsPath();
// The user's own copy, which shadows it: %APPDATA%\TORVA NT\TORVA.INI.
std::string UserSettingsFolder();
std::string UserSettingsPath();
bool SettingsExist();
bool UserSettingsExist();
// Deletes both files and the user's settings folder.
bool DeleteSettings();
// Writes a whole file (the user's copy: with its folder).
bool WriteSettings(const std::string& content, const std::string& path = SettingsPath());
// "" when the file is missing.
std::string ReadSettings(const std::string& path = SettingsPath());

// Sets or clears the host's immutable flag on a file or folder (a Windows
// path), so that not even Wine running as root can write it; waits until
// that shows. An immutable file cannot be deleted either: always clear the
// flag again, also when a test fails.
bool SetImmutable(const std::string& path, bool immutable);

// ---------------------------------------------------------------- Wine prefix

// The user's roaming application-data folder, where the shell's record
// says it is.
std::string AppDataFolder();
// Moves it (made if need be), as a user of another name would have it: the
// shell's record of the folder and, unless shellOnly, the APPDATA variable
// that programs started from here inherit. "" puts both back as they were.
bool MoveAppDataFolder(const std::string& folder, bool shellOnly = false);

// Tells every TORVA.EXE started while it lives that it runs on the given
// Windows ("winxp", "win10"...; Wine's own choice, Windows 7, otherwise).
class WindowsVersion {
 public:
  explicit WindowsVersion(const char* version);
  ~WindowsVersion();
  WindowsVersion(const WindowsVersion&) = delete;
  WindowsVersion& operator=(const WindowsVersion&) = delete;
  bool Set() const { return ok_; }

 private:
  bool ok_ = false;
};

// Sets Windows' text size (TextScaleFactor, in percent); 0 removes it, as
// in a fresh prefix.
bool SetTextScale(DWORD percent);

// Makes `program` (a Windows path) what opens .htm files while it lives,
// started with the file's path as its one argument.
class HtmlOpener {
 public:
  explicit HtmlOpener(const std::string& program);
  ~HtmlOpener();
  HtmlOpener(const HtmlOpener&) = delete;
  HtmlOpener& operator=(const HtmlOpener&) = delete;
  bool Set() const { return ok_; }

 private:
  std::string typeBefore_, before_;  // "" when there was none
  bool ok_ = false;
};

// ---------------------------------------------------------------- processes

// Ids of the running processes whose executable is named exeName
// (case-insensitive), optionally only children of parentId (0 = any).
std::vector<DWORD> FindProcesses(const char* exeName, DWORD parentId = 0);
// Terminates a process by id and waits for it to end.
void KillProcess(DWORD processId);
// Starts a program and lets it run on its own. A host program started by
// its Z: path runs, but Wine does not report its end: wait for its effect.
// The start is made by a copy of the test program (see below).
bool StartDetached(std::string commandLine);
// In that copy, run with the one argument --start-detached: starts the
// program and ends the copy. ParseCommandLine calls it first; otherwise
// it returns at once.
void RunStartDetachedCopy(int argc, char** argv);

// One run of TORVA.EXE (or a copy of it). Killed, with any help viewer or
// Explorer it started, when the object goes away.
class TorvaProcess {
 public:
  TorvaProcess() = default;
  TorvaProcess(const TorvaProcess&) = delete;
  TorvaProcess& operator=(const TorvaProcess&) = delete;
  ~TorvaProcess();

  // Starts exe ("" = ProgramPath()) with CreateProcessA, in workDir ("" =
  // the test's own), and waits for the main panel unless waitForWindow is
  // false. A run started before by this object is ended first. On failure
  // Error() says why.
  bool Start(const std::string& exe = "", const std::string& workDir = "",
             bool waitForWindow = true);
  // Waits until the process shows its visible main panel (class "TORVA",
  // caption "TORVA NT").
  bool WaitForWindow(DWORD timeoutMs = kStepTimeout);
  // Waits for the process to end; *exitCode receives its exit code.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
  bool Running() const;
  // Ends the process (if still running) and every winhlp32 and Explorer
  // it started.
  void Kill();

  HWND Window() const { return window_; }
  DWORD ProcessId() const { return pi_.dwProcessId; }
  DWORD ThreadId() const { return pi_.dwThreadId; }
  HANDLE Handle() const { return pi_.hProcess; }
  const std::string& Error() const { return error_; }

  // Display line by level: 0 X, 1 Y, 2 Z, 3 T.
  std::string Line(int level) const;
  // The four lines, X first.
  std::vector<std::string> Lines() const;
  // Waits until line `level` reads `text`.
  bool WaitForLine(int level, const std::string& text, DWORD timeoutMs = kStepTimeout) const;

  // Sends WM_COMMAND(wParam) and waits until the program has handled it.
  // False when it did not return in time (for instance because it opened
  // a modal box, which the caller must then answer).
  bool Command(WPARAM wParam, DWORD timeoutMs = kStepTimeout);
  // Sends WM_COMMAND(wParam) without waiting.
  AsyncSend CommandAsync(WPARAM wParam);
  // Sends each character of codes as a command code (its byte value), in
  // order; stops at the first that does not return in time.
  bool Commands(const std::string& codes, DWORD timeoutMs = kStepTimeout);
  // Presses a button of the panel with BM_CLICK and waits for the click.
  bool Click(int id, DWORD timeoutMs = kStepTimeout);
  // Presses a button of the panel without waiting (for buttons that open
  // a modal box).
  AsyncSend ClickAsync(int id);

  // Waits for a dialog of this process (message box, About, Sound).
  HWND WaitForDialog(DWORD timeoutMs = kStepTimeout) const;
  // Visible dialogs of this process.
  std::vector<HWND> Dialogs() const;

  // Brings the panel to the foreground and waits until it or one of its
  // controls has the keyboard focus (for real keystrokes). After the focus
  // has moved to the panel (first time, or back from another window) it
  // also lets the panel's thread read the X focus events that follow.
  bool Activate(DWORD timeoutMs = kStepTimeout) const;
  // Waits until the panel's thread has handled the keystrokes sent so far.
  bool SettleInput(DWORD timeoutMs = kStepTimeout) const;
  // The control with the focus in the panel's thread.
  HWND Focus() const;

 private:
  void Release();  // Kill() and forget the process

  PROCESS_INFORMATION pi_{};
  HWND window_ = nullptr;
  std::string error_;
  mutable bool focusSettled_ = false;  // X focus events read since the last move
};

}  // namespace torva_harness

#endif
