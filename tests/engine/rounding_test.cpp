// Every result is rounded once, to a double, as on an SSE2 processor. An
// x87 unit at 64-bit precision (where MinGW's 32-bit start-up leaves it)
// rounds to 64 bits first and again when the result is stored, which puts
// each of these results one unit in the last place off.
#include <ios>
#include <vector>

#include "engine_fixture.h"

using RoundingTest = EngineTest;

TEST_F(RoundingTest, ResultsAreRoundedOnceToADouble)
{
    struct Case {
        std::vector<double> stack;  // bottom first
        unsigned code;
        double x;
    } cases[] = {
        {{0.817, 1130000}, CMD_MULTIPLY, 0x1.c2c93ffffffffp+19},  // twice: 923210
        {{12075.3, 56775.8}, CMD_DIVIDE, 0x1.b393a138ba2e3p-3},
        {{1622000}, CMD_RECIPROCAL, 0x1.4afe3ffede619p-21},
        {{150180}, CMD_SQRT, 0x1.8387d84829661p+8},
        {{690.9}, CMD_SQUARE, 0x1.d227b3d70a3d7p+18},
        // The runtime's pow multiplies too, on the x87 in the 32-bit build.
        {{690.9, 2}, CMD_POWER, 0x1.d227b3d70a3d7p+18},
    };
    for (const Case& c : cases) {
        ResetEngineAndRecording();
        for (double v : c.stack)
            Load({v});
        calculator.Key(c.code);
        ASSERT_EQ(calculator.count, 1) << c.code;
        EXPECT_EQ(Stack()[0], c.x) << "command " << c.code << " on " << c.stack[0] << ": got "
                                   << std::hexfloat << Stack()[0] << ", expected " << c.x;
    }
}

// One unit in the last place is enough to change the digits shown.
TEST_F(RoundingTest, TheDifferenceShows)
{
    Type("0.817\r1130000*923210-");
    EXPECT_EQ(Line(0), "-1.16415321827e-010");
}
