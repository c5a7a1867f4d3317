// Keys a Windows user presses by habit. None of them is in the keyboard
// map, and none may change the stack, open a box or end the program; the
// next digit must still be typed into the number.
#include <string>

#include "hostile_fixture.h"

namespace {

struct HabitKey {
  const char* name;
  WORD vk;
  unsigned mods;
};

// Alt with a numpad key shares its key number with Alt+a..Alt+h (About,
// Clear, Drop, Help among them); F10 and Escape are menu and dialog habits.
const HabitKey kHabitKeys[] = {
    {"Escape", VK_ESCAPE, th::kNoMods},  {"F10", VK_F10, th::kNoMods},
    {"Up", VK_UP, th::kNoMods},          {"Down", VK_DOWN, th::kNoMods},
    {"Left", VK_LEFT, th::kNoMods},      {"Right", VK_RIGHT, th::kNoMods},
    {"Alt+Num0", VK_NUMPAD0, th::kAlt},  {"Alt+Num1", VK_NUMPAD1, th::kAlt},
    {"Alt+Num2", VK_NUMPAD2, th::kAlt},  {"Alt+Num3", VK_NUMPAD3, th::kAlt},
    {"Alt+Num4", VK_NUMPAD4, th::kAlt},  {"Alt+Num5", VK_NUMPAD5, th::kAlt},
    {"Alt+Num6", VK_NUMPAD6, th::kAlt},  {"Alt+Num7", VK_NUMPAD7, th::kAlt},
    {"Alt+Num8", VK_NUMPAD8, th::kAlt},  {"Alt+Num9", VK_NUMPAD9, th::kAlt},
};

class HabitKeys : public HostileTest {
 protected:
  void SetUp() override {
    HostileTest::SetUp();
    Start();
  }

  // F10 puts the window into menu mode once the program has read it; the
  // user then leaves it with Escape. Waiting for the mode first keeps the
  // input barrier's own Alt+Space from racing with it.
  void LeaveMenuMode() {
    DWORD thread = GetWindowThreadProcessId(torva.Window(), nullptr);
    auto inMenuMode = [&] {
      GUITHREADINFO info{};
      info.cbSize = sizeof info;
      return GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMENUMODE) != 0;
    };
    if (th::WaitUntil(inMenuMode, 3000)) {
      ASSERT_TRUE(th::PressKey(VK_ESCAPE));
      EXPECT_TRUE(th::WaitUntil([&] { return !inMenuMode(); })) << "F10: menu mode stays";
    }
  }
};

TEST_F(HabitKeys, LeaveTheStackAlone) {
  Commands("9\r4\r25");  // 9, 4 and a 25 being typed
  const std::vector<std::string> stack = {"25", "4", "9", ""};
  size_t viewers = th::FindProcesses("winhlp32.exe").size();
  for (const HabitKey& key : kHabitKeys) {
    ASSERT_TRUE(torva.Activate()) << key.name;
    ASSERT_TRUE(th::PressKey(key.vk, key.mods)) << key.name;
    if (key.vk == VK_F10) LeaveMenuMode();
    // The barrier presses Alt+Space and Escape itself; it also ends a menu
    // mode that F10 may have started.
    bool settled = torva.SettleInput();
    ASSERT_TRUE(torva.Running()) << key.name << " ended the program";
    for (HWND box : torva.Dialogs())
      ADD_FAILURE() << key.name << " opened \"" << th::ReadBox(box).text << "\"";
    hostile::AnswerBoxesUntil(torva, [&] { return torva.Dialogs().empty(); });
    EXPECT_TRUE(settled) << key.name << ": the program did not take the key in time";
    EXPECT_EQ(Lines(), stack) << key.name;
  }
  EXPECT_EQ(th::FindProcesses("winhlp32.exe").size(), viewers) << "a key started the help viewer";
  // Still typing the same number: a digit continues it.
  ASSERT_TRUE(torva.Activate());
  ASSERT_TRUE(th::TypeText("7"));
  ASSERT_TRUE(torva.SettleInput());
  EXPECT_EQ(Lines(), (std::vector<std::string>{"257", "4", "9", ""}));
}

}  // namespace
