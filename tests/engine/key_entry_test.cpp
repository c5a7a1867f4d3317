// Keystroke processing: number entry, backspace, Enter, the checks before
// every command, and codes that only end an entry.
#include <string>

#include "engine_fixture.h"

using KeyEntryTest = EngineTest;
using Cues = std::vector<std::string>;
using Values = std::vector<double>;

TEST_F(KeyEntryTest, PointThenDigitStartsWithZeroPoint)
{
    soundEnabled = 1;
    Type(".");
    EXPECT_EQ(Line(0), "0.");
    EXPECT_EQ(Stack(), Values{0});
    EXPECT_EQ(calculator.freshEntry, 0);
    Type("5");
    EXPECT_EQ(Line(0), "0.5");
    EXPECT_EQ(Stack(), Values{0.5});
    EXPECT_EQ(panelRecording.cues, (Cues{"point.wav", "5.wav"}));
}

TEST_F(KeyEntryTest, TypedTextStaysAsTypedWhileTheValueFollowsIt)
{
    Load({9});
    Type("012.50");
    EXPECT_EQ(Line(0), "012.50");
    EXPECT_EQ(Line(1), "9");
    EXPECT_EQ(Stack(), (Values{12.5, 9}));
    Type("\r");
    EXPECT_EQ(Line(0), "012.50") << "Enter while typing only ends the entry";
    EXPECT_EQ(calculator.count, 2);
    EXPECT_EQ(calculator.freshEntry, 1);

    soundEnabled = 1;
    Type("90.09");
    EXPECT_EQ(Stack(), (Values{90.09, 12.5, 9}));
    EXPECT_EQ(panelRecording.cues,
              (Cues{"9.wav", "0.wav", "point.wav", "0.wav", "9.wav"})) << "each digit its own cue";
    // Text another program put into line X is read whole, within the push limit.
    panelRecording.lines[0] = " -1e15";
    Type("54");  // -1e155 is beyond the limit; -1e154 is not
    EXPECT_EQ(Stack(), (Values{-1e154, 12.5, 9}));
    EXPECT_EQ(panelRecording.beeps, 1);
}

TEST_F(KeyEntryTest, BackspaceEditsAndDropsTheLastCharacter)
{
    Type("12\b");
    EXPECT_EQ(Line(0), "1");
    EXPECT_EQ(Stack(), Values{1});

    soundEnabled = 1;
    ForgetRecording();
    Type("\b");
    EXPECT_EQ(calculator.count, 0);
    EXPECT_EQ(calculator.freshEntry, 1);
    EXPECT_EQ(panelRecording.events, (Cues{"cue:back.wav", "drop", "cue:drop.wav"}));

    Type("1.\b");
    EXPECT_EQ(Line(0), "1");
    EXPECT_EQ(calculator.freshEntry, 0);
}

TEST_F(KeyEntryTest, BackspaceWhenIdleBeepsTwiceAndChangesNothing)
{
    soundEnabled = 1;
    Load({3});
    Type("\b");
    EXPECT_EQ(panelRecording.events, (Cues{"cue:back.wav", "beep", "beep"}));
    EXPECT_EQ(Stack(), Values{3});
    EXPECT_EQ(Line(0), "3");
    EXPECT_EQ(calculator.freshEntry, 1);
}

TEST_F(KeyEntryTest, EnterDuplicatesOnlyWhenIdle)
{
    Type("3\r4+");
    EXPECT_EQ(Stack(), Values{7});
    Type("\r");
    EXPECT_EQ(Stack(), (Values{7, 7})) << "Enter after an operation duplicates";
    EXPECT_EQ(Line(0), "7");

    ResetEngineAndRecording();
    Type("3\r\r+");
    EXPECT_EQ(Stack(), Values{6});
}

TEST_F(KeyEntryTest, EnterOnEmptyStackBeeps)
{
    soundEnabled = 1;
    Type("\r");
    EXPECT_EQ(panelRecording.events, (Cues{"cue:enter.wav", "beep"}));
    EXPECT_EQ(calculator.count, 0);
}

TEST_F(KeyEntryTest, SecondPointBeepsAndKeepsTheText)
{
    soundEnabled = 1;
    Type("1..");
    EXPECT_EQ(Line(0), "1.");
    EXPECT_EQ(Stack(), Values{1});
    EXPECT_EQ(panelRecording.events,
              (Cues{"cue:1.wav", "cue:point.wav", "cue:point.wav", "beep"}));
}

TEST_F(KeyEntryTest, EntryIsLimitedToTheWidthOfLineX)
{
    const std::string digits27(27, '7');
    Type((digits27 + "8").c_str());
    EXPECT_EQ(Line(0), digits27);
    EXPECT_EQ(panelRecording.beeps, 1);
    EXPECT_DOUBLE_EQ(Stack()[0], 7.77777777777777777777777777e26);

    // 26 digits and a point are 239 px; one more digit is 248, then 257.
    ResetEngineAndRecording();
    Type((std::string(26, '1') + ".23").c_str());
    EXPECT_EQ(Line(0), std::string(26, '1') + ".2");
    EXPECT_EQ(panelRecording.beeps, 1);

    // A text exactly as wide as the line is accepted.
    ResetEngineAndRecording();
    panelRecording.lineXWidth = 27;
    Type("1234");
    EXPECT_EQ(Line(0), "123");
    EXPECT_EQ(panelRecording.beeps, 1);
}

TEST_F(KeyEntryTest, EntryNeverOutgrowsWhatLineXCanGiveBack)
{
    // On a line wide enough for anything, the text stops at the 80
    // characters line X hands back; the 81st digit is refused, not lost later.
    panelRecording.lineXWidth = 100000;
    const std::string eighty = "1." + std::string(78, '5');
    Type((eighty + "9").c_str());
    EXPECT_EQ(Line(0), eighty);
    EXPECT_EQ(panelRecording.beeps, 1);
    Type("\b");
    EXPECT_EQ(Line(0), eighty.substr(0, 79));
}

TEST_F(KeyEntryTest, RefusedCommandsChangeNothing)
{
    soundEnabled = 1;
    const std::string tooFew = "error:" + std::to_string(IDS_TOO_FEW_NUMBERS);
    const std::string byZero = "error:" + std::to_string(IDS_DIVIDE_BY_ZERO);
    const std::string negRoot = "error:" + std::to_string(IDS_NEGATIVE_ROOT);
    struct Case {
        std::vector<double> stack;  // bottom first
        unsigned code;
        std::string message;
    } cases[] = {
        {{}, CMD_DROP, tooFew},
        {{}, CMD_COPY, tooFew},
        {{}, CMD_SQUARE, tooFew},
        {{5}, CMD_ADD, tooFew},
        {{5}, CMD_SWAP, tooFew},
        {{5}, CMD_POWER, tooFew},
        {{}, CMD_DIVIDE, tooFew},
        {{5, 0}, CMD_DIVIDE, byZero},
        {{5, -0.0}, CMD_DIVIDE, byZero},
        {{0}, CMD_RECIPROCAL, byZero},
        {{-4}, CMD_SQRT, negRoot},
        {{-1e-300}, CMD_SQRT, negRoot},
    };
    for (const Case& c : cases) {
        ResetEngineAndRecording();
        soundEnabled = 1;
        for (double v : c.stack)
            Load({v});
        std::vector<double> before = Stack();
        calculator.Key(c.code);
        EXPECT_EQ(panelRecording.events, (Cues{"cue:error.wav", c.message})) << c.code;
        EXPECT_EQ(Stack(), before) << c.code;
    }
}

TEST_F(KeyEntryTest, RefusedCommandLeavesTheEntryOpen)
{
    Load({1});
    Type("0/");
    EXPECT_EQ(panelRecording.errors, std::vector<int>{IDS_DIVIDE_BY_ZERO});
    Type("5");
    EXPECT_EQ(Line(0), "05");
    EXPECT_EQ(Stack(), (Values{5, 1}));
}

TEST_F(KeyEntryTest, ClearAndCodesOfNoCommandAreAllowedOnAnEmptyStack)
{
    soundEnabled = 1;
    Keys({CMD_CLEAR, 185, 'a', 0, 255});
    EXPECT_EQ(panelRecording.events, Cues{"cue:clear.wav"});
    EXPECT_EQ(calculator.count, 0);
}

TEST_F(KeyEntryTest, OtherCodesEndTheEntrySilently)
{
    for (unsigned code : {185u, 97u, 10u, 184u, 122u}) {
        ResetEngineAndRecording();
        Type("5");
        soundEnabled = 1;
        calculator.Key(code);
        EXPECT_TRUE(panelRecording.cues.empty()) << code;
        EXPECT_EQ(calculator.freshEntry, 1) << code;
        Type("6");
        EXPECT_EQ(Stack(), (Values{6, 5})) << code;
    }
}

TEST_F(KeyEntryTest, OnlyTheLowByteOfTheCommandCounts)
{
    Keys({CMD_DIGIT_7 + 0x10000, CMD_ENTER + 0x100, CMD_DIGIT_2 + 0xFF00, CMD_ADD + 0x7F000000});
    EXPECT_EQ(Stack(), Values{9});
    calculator.Key(0x100);  // low byte 0: no command, not a backspace
    EXPECT_EQ(Stack(), Values{9});
}

// Nothing was entered, so no digit cue follows the "stack full" box, and
// the next key must not edit the X that was there before.
TEST_F(KeyEntryTest, FullStackDigitLeavesTheCalculatorIdleWithNoDigitCue)
{
    for (int i = 0; i < kStackCapacity; ++i)
        Load({static_cast<double>(i)});
    soundEnabled = 1;
    Type("5");
    const std::string stackFull = "error:" + std::to_string(IDS_STACK_FULL);
    EXPECT_EQ(panelRecording.events, (Cues{"cue:error.wav", stackFull}));
    EXPECT_EQ(calculator.freshEntry, 1);

    // Neither a digit nor a point may edit the stored X.
    Type("6.");
    EXPECT_EQ(calculator.slots[0], 1023);
    EXPECT_EQ(Line(0), "1023");
    EXPECT_EQ(panelRecording.errors.size(), 3u);

    Type("\b");
    EXPECT_EQ(calculator.slots[0], 1023) << "backspace has nothing to edit";
    Keys({CMD_DROP});
    Type("56");  // the 1024th value can be typed like any other
    EXPECT_EQ(calculator.count, kStackCapacity);
    EXPECT_EQ(calculator.slots[0], 56);
    EXPECT_EQ(Line(0), "56");
    EXPECT_EQ(calculator.freshEntry, 0);
}

// Key says whether it took the key, and it refused exactly when it beeped
// or showed an error: for every kind of refusal, and for keys taken.
TEST_F(KeyEntryTest, KeySaysWhetherItTookTheKey)
{
    const std::string fullStack = "7" + std::string(kStackCapacity, '\r');  // 7 and 1023 copies
    const struct Case {
        const char* name;
        std::string keysBefore;
        unsigned code;
        bool taken;
    } cases[] = {
        {"too few operands", "5", CMD_ADD, false},
        {"division by zero", "5\r0", CMD_DIVIDE, false},
        {"negative root", "4\xb2", CMD_SQRT, false},
        {"digit beyond line X", std::string(27, '9'), CMD_DIGIT_9, false},
        {"second point", "1.", CMD_POINT, false},
        {"digit on a full stack", fullStack, CMD_DIGIT_5, false},
        {"Enter on a full stack", fullStack, CMD_ENTER, false},
        {"overflow", "10\r200", CMD_POWER, false},
        {"numerical error", "8\xb2" "0.5", CMD_POWER, false},
        {"Backspace with no number typed", "5\r", CMD_BACKSPACE, false},
        {"Enter on an empty stack", "", CMD_ENTER, false},
        {"digit", "", CMD_DIGIT_7, true},
        {"operation", "2\r3", CMD_ADD, true},
        {"Enter duplicating X", "3\r", CMD_ENTER, true},
        {"Backspace dropping the number", "5", CMD_BACKSPACE, true},
        {"code of no command", "5", 'a', true},
    };
    for (const Case& c : cases) {
        ResetEngineAndRecording();
        Type(c.keysBefore.c_str());
        ForgetRecording();
        EXPECT_EQ(calculator.Key(c.code), c.taken) << c.name;
        EXPECT_EQ(panelRecording.beeps + panelRecording.errors.size() == 0, c.taken) << c.name;
    }
}
