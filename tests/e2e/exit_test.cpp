// How the program ends: exit codes of every way out, and the fatal check
// of a program without its keyboard map.
#include "e2e_fixture.h"

#include <algorithm>

namespace {

constexpr DWORD kExitTimeout = 15000;

}  // namespace

class Exit : public TorvaTest {
 protected:
  // F1 starts the help viewer on Windows XP, the last that has one.
  th::WindowsVersion xp_{"winxp"};

  // Opens the help viewer with F1, as a user would before leaving, and
  // waits for its window, which takes the foreground when it comes. Returns
  // the viewer's process id (0 when none started).
  DWORD OpenHelp() {
    Press(VK_F1);
    DWORD viewer = 0;
    th::WaitUntil([&] {
      std::vector<DWORD> ids = th::FindProcesses("winhlp32.exe", torva.ProcessId());
      viewer = ids.empty() ? 0 : ids.front();
      return viewer != 0 && HasVisibleWindow(viewer);
    }, kExitTimeout, 50);
    EXPECT_NE(viewer, 0u) << "F1 started no help viewer";
    return viewer;
  }

  static bool HasVisibleWindow(DWORD processId) {
    struct Search { DWORD id; bool found; } search{processId, false};
    EnumWindows([](HWND window, LPARAM param) CALLBACK -> BOOL {
      auto* s = reinterpret_cast<Search*>(param);
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == s->id && IsWindowVisible(window)) s->found = true;
      return !s->found;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // Waits for the program to end and expects exit code 0 and, when a help
  // viewer was open, that it has ended too: the program released it.
  void ExpectCleanExit(DWORD viewer = 0) {
    DWORD code = 12345;
    ASSERT_TRUE(torva.WaitForExit(kExitTimeout, &code)) << "the program did not end";
    EXPECT_EQ(code, 0u);
    if (!viewer) return;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, viewer);
    bool ended = !process || WaitForSingleObject(process, kExitTimeout) == WAIT_OBJECT_0;
    if (process) CloseHandle(process);
    EXPECT_TRUE(ended) << "the help viewer was left running";
    if (!ended) th::KillProcess(viewer);  // it would hold the test's output open
  }

  // Every way out takes the panel's annotations off its controls, once
  // they are all made, while the controls still exist.
  static void ExpectAnnotationsMadeThenCleared() {
    std::vector<std::string> record = th::RecordedAnnotations();
    ASSERT_EQ(record.size(), 2 * PanelAnnotations().size());
    auto half = record.begin() + static_cast<long>(PanelAnnotations().size());
    std::sort(record.begin(), half);
    std::sort(half, record.end());
    EXPECT_EQ(std::vector<std::string>(record.begin(), half), PanelAnnotations());
    EXPECT_EQ(std::vector<std::string>(half, record.end()), PanelAnnotations(true));
  }
};

// Exit leaves the panel in place.
TEST_F(Exit, ExitButtonRightAfterStart) {
  th::AsyncSend click = torva.ClickAsync(CMD_EXIT);
  ExpectCleanExit();
  ExpectAnnotationsMadeThenCleared();
}

TEST_F(Exit, AltX) {
  Commands("5");
  DWORD viewer = OpenHelp();
  Press('X', th::kAlt);
  ExpectCleanExit(viewer);
}

// Closing destroys the panel, its controls after it.
TEST_F(Exit, CloseMessage) {
  DWORD viewer = OpenHelp();
  ASSERT_TRUE(PostMessageA(torva.Window(), WM_CLOSE, 0, 0));
  ExpectCleanExit(viewer);
  ExpectAnnotationsMadeThenCleared();
}

TEST_F(Exit, SystemMenuClose) {
  DWORD viewer = OpenHelp();
  ASSERT_TRUE(PostMessageA(torva.Window(), WM_SYSCOMMAND, SC_CLOSE, 0));
  ExpectCleanExit(viewer);
  ExpectAnnotationsMadeThenCleared();
}

// Alt+F4 shares its key number with Alt+s: it must close the window, not
// take the root (which, of -4, would show an error box).
TEST_F(Exit, AltF4ClosesWithoutSqrt) {
  Commands("4\xb2");  // 4, change sign
  Press(VK_F4, th::kAlt);
  DWORD code = 12345;
  bool ended = th::WaitUntil([&] { return !torva.Running() || !torva.Dialogs().empty(); }, kExitTimeout);
  ASSERT_TRUE(ended) << "Alt+F4 neither closed the window nor did anything visible";
  ASSERT_TRUE(torva.Dialogs().empty()) << "Alt+F4 opened a box: \"" << th::ReadBox(torva.Dialogs()[0]).text << "\"";
  ASSERT_TRUE(torva.WaitForExit(kExitTimeout, &code));
  EXPECT_EQ(code, 0u);
}

class FatalCheck : public TorvaTest {
 protected:
  bool StartsItself() const override { return true; }
};

TEST_F(FatalCheck, MissingKeyboardMapEndsTheProgram) {
  if (th::NoAccelProgramPath().empty()) GTEST_SKIP() << "no --torva-noaccel given";
  ASSERT_TRUE(torva.Start(th::NoAccelProgramPath(), "", false)) << torva.Error();
  HWND first = ExpectBox("TORVA NT - Fatal Error", "Cannot load accelerators", th::BoxIcon::kExclamation);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(torva.WaitForWindow(0)) << "the panel is up behind the fatal box";
  CloseBox(first, CloseBy::kOkButton);
  HWND second = ExpectBox("", "torva/55", th::BoxIcon::kInformation);
  ASSERT_NE(second, nullptr);
  CloseBox(second, CloseBy::kEnterKey);
  DWORD code = 12345;
  ASSERT_TRUE(torva.WaitForExit(kExitTimeout, &code)) << "the program went on after its fatal check";
  EXPECT_EQ(code, 1u);
}
