// Real keystrokes through the keyboard map: every entry that works on the
// calculator, the keys that must do nothing, and keys that meet a modal box.
#include "e2e_fixture.h"

#include <cctype>

namespace {

struct KeyCase {
  const char* name;
  const char* setup;  // command codes sent first
  WORD vk;            // 0: type `text` instead
  unsigned mods;
  const char* text;
  const char* x;  // expected lines afterwards
  const char* y;
};

using th::kAlt;
using th::kCtrl;
using th::kNoMods;
using th::kShift;

// The drop keys start from a two-digit entry, on which Backspace would only
// take the last digit.
const KeyCase kKeyCases[] = {
    {"Alt+d drops", "9\r42", 'D', kAlt, nullptr, "9", ""},
    {"Insert drops", "9\r42", VK_INSERT, kNoMods, nullptr, "9", ""},
    {"Alt+w swaps", "9\r4", 'W', kAlt, nullptr, "9", "4"},
    {"Home swaps", "9\r4", VK_HOME, kNoMods, nullptr, "9", "4"},
    {"Alt+c clears", "9\r4", 'C', kAlt, nullptr, "", ""},
    {"Page Up clears", "9\r4", VK_PRIOR, kNoMods, nullptr, "", ""},
    {"Alt+= changes sign", "4", 0, kAlt, "=", "-4", ""},
    {"Delete changes sign", "4", VK_DELETE, kNoMods, nullptr, "-4", ""},
    {"Ctrl alone does nothing", "4", VK_CONTROL, kNoMods, nullptr, "4", ""},
    {"point is not Delete", "4", 0, kNoMods, ".", "4.", ""},
    {"Alt+s takes the root", "9", 'S', kAlt, nullptr, "3", ""},
    {"End takes the root", "9", VK_END, kNoMods, nullptr, "3", ""},
    {"Alt+2 squares", "3", '2', kAlt, nullptr, "9", ""},
    {"Page Down squares", "3", VK_NEXT, kNoMods, nullptr, "9", ""},
    {"Alt+y raises to a power", "2\r10", 'Y', kAlt, nullptr, "1024", ""},
    {"Alt+1 gives the reciprocal", "4", '1', kAlt, nullptr, "0.25", ""},
    {"+ adds", "2\r3", 0, kNoMods, "+", "5", ""},
    {"- subtracts", "7\r3", 0, kNoMods, "-", "4", ""},
    {"* multiplies", "6\r7", 0, kNoMods, "*", "42", ""},
    {"/ divides", "7\r2", 0, kNoMods, "/", "3.5", ""},
    {"Backspace removes a digit", "12", VK_BACK, kNoMods, nullptr, "1", ""},
    {"Backspace drops a one-digit number", "5\r7", VK_BACK, kNoMods, nullptr, "5", ""},
    {"digits type a number", "", 0, kNoMods, "1234567890", "1234567890", ""},
    {"Enter duplicates when idle", "3\r", VK_RETURN, kNoMods, nullptr, "3", "3"},
    {"Enter ends an entry", "3", 0, kNoMods, "\r4", "4", "3"},
    {"Alt+e is Enter", "3\r", 'E', kAlt, nullptr, "3", "3"},
    {"Ctrl+V pastes", "", 'V', kCtrl, nullptr, "25", ""},
    {"Shift+Insert pastes", "", VK_INSERT, kShift, nullptr, "25", ""},
};

class KeyboardMap : public TorvaTest, public testing::WithParamInterface<KeyCase> {};

std::string CaseName(const testing::TestParamInfo<KeyCase>& info) {
  std::string name;
  for (const char* p = info.param.name; *p; ++p)
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
}

}  // namespace

TEST_P(KeyboardMap, KeyGivesItsCommand) {
  const KeyCase& c = GetParam();
  ASSERT_TRUE(th::SetClipboardText("25"));  // for the paste keys
  Commands(c.setup);
  if (c.vk)
    Press(c.vk, c.mods);
  else
    Type(c.text, c.mods);
  Settle();
  WaitLines(c.x, c.y);
  EXPECT_TRUE(torva.Dialogs().empty()) << "a box opened";
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyboardMap, testing::ValuesIn(kKeyCases), CaseName);

using Keyboard = TorvaTest;

TEST_F(Keyboard, CopyKeysPutXOnTheClipboard) {
  const std::pair<WORD, unsigned> keys[] = {{VK_INSERT, th::kCtrl}, {'C', th::kCtrl}};
  for (auto key : keys) {
    ASSERT_TRUE(th::SetClipboardText("old"));
    Commands("\xb6" "5");  // clear, then 5
    Press(key.first, key.second);
    std::string text, boxes;
    EXPECT_TRUE(th::WaitUntil([&] { return th::GetClipboardText(&text) && text == "5"; }))
        << "clipboard holds \"" << text << "\" after key " << key.first << "; line X shows \""
        << torva.Line(0) << "\" (empty: the key arrived without Ctrl and dropped X)"
        << [&] { for (HWND box : torva.Dialogs()) boxes += "; a box: " + th::ReadBox(box).text;
                 return boxes; }();
  }
}

// Alt with F8, F9 or F10 shares its key number with Alt+w, Alt+x and
// Alt+y; none of them may swap, exit or raise to a power.
TEST_F(Keyboard, AltFunctionKeysDoNothing) {
  Commands("2\r3");
  for (WORD vk : {WORD{VK_F8}, WORD{VK_F9}, WORD{VK_F10}}) {
    Press(vk, th::kAlt);
    Settle();
    ASSERT_TRUE(torva.Running()) << "Alt+F" << (vk - VK_F1 + 1) << " ended the program";
    ExpectLines("3", "2");
    EXPECT_TRUE(torva.Dialogs().empty());
  }
  Type("4");  // the entry still goes on
  WaitLines("34", "2");
}

// With dialog keyboard handling, Tab would move the focus from the panel to
// its first button.
TEST_F(Keyboard, TabMovesNoFocus) {
  ASSERT_TRUE(torva.Activate());
  ASSERT_TRUE(th::WaitUntil([&] { return torva.Focus() == torva.Window(); }))
      << "the panel does not start with the focus";
  Press(VK_TAB);
  Press(VK_TAB);
  Settle();
  EXPECT_EQ(torva.Focus(), torva.Window()) << "Tab moved the focus";
  Type("7");
  WaitLines("7");
}

// A screen reader hears X after every key, also after an Enter that
// leaves it as it was. Each event is taken as the key has been handled,
// so that its text is X as it was then.
TEST_F(Keyboard, EnterPressesNoButton) {
  HWND nine = GetDlgItem(torva.Window(), CMD_DIGIT_9);
  th::LiveRegionWatch watch(torva.ProcessId());
  std::vector<std::string> heard;
  for (const char* key : {"3", "\r", "4", "+"}) {
    Type(key);
    Settle();
    for (const std::string& text : Announced(watch)) heard.push_back(text);
  }
  WaitLines("7");
  // Enter while a button has the focus still gives the Enter command:
  // the idle 7 is duplicated, and the focused "9" is not pressed.
  ASSERT_TRUE(th::MouseButton(nine, true));
  ASSERT_TRUE(th::WaitUntil([&] { return torva.Focus() == nine; })) << "pressing the button did not focus it";
  ASSERT_TRUE(th::PressKey(VK_RETURN));
  Settle();
  ExpectLines("7", "7");
  EXPECT_EQ(torva.Focus(), torva.Window());
  for (const std::string& text : Announced(watch)) heard.push_back(text);
  EXPECT_EQ(heard, (std::vector<std::string>{"3", "3", "4", "7", "7"}));
  ASSERT_TRUE(th::MouseButton(nine, false));
}

// Ctrl+1 to Ctrl+4 make their line announce itself and change nothing:
// the number being typed goes on. An empty line beeps instead.
TEST_F(Keyboard, CtrlDigitAnnouncesALine) {
  Type("3\r4");
  WaitLines("4", "3");
  th::LiveRegionWatch watch(torva.ProcessId());
  th::BellWatch bells;
  ASSERT_TRUE(bells.Start()) << "bell_watch did not start";
  Press('2', th::kCtrl);
  Settle();
  EXPECT_EQ(Announced(watch, IDC_LINE_Y), std::vector<std::string>{"3"});
  Press('1', th::kCtrl);
  Press('3', th::kCtrl);  // lines Z and T are empty
  Press('4', th::kCtrl);
  Settle();
  EXPECT_EQ(Announced(watch), std::vector<std::string>{"4"});
  Type("5");  // also repaints line X, which sends Wine's beeps on
  Settle();
  ExpectLines("45", "3");
  EXPECT_EQ(Announced(watch), std::vector<std::string>{"45"});
  EXPECT_TRUE(bells.WaitForCount(2));
  EXPECT_EQ(bells.Count(), 2) << "beeps";
}

// A refused key beeps (the system beep, whether or not sound is on); an
// accepted one does not. Wine sends a beep to the X server only when it
// next flushes its connection, which a repaint does. So each step ends with
// a marker, Backspace on the empty stack (two beeps), and a digit that
// repaints line X and is dropped again; the count is compared once the
// marker's beeps are in, and with them every beep of the keys before.
TEST_F(Keyboard, RefusedKeysBeep) {
  th::BellWatch bells;
  ASSERT_TRUE(bells.Start()) << "bell_watch did not start";
  const struct {
    const char* keys;
    int beeps;
  } steps[] = {
      {"5\b", 0},      // a digit, and Backspace dropping the number
      {"\r", 1},       // Enter with nothing to duplicate
      {"1..\b\b", 1},  // the second point
  };
  int expected = 0;
  for (const auto& step : steps) {
    Type(std::string(step.keys) + "\b" + "9\b");
    expected += step.beeps + 2;
    EXPECT_TRUE(bells.WaitForCount(expected)) << bells.Count() << " beeps";
    EXPECT_EQ(bells.Count(), expected) << "after the keys " << testing::PrintToString(step.keys);
  }
  ExpectLines("");
}

// Nor do the commands another program sends meanwhile: they wait for the
// box, the sender is answered at once, and the box's own message loop does
// not spin on them; closed, the box lets them run in order. One more than
// can wait is refused with the beep.
TEST_F(Keyboard, NothingReachesTheCalculatorThroughABox) {
  Type("+");  // too few numbers: a box opens
  HWND box = torva.WaitForDialog();
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(th::Activate(box));
  ASSERT_TRUE(th::TypeText("58"));
  ASSERT_TRUE(th::SettleInput(box));
  th::BellWatch bells;
  ASSERT_TRUE(bells.Start()) << "bell_watch did not start";
  const std::string sent = "42" + std::string(30, '\r') + "6";  // 33 commands: 32 can wait
  for (char code : sent) EXPECT_TRUE(torva.CommandAsync(static_cast<unsigned char>(code)).Wait());
  HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, torva.ThreadId());
  FILETIME created, ended, kernel, user;
  auto cpuMs = [&] {
    GetThreadTimes(thread, &created, &ended, &kernel, &user);
    return (kernel.dwLowDateTime + user.dwLowDateTime) / 10000;  // from 100 ns units
  };
  const DWORD cpuBefore = cpuMs();
  Sleep(1000);
  const DWORD cpu = cpuMs() - cpuBefore;
  CloseHandle(thread);
  EXPECT_LT(cpu, 100u) << "ms of CPU time in 1 s of a box waiting";
  ExpectLines("");
  CloseBox(box, CloseBy::kEnterKey);
  Type("9");  // after the commands that waited
  WaitLines("9", "42", "42", "42");
  // Under Wine the bell reaches the display only once the box has closed.
  EXPECT_TRUE(bells.WaitForCount(1)) << "the 33rd command was not refused with the beep";
  EXPECT_EQ(bells.Count(), 1);
}

// The keypad's decimal key where the layout makes it type a comma (German,
// French, Russian...): X gives that key the symbol KP_Separator, which
// Wine turns into VK_DECIMAL with a comma. xdotool presses it through the
// X server, as a user's keyboard would; the test session's keyboard map
// has it on a spare key (tests/wine/session.sh). Only that key goes
// through xdotool: digits it sent were seen again in later tests. xdotool
// runs on its own, so it leaves a marker file once it has pressed the key,
// and only then is the point waited for: a press still to come would land
// in a later test's panel.
using KeypadLayout = TorvaTest;

TEST_F(KeypadLayout, DecimalKeyTypesThePointWhereItTypesAComma) {
  Type("1");
  WaitLines("1");
  const std::string marker = "/tmp/torva-keypad-" + std::to_string(GetCurrentProcessId());
  const std::string markerHere = "Z:" + marker;  // the same file, as Wine names it
  DeleteFileA(markerHere.c_str());
  ASSERT_TRUE(th::StartDetached(
      "Z:\\usr\\bin\\xdotool search --onlyvisible --name \"^TORVA NT$\" windowfocus --sync "
      "key KP_Separator exec touch " + marker));
  EXPECT_TRUE(th::WaitUntil([&] {
    return GetFileAttributesA(markerHere.c_str()) != INVALID_FILE_ATTRIBUTES;
  }, 3 * th::kStepTimeout)) << "xdotool did not press the key";
  DeleteFileA(markerHere.c_str());
  WaitLines("1.");
  Type("5");
  WaitLines("1.5");
}
