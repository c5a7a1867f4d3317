// Copying X to the clipboard and pasting clipboard text as keys.
#include "e2e_fixture.h"

class Clipboard : public TorvaTest {
 protected:
  // Pastes and answers the boxes it opens; returns how many there were.
  int PasteAnsweringBoxes(const std::string& expectedText) {
    th::AsyncSend paste = torva.CommandAsync(CMD_PASTE);
    int boxes = 0;
    while (!paste.Wait(0)) {
      HWND box = th::WaitForDialog(torva.ProcessId(), 50);
      if (!box) continue;
      EXPECT_EQ(th::ReadBox(box).text, expectedText);
      CloseBox(box, CloseBy::kOkButton);
      ++boxes;
      if (boxes > 100) break;
    }
    EXPECT_TRUE(paste.Wait()) << "the paste did not finish";
    return boxes;
  }
};

namespace {

std::string ClipboardText() {
  std::string text;
  return th::GetClipboardText(&text) ? text : "<no text>";
}

}  // namespace

// The copy's result is on the clipboard: a screen reader hears nothing.
TEST_F(Clipboard, CopyPutsFormattedX) {
  ASSERT_TRUE(th::SetClipboardText("old"));
  Commands("2\r3/");
  th::LiveRegionWatch watch(torva.ProcessId());
  Commands("\xb5");  // copy
  EXPECT_EQ(ClipboardText(), "0.666666666667");
  ExpectLines("0.666666666667");
  EXPECT_TRUE(Announced(watch).empty());
}

TEST_F(Clipboard, CopyEndsTheEntryAndCopiesTheValue) {
  Commands("0.\xb5");
  EXPECT_EQ(ClipboardText(), "0");
  Commands("5");
  ExpectLines("5", "0");
}

TEST_F(Clipboard, CopyOnEmptyStack) {
  ASSERT_TRUE(th::SetClipboardText("old"));
  th::AsyncSend copy = torva.CommandAsync(CMD_COPY);
  ExpectErrorBox("Not enough numbers on the stack");
  EXPECT_TRUE(copy.Wait());
  EXPECT_EQ(ClipboardText(), "old");
}

// A clipboard that another program holds for a moment (a clipboard manager
// taking its copy) is waited for; one held on is reported.
TEST_F(Clipboard, CopyWhileAnotherHoldsTheClipboard) {
  auto heldForAMoment = [&](WPARAM command) {
    th::ClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    th::AsyncSend sent = torva.CommandAsync(command);
    Sleep(100);
    holder.Release();
    EXPECT_TRUE(sent.Wait());
    EXPECT_TRUE(torva.Dialogs().empty()) << "a box for a clipboard held for 0.1 s";
  };
  ASSERT_TRUE(th::SetClipboardText("6\r7"));
  heldForAMoment(CMD_PASTE);
  Commands("*");
  heldForAMoment(CMD_COPY);
  EXPECT_EQ(ClipboardText(), "42");
  ASSERT_TRUE(th::SetClipboardText("former"));
  Commands("\xb6" "7");  // clear, then 7
  {
    th::ClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    th::AsyncSend copy = torva.CommandAsync(CMD_COPY);
    ExpectErrorBox("Cannot copy number to Clipboard");
    EXPECT_TRUE(copy.Wait());
  }
  EXPECT_EQ(ClipboardText(), "former");
}

// Whenever a box is up, the lines show the calculator as it is at that
// moment, also in the middle of a paste: the refused "+" finds 12 typed, and
// the copy that then finds the clipboard held shows its box over 123.
TEST_F(Clipboard, LinesAreCurrentWhileABoxIsOpen) {
  ASSERT_TRUE(th::SetClipboardText("12+3\xb5"));  // \xb5: copy
  th::AsyncSend paste = torva.CommandAsync(CMD_PASTE);
  HWND box = th::WaitForDialog(torva.ProcessId());
  ASSERT_NE(box, nullptr) << "no box for the refused +";
  EXPECT_EQ(th::ReadBox(box).text, "Not enough numbers on the stack");
  EXPECT_EQ(torva.Line(0), "12") << "while the box is open";
  {
    th::ClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    CloseBox(box, CloseBy::kOkButton);
    box = th::WaitForDialog(torva.ProcessId());
    ASSERT_NE(box, nullptr) << "no box for the failed copy";
    EXPECT_EQ(th::ReadBox(box).text, "Cannot copy number to Clipboard");
    EXPECT_EQ(torva.Line(0), "123") << "while the box is open";
  }
  CloseBox(box, CloseBy::kOkButton);
  EXPECT_TRUE(paste.Wait());
  ExpectLines("123");
  EXPECT_EQ(ClipboardText(), "12+3\xb5");
}

namespace {

struct PasteCase {
  const char* name;
  const char* setup;  // command codes before the paste
  const char* text;   // clipboard text
  int boxes;          // "Not enough numbers on the stack" boxes during the paste
  const char* x;
  const char* y;
  const char* xValue;  // X as a formatted line shows it
};

const PasteCase kPasteCases[] = {
    {"Number", "", "12.5", 0, "12.5", "", "12.5"},
    {"ContinuesEntry", "3", "4", 0, "34", "", "34"},
    {"BlankSeparates", "", "1 2", 0, "2", "1", "2"},
    {"CarriageReturnAndLineFeed", "", "3\r\n", 0, "3", "", "3"},
    {"Arithmetic", "5\r", "12+3", 0, "3", "17", "3"},
    {"ArithmeticLast", "5\r", "12+", 0, "17", "", "17"},
    // A refused + does not end the entry: 3 continues 12.
    {"ArithmeticTooFew", "", "12+3", 1, "123", "", "123"},
    {"MinusSubtracts", "9\r2", "-5", 0, "5", "7", "5"},
    {"MinusTooFew", "", "-5", 1, "5", "", "5"},
    {"ExponentForm", "", "1e+020", 1, "020", "1", "20"},
    {"EmptyTextEndsEntry", "7", "", 0, "7", "", "7"},
};

class Paste : public Clipboard, public testing::WithParamInterface<PasteCase> {};

std::string PasteName(const testing::TestParamInfo<PasteCase>& info) { return info.param.name; }

}  // namespace

// A screen reader hears the paste's result once, however many keys it typed
// or had refused, and also when X reads as before.
TEST_P(Paste, TextActsAsKeys) {
  const PasteCase& c = GetParam();
  Commands(c.setup);
  ASSERT_TRUE(th::SetClipboardText(c.text));
  th::LiveRegionWatch watch(torva.ProcessId());
  EXPECT_EQ(PasteAnsweringBoxes("Not enough numbers on the stack"), c.boxes);
  ExpectLines(c.x, c.y);
  EXPECT_EQ(Announced(watch), std::vector<std::string>{c.x});
  // The paste always ends the entry: the next digit starts a new number.
  Commands("6");
  ExpectLines("6", c.xValue, c.y);
}

INSTANTIATE_TEST_SUITE_P(Clipboard, Paste, testing::ValuesIn(kPasteCases), PasteName);

TEST_F(Clipboard, PastePictureOnly) {
  Commands("7");
  ASSERT_TRUE(th::SetClipboardPictureOnly());
  th::LiveRegionWatch watch(torva.ProcessId());
  th::AsyncSend paste = torva.CommandAsync(CMD_PASTE);
  ExpectErrorBox("Cannot paste number from Clipboard");
  EXPECT_TRUE(paste.Wait());
  EXPECT_TRUE(Announced(watch).empty()) << "a failed paste announced line X";
  Commands("8");  // nothing was typed: the entry goes on
  ExpectLines("78");
}

// Only the first 81 characters count: forty numbers typed with Enter, then
// the 81st character 2; the 3s after it must not arrive.
TEST_F(Clipboard, PasteStopsAfter81Characters) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "1\r";
  text += "2" + std::string(19, '3');
  ASSERT_EQ(text.size(), 100u);
  ASSERT_TRUE(th::SetClipboardText(text));
  ASSERT_TRUE(torva.Command(CMD_PASTE));
  ExpectLines("2", "1", "1", "1");
}

// A hundred digits: the line keeps the digits that fit, as one number.
TEST_F(Clipboard, PasteHundredDigits) {
  std::string digits;
  for (int i = 0; i < 10; ++i) digits += "1234567890";
  ASSERT_TRUE(th::SetClipboardText(digits));
  ASSERT_TRUE(torva.Command(CMD_PASTE));
  std::string x = torva.Line(0);
  EXPECT_GE(x.size(), 20u);
  EXPECT_LT(x.size(), 81u);
  EXPECT_EQ(digits.compare(0, x.size(), x), 0) << "line X: " << x;
  EXPECT_EQ(torva.Line(1), "");
}

// Bytes 1 to 255 in one text: only 1 to 81 arrive. Among them *, +, -
// and / find too few numbers, "." starts 0. and the digits continue it.
TEST_F(Clipboard, PasteEveryByteValue) {
  std::string bytes;
  for (int b = 1; b <= 255; ++b) bytes += static_cast<char>(b);
  ASSERT_TRUE(th::SetClipboardBytes(bytes));
  EXPECT_EQ(PasteAnsweringBoxes("Not enough numbers on the stack"), 4);
  ASSERT_TRUE(torva.Running());
  ExpectLines("0.0123456789");
}

// Wine hands another process such a block with its last byte made a NUL
// (docs/wine-notes.md), so the paste types all but that byte. That the read
// never goes past the block's end is checked on the bounded copy itself, in
// app_clipboard, where a block can end without a NUL.
TEST_F(Clipboard, UnterminatedBlockTypesAllButItsLastByte) {
  size_t size = 0;
  ASSERT_TRUE(th::SetClipboardUnterminated(3, '3', &size));
  ASSERT_TRUE(torva.Command(CMD_PASTE));
  ASSERT_TRUE(torva.Running());
  ExpectLines(std::string(size - 1, '3'));
}
