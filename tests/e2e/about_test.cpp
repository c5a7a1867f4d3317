// The About box, and the keys that call the help viewer.
#include "e2e_fixture.h"

namespace {

constexpr int kTitleId = 114;
constexpr int kVersionId = 122;

}  // namespace

class About : public TorvaTest {
 protected:
  // Waits for the About box and checks its texts.
  HWND ExpectAbout() {
    HWND box = torva.WaitForDialog();
    EXPECT_NE(box, nullptr) << "no About box";
    if (!box) return nullptr;
    EXPECT_EQ(th::ReadBox(box).caption, "TORVA NT");
    EXPECT_EQ(th::ControlText(box, kTitleId), "TORVA NT");
    EXPECT_EQ(th::ControlText(box, kVersionId), "Version 1.02");
    EXPECT_EQ(th::ControlText(box, IDC_BOX_OK), "&OK");
    return box;
  }
};

TEST_F(About, ButtonOpensOkCloses) {
  Commands("5");
  th::AsyncSend click = torva.ClickAsync(CMD_ABOUT);
  HWND box = ExpectAbout();
  ASSERT_NE(box, nullptr);
  CloseBox(box, CloseBy::kOkButton, IDC_BOX_OK);
  EXPECT_TRUE(click.Wait());
  ExpectLines("5");
}

TEST_F(About, AltAOpensEnterAndEscapeClose) {
  for (CloseBy how : {CloseBy::kEnterKey, CloseBy::kEscapeKey}) {
    Press('A', th::kAlt);
    HWND box = ExpectAbout();
    ASSERT_NE(box, nullptr);
    CloseBox(box, how, IDC_BOX_OK);
  }
  EXPECT_TRUE(torva.Running());
}

// Keystrokes keep their order: digits typed into the box, Escape, then
// 5 typed on the panel. Digits that leaked would show before the 5.
TEST_F(About, DigitsTypedMeanwhileDoNotReachTheCalculator) {
  Commands("1");
  Press('A', th::kAlt);
  HWND box = ExpectAbout();
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(th::Activate(box));
  ASSERT_TRUE(th::TypeText("234"));
  ASSERT_TRUE(th::PressKey(VK_ESCAPE));
  EXPECT_TRUE(th::WaitForWindowGone(box));
  Type("5");
  Settle();
  ExpectLines("15");
}

// On Windows XP, the last with a help viewer (Wine would say Windows 7).
class HelpKeys : public TorvaTest {
 protected:
  th::WindowsVersion xp_{"winxp"};
};

// F1, Alt+h and the Help button each start the help viewer.
TEST_F(HelpKeys, StartTheHelpViewer) {
  ASSERT_TRUE(xp_.Set());
  for (int way = 0; way < 3; ++way) {
    if (way > 0) StartTorva();
    std::unique_ptr<th::AsyncSend> click;
    if (way == 0) Press(VK_F1);
    if (way == 1) Press('H', th::kAlt);
    if (way == 2) click.reset(new th::AsyncSend(torva.ClickAsync(CMD_HELP)));
    EXPECT_TRUE(th::WaitUntil([&] { return !th::FindProcesses("winhlp32.exe", torva.ProcessId()).empty(); }))
        << "no help viewer after " << (way == 0 ? "F1" : way == 1 ? "Alt+h" : "the Help button");
    torva.Kill();  // ends the viewer too
  }
}
