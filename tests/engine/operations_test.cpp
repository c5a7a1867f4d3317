// Operations, stack commands and the recovery from math errors.
#include <cfloat>
#include <cmath>
#include <string>

#include "engine_fixture.h"

using OperationsTest = EngineTest;
using Cues = std::vector<std::string>;
using Values = std::vector<double>;

namespace {

const std::string kOverflow = "error:" + std::to_string(IDS_OVERFLOW);
const std::string kNumerical = "error:" + std::to_string(IDS_NUMERICAL_ERROR);

}  // namespace

TEST_F(OperationsTest, ArithmeticResults)
{
    struct Case {
        Values stack;  // bottom first
        unsigned code;
        const char* shown;
        double x;
    } cases[] = {
        {{7, 3}, CMD_ADD, "10", 10},
        {{7, 3}, CMD_SUBTRACT, "4", 4},
        {{7, 3}, CMD_MULTIPLY, "21", 21},
        {{7, 2}, CMD_DIVIDE, "3.5", 3.5},
        {{1, 3}, CMD_DIVIDE, "0.333333333333", 1.0 / 3},
        {{2, 10}, CMD_POWER, "1024", 1024},
        {{5, 0}, CMD_POWER, "1", 1},
        {{0, 0}, CMD_POWER, "1", 1},
        {{-3, -0.0}, CMD_POWER, "1", 1},
        {{0, 3}, CMD_POWER, "0", 0},
        {{0, 0.5}, CMD_POWER, "0", 0},  // a zero base takes any positive exponent
        {{-2, 3}, CMD_POWER, "-8", -8},
        {{-2, -2}, CMD_POWER, "0.25", 0.25},
        {{16, 0.5}, CMD_POWER, "4", 4},
        {{2, -1022}, CMD_POWER, "2.22507385851e-308", DBL_MIN},
        {{4}, CMD_RECIPROCAL, "0.25", 0.25},
        {{4}, CMD_CHANGE_SIGN, "-4", -4},
        {{16}, CMD_SQRT, "4", 4},
        {{-0.0}, CMD_SQRT, "0", 0},
        {{3}, CMD_SQUARE, "9", 9},
        {{1e-200, 1e-200}, CMD_MULTIPLY, "0", 0},
        {{1e-300}, CMD_SQUARE, "0", 0},
        {{1e-300, 1e10}, CMD_DIVIDE, "1e-310", 1e-300 / 1e10},
    };
    for (const Case& c : cases) {
        ResetEngineAndRecording();
        for (double v : c.stack)
            Load({v});
        calculator.Key(c.code);
        const int operands = c.code == CMD_POWER || c.code < 48 ? 2 : 1;
        EXPECT_EQ(calculator.count, static_cast<int>(c.stack.size()) - operands + 1) << c.shown;
        EXPECT_EQ(Stack()[0], c.x) << c.shown;
        EXPECT_EQ(Line(0), c.shown);
        EXPECT_TRUE(panelRecording.errors.empty()) << c.shown;
        EXPECT_EQ(calculator.freshEntry, 1);
    }
}

TEST_F(OperationsTest, OperationCueComesFirstThenTheResultIsReadOut)
{
    soundEnabled = 1;
    Type("5\r3+");
    EXPECT_EQ(panelRecording.cues,
              (Cues{"5.wav", "enter.wav", "3.wav", "add.wav", "8.wav"}));

    ForgetRecording();
    Type("\r2/");
    EXPECT_EQ(panelRecording.cues, (Cues{"enter.wav", "2.wav", "div.wav", "4.wav"}));

    ForgetRecording();
    Keys({CMD_RECIPROCAL, CMD_SQUARE, CMD_SQRT, CMD_CHANGE_SIGN});
    EXPECT_EQ(panelRecording.cues,
              (Cues{"recip.wav", "0.wav", "point.wav", "2.wav", "5.wav",
                    "square.wav", "0.wav", "point.wav", "0.wav", "6.wav", "2.wav", "5.wav",
                    "sqrt.wav", "0.wav", "point.wav", "2.wav", "5.wav",
                    "ch_sgn.wav", "minus.wav", "0.wav", "point.wav", "2.wav", "5.wav"}));
    EXPECT_EQ(Line(0), "-0.25");
}

TEST_F(OperationsTest, StackCommands)
{
    soundEnabled = 1;
    Load({1, 2, 3});
    Keys({CMD_SWAP});
    EXPECT_EQ(Stack(), (Values{2, 3, 1}));
    EXPECT_EQ(Line(0), "2");
    EXPECT_EQ(Line(1), "3");
    EXPECT_EQ(panelRecording.cues, Cues{"swap.wav"}) << "swap reads nothing out";

    ForgetRecording();
    Keys({CMD_DROP});
    EXPECT_EQ(Stack(), (Values{3, 1}));
    EXPECT_EQ(Line(2), "");
    EXPECT_EQ(panelRecording.cues, Cues{"drop.wav"});

    ForgetRecording();
    Keys({CMD_CLEAR});
    EXPECT_EQ(calculator.count, 0);
    EXPECT_EQ(Line(0), "");
    EXPECT_EQ(Line(1), "");
    EXPECT_EQ(panelRecording.cues, Cues{"clear.wav"});
}

TEST_F(OperationsTest, CopyPlacesTheFormattedXAndEndsTheEntry)
{
    soundEnabled = 1;
    Load({1.0 / 3});
    Keys({CMD_COPY});
    Type("2.50");
    Keys({CMD_COPY});
    Type("7");
    EXPECT_EQ(panelRecording.copies, (Cues{"0.333333333333", "2.5"}));
    EXPECT_EQ(Stack(), (Values{7, 2.5, 1.0 / 3}));
    EXPECT_EQ(panelRecording.cues, (Cues{"2.wav", "point.wav", "5.wav", "0.wav", "7.wav"}));
}

TEST_F(OperationsTest, ChangeSignOfZeroStoresNegativeZeroThatCountsAsZero)
{
    Load({8});
    Type("0");
    Keys({CMD_CHANGE_SIGN});
    ASSERT_TRUE(std::signbit(Stack()[0]));
    EXPECT_EQ(Line(0), "0");
    Keys({CMD_POWER});
    EXPECT_EQ(Stack(), Values{1}) << "a zero exponent of either sign gives 1";

    Type("0");
    Keys({CMD_CHANGE_SIGN, CMD_DIVIDE, CMD_RECIPROCAL});
    EXPECT_EQ(panelRecording.errors, (std::vector<int>{IDS_DIVIDE_BY_ZERO, IDS_DIVIDE_BY_ZERO}));
}

TEST_F(OperationsTest, PowerErrorsAreClassifiedAndRestoreTheOperands)
{
    const double denormal = std::ldexp(1.0, -1074);
    struct Case {
        double y, x;
        std::string message;
    } cases[] = {
        {-8, 0.5, kNumerical},         // negative base, fractional exponent
        {-1e-300, 1e-300, kNumerical},
        {0, -1, kNumerical},           // zero to a negative power
        {-0.0, -3, kNumerical},
        {10, -400, kNumerical},        // underflow to zero
        {0.5, 1074, kNumerical},       // a subnormal result
        {2, -1023, kNumerical},
        {denormal, 2, kNumerical},     // underflow from a subnormal base
        {1e100, 4, kOverflow},         // beyond the double range
        {-1e100, 5, kOverflow},
        {1e-100, -4, kOverflow},
        {2, 600, kOverflow},           // finite, but beyond what is stored
        {2, 512, kOverflow},
        {-2, 513, kOverflow},
    };
    for (const Case& c : cases) {
        ResetEngineAndRecording();
        soundEnabled = 1;
        Load({42, c.y, c.x});
        calculator.Key(CMD_POWER);
        const std::string label = std::to_string(c.y) + " ^ " + std::to_string(c.x);
        EXPECT_EQ(panelRecording.events, (Cues{"cue:raise.wav", "cue:error.wav", c.message}))
            << label;
        EXPECT_EQ(Stack(), (Values{c.x, c.y, 42})) << label;
        EXPECT_EQ(pendingMathError, 0) << label;
        EXPECT_EQ(calculator.freshEntry, 1) << label;
    }
}

TEST_F(OperationsTest, RestoredOperandsAreShownFormatted)
{
    Load({1});
    Type("8");
    Keys({CMD_CHANGE_SIGN});
    Type("0.50");
    Keys({CMD_POWER});
    EXPECT_EQ(panelRecording.errors, std::vector<int>{IDS_NUMERICAL_ERROR});
    EXPECT_EQ(Stack(), (Values{0.5, -8, 1}));
    EXPECT_EQ(Line(0), "0.5");
    EXPECT_EQ(Line(1), "-8");
    EXPECT_EQ(Line(2), "1");
}

TEST_F(OperationsTest, ProductBeyondTheLimitRestoresBothOperands)
{
    Type("10\r100");
    Keys({CMD_POWER});
    EXPECT_EQ(Line(0), "1e+100");
    Type("\r*");
    EXPECT_EQ(panelRecording.errors, std::vector<int>{IDS_OVERFLOW});
    EXPECT_EQ(calculator.count, 2);
    EXPECT_EQ(Line(0), "1e+100");
    EXPECT_EQ(Line(1), "1e+100");
    EXPECT_EQ(Stack()[0], Stack()[1]);
}

TEST_F(OperationsTest, OverflowOfEveryArithmeticOperation)
{
    const double big = 1.2e154;
    struct Case {
        Values stack;
        unsigned code;
    } cases[] = {
        {{big, big}, CMD_ADD},
        {{-big, big}, CMD_SUBTRACT},
        {{1e100, 1e60}, CMD_MULTIPLY},
        {{1e100, 1e-60}, CMD_DIVIDE},
        {{1e150, 1e-200}, CMD_DIVIDE},  // infinite quotient
        {{1e-310}, CMD_RECIPROCAL},     // infinite reciprocal
        {{1e78}, CMD_SQUARE},
    };
    for (const Case& c : cases) {
        ResetEngineAndRecording();
        for (double v : c.stack)
            Load({v});
        const Values before = Stack();
        calculator.Key(c.code);
        EXPECT_EQ(panelRecording.errors, std::vector<int>{IDS_OVERFLOW}) << c.code;
        EXPECT_EQ(Stack(), before) << c.code;
    }
}
