// How the program ends: exit codes of every way out, and the fatal check
// of a program without its keyboard map.
#include "e2e_fixture.h"

namespace {

constexpr DWORD kExitTimeout = 15000;

}  // namespace

class Exit : public TorvaTest {
 protected:
  // Waits for the program to end and expects exit code 0 and no help viewer
  // left behind.
  void ExpectCleanExit() {
    DWORD code = 12345;
    ASSERT_TRUE(torva.WaitForExit(kExitTimeout, &code)) << "the program did not end";
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(th::FindProcesses("winhlp32.exe", torva.ProcessId()).empty())
        << "a help viewer was left running";
  }
};

TEST_F(Exit, ExitButtonRightAfterStart) {
  th::AsyncSend click = torva.ClickAsync(CMD_EXIT);
  ExpectCleanExit();
}

TEST_F(Exit, AltX) {
  Commands("5");
  Press('X', th::kAlt);
  ExpectCleanExit();
}

TEST_F(Exit, CloseMessage) {
  ASSERT_TRUE(PostMessageA(torva.Window(), WM_CLOSE, 0, 0));
  ExpectCleanExit();
}

TEST_F(Exit, SystemMenuClose) {
  ASSERT_TRUE(PostMessageA(torva.Window(), WM_SYSCOMMAND, SC_CLOSE, 0));
  ExpectCleanExit();
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
  CloseBox(first, CloseBy::kOkButton);
  HWND second = ExpectBox("", "torva/55", th::BoxIcon::kInformation);
  ASSERT_NE(second, nullptr);
  CloseBox(second, CloseBy::kEnterKey);
  DWORD code = 12345;
  ASSERT_TRUE(torva.WaitForExit(kExitTimeout, &code)) << "the program went on after its fatal check";
  EXPECT_EQ(code, 1u);
  EXPECT_FALSE(torva.WaitForWindow(0)) << "the panel was shown despite the failed check";
}
