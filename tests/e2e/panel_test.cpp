// The main panel: its controls, clicks on its buttons, the routing of
// command codes, the focus, and the error boxes of the calculator.
#include "e2e_fixture.h"

#include <algorithm>

namespace {

struct ControlSpec {
  int id;
  const char* label;
  const char* className;
};

// Creation order of the panel's controls.
const ControlSpec kControls[] = {
    {122, "&Help...", "Button"}, {123, "&About...", "Button"}, {124, "E&xit", "Button"},
    {48, "0", "Button"},        {46, ".", "Button"},          {49, "1", "Button"},
    {50, "2", "Button"},        {51, "3", "Button"},          {52, "4", "Button"},
    {53, "5", "Button"},        {54, "6", "Button"},          {55, "7", "Button"},
    {56, "8", "Button"},        {57, "9", "Button"},          {13, "&Enter", "Button"},
    {43, "+", "Button"},        {45, "--", "Button"},         {42, "*", "Button"},
    {47, "/", "Button"},        {176, "&Y ^ X", "Button"},    {177, "&1 / X", "Button"},
    {178, "&+ / --", "Button"}, {179, "&Sqrt", "Button"},     {183, "S&wap", "Button"},
    {180, "&Drop", "Button"},   {182, "&Clear", "Button"},    {8, "<--", "Button"},
    {184, "", "Button"},        {190, "", "Static"},          {191, "", "Static"},
    {192, "", "Static"},        {193, "", "Static"},          {186, "X ^ &2", "Button"},
    {150, "S&ound", "Button"},
};

std::string WindowText(HWND window) {
  char text[128] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// A step of a session of clicks: the button, then lines X and Y, and
// whether the calculator refuses the click.
struct ClickStep {
  int id;
  const char* x;
  const char* y;
  bool refused = false;
};

const ClickStep kClickSession[] = {
    {CMD_DIGIT_1, "1", ""},
    {CMD_DIGIT_2, "12", ""},
    {CMD_POINT, "12.", ""},
    {CMD_POINT, "12.", "", true},  // a second point
    {CMD_DIGIT_5, "12.5", ""},
    {CMD_BACKSPACE, "12.", ""},
    {CMD_ENTER, "12.", ""},
    {CMD_DIGIT_3, "3", "12"},
    {CMD_ADD, "15", ""},
    {CMD_DIGIT_4, "4", "15"},
    {CMD_MULTIPLY, "60", ""},
    {CMD_DIGIT_6, "6", "60"},
    {CMD_DIVIDE, "10", ""},
    {CMD_DIGIT_7, "7", "10"},
    {CMD_SUBTRACT, "3", ""},
    {CMD_SQUARE, "9", ""},
    {CMD_SQRT, "3", ""},
    {CMD_RECIPROCAL, "0.333333333333", ""},
    {CMD_CHANGE_SIGN, "-0.333333333333", ""},
    {CMD_DIGIT_8, "8", "-0.333333333333"},
    {CMD_SWAP, "-0.333333333333", "8"},
    {CMD_DROP, "8", ""},
    {CMD_DIGIT_2, "2", "8"},
    {CMD_POWER, "64", ""},
    {CMD_DIGIT_9, "9", "64"},
    {CMD_BACKSPACE, "64", ""},  // over the only digit: a drop inside the Backspace
    {CMD_DIGIT_9, "9", "64"},
    {CMD_DIGIT_0, "90", "64"},
    {CMD_CLEAR, "", ""},
};

}  // namespace

using Panel = TorvaTest;

TEST_F(Panel, WindowAndControls) {
  HWND panel = torva.Window();
  EXPECT_EQ(WindowText(panel), "TORVA NT");
  EXPECT_EQ(th::ClassName(panel), "TORVA");
  EXPECT_EQ(GetWindowLongA(panel, GWL_STYLE) & WS_MAXIMIZEBOX, 0) << "the panel has a maximize box";

  HWND child = GetWindow(panel, GW_CHILD);
  for (const ControlSpec& spec : kControls) {
    ASSERT_NE(child, nullptr) << "controls end before id " << spec.id;
    EXPECT_EQ(GetDlgCtrlID(child), spec.id);
    EXPECT_EQ(WindowText(child), spec.label) << "control " << spec.id;
    EXPECT_EQ(th::ClassName(child), spec.className) << "control " << spec.id;
    EXPECT_TRUE(IsWindowVisible(child)) << "control " << spec.id;
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr) << "more controls than expected";
  EXPECT_EQ(GetDlgItem(panel, CMD_COPY), nullptr) << "copy has no button";

  // Screen readers speak the symbol buttons by name and read every line
  // at once when it is announced.
  std::vector<std::string> annotations;
  th::WaitUntil([&] {
    annotations = th::RecordedAnnotations();
    return annotations.size() >= PanelAnnotations().size();
  });
  std::sort(annotations.begin(), annotations.end());
  EXPECT_EQ(annotations, PanelAnnotations());
}

// A screen reader hears line X once for each click the calculator takes,
// also when X reads as before, and nothing for a refused one.
TEST_F(Panel, ClicksOnEveryCalculatorButton) {
  th::LiveRegionWatch watch(torva.ProcessId());
  for (const ClickStep& step : kClickSession) {
    ASSERT_TRUE(torva.Click(step.id)) << "click on " << step.id << " did not return";
    EXPECT_EQ(torva.Line(0), step.x) << "after a click on " << step.id;
    EXPECT_EQ(torva.Line(1), step.y) << "after a click on " << step.id;
    std::vector<std::string> heard;
    if (!step.refused) heard.push_back(step.x);
    EXPECT_EQ(Announced(watch), heard) << "after a click on " << step.id;
  }
}

TEST_F(Panel, AcceleratorCommandsActLikeClicks) {
  for (int code : {CMD_DIGIT_2, CMD_ENTER, CMD_DIGIT_3, CMD_ADD})
    ASSERT_TRUE(torva.Command(MAKEWPARAM(code, 1)));
  ExpectLines("5");
}

// Codes outside the table do nothing: the number being typed goes on.
TEST_F(Panel, UnknownCodesDoNothing) {
  const WPARAM codes[] = {0,   7,   9,   12,  14,  41,  44,  58,     121,    125,
                          149, 151, 175, 185, 187, 255, 264, 256 + 48, 0xFFFF, MAKEWPARAM(44, 1)};
  for (WPARAM code : codes) {
    Commands("12");
    ASSERT_TRUE(torva.Command(code));
    Commands("3");
    EXPECT_EQ(torva.Lines(), (std::vector<std::string>{"123", "", "", ""})) << "code " << code;
    EXPECT_TRUE(torva.Dialogs().empty()) << "code " << code << " opened a box";
    Commands("\xb6");  // clear
  }
}

TEST_F(Panel, EveryCommandFocusesThePanel) {
  HWND nine = GetDlgItem(torva.Window(), CMD_DIGIT_9);
  ASSERT_TRUE(torva.Activate());
  for (WPARAM code : {WPARAM(44), WPARAM(125), WPARAM(CMD_DIGIT_1), WPARAM(264)}) {
    ASSERT_TRUE(th::MouseButton(nine, true));
    ASSERT_TRUE(th::WaitUntil([&] { return torva.Focus() == nine; }))
        << "pressing a button did not focus it";
    ASSERT_TRUE(torva.Command(code));
    EXPECT_EQ(torva.Focus(), torva.Window()) << "code " << code;
    ASSERT_TRUE(th::MouseButton(nine, false));
    ASSERT_TRUE(th::Sync(torva.Window()));
  }
}

// A failed operation leaves X as it was: the box is all a screen reader
// has to read.
TEST_F(Panel, ErrorBoxesAnsweredAsAUserWould) {
  th::LiveRegionWatch watch(torva.ProcessId());
  {
    th::AsyncSend add = torva.CommandAsync(CMD_ADD);
    ExpectErrorBox("Not enough numbers on the stack", CloseBy::kOkButton);
    EXPECT_TRUE(add.Wait());
  }
  EXPECT_TRUE(Announced(watch).empty());
  Commands("5\r0");
  watch.Take();
  {
    th::AsyncSend divide = torva.CommandAsync(CMD_DIVIDE);
    ExpectErrorBox("Division by zero", CloseBy::kEnterKey);
    EXPECT_TRUE(divide.Wait());
  }
  ExpectLines("0", "5");
  EXPECT_TRUE(Announced(watch).empty());
  Commands("\xb6" "4\xb2");  // clear, 4, change sign
  {
    th::AsyncSend root = torva.CommandAsync(CMD_SQRT);
    ExpectErrorBox("Negative argument of square root", CloseBy::kEscapeKey);
    EXPECT_TRUE(root.Wait());
  }
  ExpectLines("-4");
  Commands("\xb6" "10\r100\xb0\r");  // 10 to the power 100, twice
  {
    th::AsyncSend multiply = torva.CommandAsync(CMD_MULTIPLY);
    ExpectErrorBox("Overflow");
    EXPECT_TRUE(multiply.Wait());
  }
  ExpectLines("1e+100", "1e+100");
  Commands("\xb6" "8\xb2" "0.5");  // -8 to the power 0.5
  {
    th::AsyncSend power = torva.CommandAsync(CMD_POWER);
    ExpectErrorBox("Numerical error");
    EXPECT_TRUE(power.Wait());
  }
  ExpectLines("0.5", "-8");
}

// On a full stack a typed digit has nowhere to go: the box says so, and the
// calculator stays Idle, so the next digit does not edit the X before it.
TEST_F(Panel, FullStackDigitShowsTheBoxAndLeavesTheCalculatorIdle) {
  Commands("7" + std::string(1024, '\r'));  // 7, the Enter that ends it, 1023 copies
  for (int attempt = 0; attempt < 2; ++attempt) {
    th::AsyncSend digit = torva.CommandAsync(CMD_DIGIT_5);
    ExpectErrorBox("Cannot add any more numbers to the stack");
    EXPECT_TRUE(digit.Wait());
    ExpectLines("7", "7", "7", "7");
  }
  Commands("\xb4" "5");  // drop one: there is room again
  ExpectLines("5", "7", "7", "7");
}

namespace {

// WM_SETTEXT as another program (an automation or accessibility tool)
// sends it to a display line.
bool SetLineFromOutside(HWND panel, int id, const char* text) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(GetDlgItem(panel, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text),
                             SMTO_NORMAL, th::kStepTimeout, &result) && result;
}

}  // namespace

// The display lines are the calculator's own record of what it shows: a
// number being typed goes on from the text line X holds, and a command that
// shows a value writes its line whatever text another program put there.
TEST_F(Panel, TextPutIntoLineXFromOutsideIsWhatTheCalculatorSees) {
  Commands("1\r2");
  ASSERT_TRUE(SetLineFromOutside(torva.Window(), IDC_LINE_X, "7"));
  Commands("3");
  ExpectLines("73", "1");
  Commands("+");
  ExpectLines("74");

  Commands("\xb6" "1\r2\r");
  ASSERT_TRUE(SetLineFromOutside(torva.Window(), IDC_LINE_X, "foo"));
  Commands("\r");  // duplicates 2, which line X showed before
  ExpectLines("2", "2", "1");
  // Read whole as "%lf" reads it; a text wider than line X takes no digit more, and X stays.
  const std::string longText = "9" + std::string(84, '0');
  const char* const kForeign[][3] = {
      {"1e5", "1e53", "1e+053"}, {"-5", "-53", "-52"}, {longText.c_str(), longText.c_str(), "3"}};
  for (const auto& c : kForeign) {
    Commands("\xb6" "1\r2");
    ASSERT_TRUE(SetLineFromOutside(torva.Window(), IDC_LINE_X, c[0]));
    Commands("3");
    ExpectLines(c[1], "1");
    Commands("+");
    ExpectLines(c[2]);
  }
}

// Magnifiers follow the system caret: at the end of line X's text, as tall
// as the line, after every command and Ctrl+1; none without the focus. (Wine
// reports any caret as blinking: no test can tell shown from hidden.)
TEST_F(Panel, CaretAtTheEndOfLineX) {
  HWND panel = torva.Window(), nine = GetDlgItem(panel, CMD_DIGIT_9);
  RECT line;
  GetWindowRect(GetDlgItem(panel, IDC_LINE_X), &line);
  MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&line), 2);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  auto expectAtEndOf = [&](const std::string& text) {
    const LONG end = line.left + TextWidth(panel, text);
    ASSERT_TRUE(GetGUIThreadInfo(torva.ThreadId(), &info) && info.hwndCaret == panel) << "after " << text;
    EXPECT_TRUE(info.rcCaret.left == end && info.rcCaret.top == line.top && info.rcCaret.bottom == line.bottom)
        << "after " << text << ": at " << info.rcCaret.left << ", not " << end;
  };
  for (const char* keys : {"123", "\r", "4+"}) {
    Commands(keys);
    expectAtEndOf(torva.Line(0));
  }
  ASSERT_TRUE(SetLineFromOutside(panel, IDC_LINE_X, "5.5"));
  Commands("\xa0");  // Ctrl+1
  expectAtEndOf("5.5");
  ASSERT_TRUE(torva.Activate() && th::MouseButton(nine, true));
  ASSERT_TRUE(th::WaitUntil([&] { return torva.Focus() == nine; }));
  EXPECT_TRUE(GetGUIThreadInfo(torva.ThreadId(), &info) && !info.hwndCaret) << "a caret without the focus";
  Commands(",");  // does nothing but take the focus back
  expectAtEndOf("5.5");
  ASSERT_TRUE(th::MouseButton(nine, false));
}
