// The operand stack primitives and the display lines.
#include <cfloat>
#include <cmath>
#include <limits>

#include "engine_fixture.h"

using StackTest = EngineTest;
using Cues = std::vector<std::string>;

TEST_F(StackTest, PushShowsGivenTextOrFormattedValueAndBlankHigherLines)
{
    int errorFlag = 0;
    calculator.Push("", 1.0 / 3, errorFlag, 0);
    calculator.Push("0.50", 0.5, errorFlag, 0);
    EXPECT_EQ(errorFlag, 0);
    EXPECT_EQ(Line(0), "0.50");
    EXPECT_EQ(Line(1), "0.333333333333");
    EXPECT_EQ(Line(2), "");
    EXPECT_EQ(Line(3), "");
    EXPECT_EQ(Stack(), (std::vector<double>{0.5, 1.0 / 3}));
}

TEST_F(StackTest, PopFormatsEveryLineAndLeavesOutAloneWhenEmpty)
{
    int errorFlag = 0;
    calculator.Push("", 2, errorFlag, 0);
    calculator.Push("1.", 1, errorFlag, 0);
    calculator.Push("3.0", 3, errorFlag, 0);
    double out = 0;
    calculator.Pop(out);
    EXPECT_EQ(out, 3);
    EXPECT_EQ(Line(0), "1");
    EXPECT_EQ(Line(1), "2");
    EXPECT_EQ(Line(2), "");

    calculator.Pop(out);
    calculator.Pop(out);
    out = 42;
    calculator.Pop(out);
    EXPECT_EQ(out, 42);
    EXPECT_EQ(calculator.count, 0);
    EXPECT_EQ(calculator.top, kStackCapacity);
    EXPECT_EQ(Line(0), "");
}

TEST_F(StackTest, HoldsExactly1024Values)
{
    soundEnabled = 1;
    int errorFlag = 0;
    for (int i = 0; i < kStackCapacity; ++i)
        calculator.Push("", i, errorFlag, 0);
    EXPECT_EQ(calculator.count, kStackCapacity);
    EXPECT_EQ(calculator.top, 0);
    EXPECT_TRUE(panelRecording.errors.empty());

    calculator.Push("", 5000, errorFlag, 1);
    EXPECT_EQ(errorFlag, 0) << "a full stack is not a math error";
    EXPECT_EQ(calculator.count, kStackCapacity);
    EXPECT_EQ(calculator.slots[0], 1023);
    EXPECT_EQ(Line(0), "1023");
    EXPECT_EQ(panelRecording.events,
              (Cues{"cue:error.wav", "error:" + std::to_string(IDS_STACK_FULL)}));
}

TEST_F(StackTest, MagnitudeLimitIsTheLargestDoubleBelow2To512)
{
    const double limit = std::ldexp(1.0, 512) * (1 - DBL_EPSILON / 2);
    ASSERT_EQ(limit, 1.3407807929942596e154);
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double value;
        int error;
    } cases[] = {
        {1e154, 0},
        {-1e154, 0},
        {std::nextafter(limit, 0.0), 0},
        {limit, 1},
        {-limit, 1},
        {1.5e154, 1},
        {-1.5e154, 1},
        {inf, 1},
        {-inf, 1},
        {std::numeric_limits<double>::quiet_NaN(), 2},
    };
    for (const Case& c : cases) {
        ResetEngineAndRecording();
        int errorFlag = 0;
        calculator.Push("", c.value, errorFlag, 0);
        EXPECT_EQ(pendingMathError, c.error) << c.value;
        EXPECT_EQ(errorFlag, c.error ? 1 : 0) << c.value;
        EXPECT_EQ(calculator.count, c.error ? 0 : 1) << c.value;
        EXPECT_TRUE(panelRecording.errors.empty()) << "the operation reports, not Push";
    }
}

TEST_F(StackTest, PendingMathErrorBlocksEveryPush)
{
    pendingMathError = 2;
    int errorFlag = 0;
    calculator.Push("", 1, errorFlag, 1);
    EXPECT_EQ(errorFlag, 1);
    EXPECT_EQ(calculator.count, 0);
    EXPECT_EQ(Line(0), "");
    EXPECT_EQ(pendingMathError, 2);
}

TEST_F(StackTest, ReadOutSpeaksEachCharacterOfTheShownText)
{
    soundEnabled = 1;
    int errorFlag = 0;
    calculator.Push("", -0.5, errorFlag, 1);
    EXPECT_EQ(panelRecording.cues, (Cues{"minus.wav", "0.wav", "point.wav", "5.wav"}));

    panelRecording.cues.clear();
    calculator.Push("", -1e-20, errorFlag, 1);
    EXPECT_EQ(Line(0), "-1e-020");
    EXPECT_EQ(panelRecording.cues,
              (Cues{"minus.wav", "1.wav", "e.wav", "minus.wav", "0.wav", "2.wav", "0.wav"}));

    panelRecording.cues.clear();
    calculator.Push("", 1e20, errorFlag, 1);
    EXPECT_EQ(panelRecording.cues,
              (Cues{"1.wav", "e.wav", "plus.wav", "0.wav", "2.wav", "0.wav"}));

    panelRecording.cues.clear();
    calculator.Push("", 1234567890, errorFlag, 1);
    EXPECT_EQ(panelRecording.cues, (Cues{"1.wav", "2.wav", "3.wav", "4.wav", "5.wav", "6.wav",
                                         "7.wav", "8.wav", "9.wav", "0.wav"}));

    panelRecording.cues.clear();
    calculator.Push("", 7, errorFlag, 0);
    EXPECT_TRUE(panelRecording.cues.empty()) << "speak not set";
    soundEnabled = 0;
    calculator.Push("", 8, errorFlag, 1);
    EXPECT_TRUE(panelRecording.cues.empty()) << "sound off";
}

TEST_F(StackTest, ReplaceTopChangesOnlyXAndItsLine)
{
    calculator.ReplaceTop("5", 5);
    EXPECT_EQ(calculator.count, 0);
    EXPECT_EQ(Line(0), "");

    Load({1, 2});
    calculator.ReplaceTop("2.5", 2.5);
    EXPECT_EQ(Stack(), (std::vector<double>{2.5, 1}));
    EXPECT_EQ(Line(0), "2.5");
    EXPECT_EQ(Line(1), "1");
}
