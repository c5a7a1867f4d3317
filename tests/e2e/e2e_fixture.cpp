#include "e2e_fixture.h"

#include <algorithm>

int TextWidth(HWND window, const std::string& text, HFONT font) {
  HDC dc = GetDC(window);
  if (font) SelectObject(dc, font);
  SIZE extent{};
  GetTextExtentPointA(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  ReleaseDC(window, dc);  // which puts back the DC's own font
  return extent.cx;
}

void TorvaTest::SetUp() {
  ASSERT_FALSE(th::ProgramPath().empty()) << "pass --torva=PATH or set TORVA_EXE";
  ASSERT_TRUE(th::DeleteSettings()) << "cannot delete " << th::SettingsPath();
  th::ForgetRecordedAnnotations();
  th::SetTextScale(0);  // also after a run that was cut short
  if (!StartsItself()) StartTorva();
}

void TorvaTest::TearDown() {
  torva.Kill();
  th::DeleteSettings();
  th::SetTextScale(0);
}

void TorvaTest::StartTorva() {
  ASSERT_TRUE(torva.Start()) << torva.Error();
}

void TorvaTest::Commands(const std::string& codes) {
  ASSERT_TRUE(torva.Commands(codes)) << "a command of \"" << codes << "\" did not return";
}

void TorvaTest::ExpectLines(const std::string& x, const std::string& y, const std::string& z,
                            const std::string& t) {
  std::vector<std::string> expected{x, y, z, t};
  EXPECT_EQ(torva.Lines(), expected);
}

void TorvaTest::WaitLines(const std::string& x, const std::string& y, const std::string& z,
                          const std::string& t) {
  torva.WaitForLine(0, x);
  ExpectLines(x, y, z, t);
}

HWND TorvaTest::ExpectBox(const std::string& caption, const std::string& text, th::BoxIcon icon) {
  HWND box = th::WaitForDialog(torva.ProcessId());
  EXPECT_NE(box, nullptr) << "no box appeared; expected \"" << text << "\"";
  if (!box) return nullptr;
  th::BoxInfo info = th::ReadBox(box);
  EXPECT_EQ(info.caption, caption);
  EXPECT_EQ(info.text, text);
  EXPECT_STREQ(th::BoxIconName(th::ReadBoxIcon(box)), th::BoxIconName(icon)) << "box \"" << text << "\"";
  return box;
}

void TorvaTest::ExpectErrorBox(const std::string& text, CloseBy how) {
  HWND box = ExpectBox("TORVA NT - Error", text, th::BoxIcon::kExclamation);
  if (box) CloseBox(box, how);
}

void TorvaTest::CloseBox(HWND box, CloseBy how, int okId) {
  switch (how) {
    case CloseBy::kOkButton:
      ASSERT_TRUE(th::ClickButton(box, okId)) << "the OK button did not answer";
      break;
    case CloseBy::kEnterKey:
    case CloseBy::kEscapeKey:
      ASSERT_TRUE(th::Activate(box)) << "the box did not come to the foreground";
      ASSERT_TRUE(th::PressKey(how == CloseBy::kEnterKey ? VK_RETURN : VK_ESCAPE));
      break;
  }
  EXPECT_TRUE(th::WaitForWindowGone(box)) << "the box stayed open";
}

void TorvaTest::Press(WORD vk, unsigned mods) {
  ASSERT_TRUE(torva.Activate()) << "the panel did not come to the foreground";
  ASSERT_TRUE(th::PressKey(vk, mods));
}

void TorvaTest::Type(const std::string& text, unsigned mods) {
  ASSERT_TRUE(torva.Activate()) << "the panel did not come to the foreground";
  ASSERT_TRUE(th::TypeText(text, mods));
}

void TorvaTest::Settle() {
  ASSERT_TRUE(torva.SettleInput()) << "the panel did not take its keystrokes in time";
}

std::vector<std::string> TorvaTest::Announced(th::LiveRegionWatch& watch, int line) {
  std::vector<std::string> texts;
  for (const th::LiveRegionWatch::Event& event : watch.Take()) {
    EXPECT_TRUE(event.window == GetDlgItem(torva.Window(), line) &&
                event.object == OBJID_CLIENT && event.child == CHILDID_SELF)
        << "an event for another object than line " << line << "'s client area: \""
        << event.text << "\" in " << event.window << " (" << th::ClassName(event.window)
        << "), object " << event.object;
    texts.push_back(event.text);
  }
  return texts;
}

// The properties by their documented GUIDs: the accessible name, and UI
// Automation's live setting, whose value 2 is Assertive.
std::vector<std::string> TorvaTest::PanelAnnotations(bool cleared) {
  const std::string name = " {608D3DF8-8128-4AA7-A428-F55E49267291} ";
  const std::string liveSetting = " {C12BCD8E-2A8E-4950-8AE7-3625111D58EB} ";
  const std::pair<int, const char*> kSpokenNames[] = {
      {CMD_CHANGE_SIGN, "Change sign"}, {CMD_SQRT, "Square root"}, {CMD_SQUARE, "Square"},
      {CMD_RECIPROCAL, "Reciprocal"},   {CMD_DIVIDE, "Divide"},    {CMD_POWER, "Power"},
      {CMD_MULTIPLY, "Multiply"},       {CMD_SUBTRACT, "Minus"},   {CMD_POINT, "Point"},
      {CMD_BACKSPACE, "Backspace"},     {CMD_ADD, "Plus"}};
  std::vector<std::string> lines;
  for (const auto& button : kSpokenNames)
    lines.push_back((cleared ? "ClearHwndProps " : "SetHwndPropStr ") +
                    std::to_string(button.first) + name + (cleared ? "-" : button.second));
  for (int line = IDC_LINE_X; line <= IDC_LINE_T; ++line)
    lines.push_back((cleared ? "ClearHwndProps " : "SetHwndProp ") + std::to_string(line) +
                    liveSetting + (cleared ? "-" : "I4 2"));
  std::sort(lines.begin(), lines.end());
  return lines;
}
