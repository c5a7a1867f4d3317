// The clipboard as another program may leave it: huge, unterminated, any
// byte, or held open. Each paste must end, keep only what it may, and
// leave the clipboard free for others.
#include <algorithm>
#include <string>

#include "engine_model.h"
#include "hostile_fixture.h"

namespace {

class ClipboardAbuse : public HostileTest {
 protected:
  void SetUp() override {
    HostileTest::SetUp();
    Start();
  }

  // Pastes and answers the boxes; the paste must return within the step
  // timeout however large the clipboard is.
  std::vector<std::string> Paste(bool clipboardFree = true) {
    DWORD started = GetTickCount();
    hostile::Answered answered = hostile::CommandAnsweringBoxes(torva, CMD_PASTE);
    EXPECT_FALSE(answered.timedOut) << "the paste did not return";
    EXPECT_LT(GetTickCount() - started, th::kStepTimeout) << "the paste took too long";
    if (clipboardFree) {
      EXPECT_TRUE(th::ClipboardOpenable()) << "the clipboard was left open";
    }
    return answered.texts;
  }
};

// 27 digits fill line X; of a megabyte only the first 81 characters are
// read, so the rest cannot reach the calculator.
TEST_F(ClipboardAbuse, MegabyteOfDigitsTypesOneFullLine) {
  std::string megabyte(1 << 20, '7');
  megabyte[100] = '+';  // beyond the 81 read: would add if it were read
  ASSERT_TRUE(th::SetClipboardText(megabyte));
  EXPECT_TRUE(Paste().empty());
  EXPECT_EQ(Lines(), (std::vector<std::string>{std::string(27, '7'), "", "", ""}));
  std::string after;
  ASSERT_TRUE(th::GetClipboardText(&after));
  EXPECT_EQ(after.size(), megabyte.size()) << "the paste changed the clipboard";
  ExpectStillCalculates();
}

// A block with no NUL anywhere, small and large. Wine hands it to the
// program with its last byte made a NUL (docs/wine-notes.md), so the read
// must take every byte before that one, or 81 at most; 27 fives fit line X.
// Here the read can only be seen stopping early: that it never reads past
// a block's end is checked on the bounded copy itself, in app_clipboard.
TEST_F(ClipboardAbuse, UnterminatedBlocksTypeAllButTheirLastByte) {
  for (size_t size : {size_t(1), size_t(2), size_t(80), size_t(81), size_t(65536)}) {
    Commands("\xb6");  // clear
    size_t actual = 0;
    ASSERT_TRUE(th::SetClipboardUnterminated(size, '5', &actual));
    EXPECT_TRUE(Paste().empty());
    std::string typed(std::min<size_t>(actual - 1, 27), '5');
    EXPECT_EQ(Lines(), (std::vector<std::string>{typed, "", "", ""}))
        << "block of " << actual << " bytes";
  }
  ExpectStillCalculates();
}

// Every byte 1..255 pasted alone on a stack of 4 and a 2 being typed: each
// must do exactly what the engine does with that key, boxes included.
TEST_F(ClipboardAbuse, EachByteAloneActsAsTheEngineKey) {
  for (int byte = 1; byte <= 255; ++byte) {
    Model model;
    Commands("\xb6" "4\r2");
    for (unsigned char c : std::string("4\r2")) model.Key(c);
    std::string text(1, static_cast<char>(byte));
    ASSERT_TRUE(th::SetClipboardBytes(text));
    model.SetClipboard(text);
    std::vector<std::string> expectedBoxes = model.Paste();
    EXPECT_EQ(Paste(), expectedBoxes) << "byte " << byte;
    ASSERT_EQ(Lines(), model.Lines()) << "byte " << byte;
  }
  ExpectStillCalculates();
}

// While another program holds the clipboard the paste cannot read it: one
// box, nothing typed, and the number being typed stays in entry.
TEST_F(ClipboardAbuse, PasteWhileHeldKeepsTheEntry) {
  ASSERT_TRUE(th::SetClipboardText("99"));
  Commands("12");
  {
    th::ClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    std::vector<std::string> boxes = Paste(false);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Cannot paste number from Clipboard");
  }
  Commands("3");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"123", "", "", ""}));
  std::string text;
  ASSERT_TRUE(th::GetClipboardText(&text));
  EXPECT_EQ(text, "99");
}

}  // namespace
