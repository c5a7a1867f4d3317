// The display format of numbers and the reading of typed entries.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "calc_stack.h"
#include "format_reference.h"
#include "number_format.h"

namespace {

std::string Formatted(double value)
{
    char buffer[kNumberTextSize];
    std::memset(buffer, 'x', sizeof buffer);
    CalcStack::FormatValue(value, buffer);
    return buffer;
}

}  // namespace

TEST(FormatValue, ExactTexts)
{
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1, "1"},
        {-1, "-1"},
        {0.5, "0.5"},
        {-0.5, "-0.5"},
        {100, "100"},
        {123.456, "123.456"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333"},
        {2.0 / 3, "0.666666666667"},
        {-2.0 / 3, "-0.666666666667"},
        {0.0001, "0.0001"},
        {0.00015, "0.00015"},
        {0.00001, "1e-005"},
        {9.99999999999949e-5, "0.0001"},       // rounds up into fixed notation
        {0.00009999999999995, "9.99999999999e-005"},
        {1e11, "100000000000"},
        {123456789012.0, "123456789012"},
        {1e12, "1e+012"},
        {1e15, "1e+015"},
        {1e20, "1e+020"},
        {1e100, "1e+100"},
        {1.5e300, "1.5e+300"},
        {-1.5e-300, "-1.5e-300"},
        {1234567890123.0, "1.23456789012e+012"},
        {1234567890125.0, "1.23456789013e+012"},  // tie: away from zero
        {-1234567890125.0, "-1.23456789013e+012"},
        {12345678901.25, "12345678901.3"},          // tie
        {1234567890.125, "1234567890.13"},          // tie
        {0.000003814697265625, "3.81469726563e-006"},  // 2^-18, a tie
        {123456.7890125, "123456.789012"},  // looks like a tie, is below it
        {999999999999.5, "1e+012"},          // tie carried into a new digit
        {9999999999999.5, "1e+013"},
        {99999999999.95, "99999999999.9"},   // stored just below the tie
        {0.99999999999995, "1"},
        {1.99999999999996, "2"},             // carried into the first digit
        {-2.99999999999996, "-3"},
        {1.0000000000005, "1"},
        {123456789012345678.0, "1.23456789012e+017"},
        {1e154, "1e+154"},
        {1.3407807929942596e154, "1.34078079299e+154"},
        {DBL_MAX, "1.79769313486e+308"},
        {DBL_MIN, "2.22507385851e-308"},
        {1e-310, "1e-310"},
        {4.9406564584124654e-324, "4.94065645841e-324"},
        {3 * 4.9406564584124654e-324, "1.48219693752e-323"},
        // Never stored, but a text all the same.
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Formatted(c.value), c.text) << c.text;
}

TEST(ParseEntryText, ReadsWhatPercentLfWouldRead)
{
    struct Case {
        const char* text;
        int valid;
        double value;
    } cases[] = {
        {"0.", 1, 0},
        {"5", 1, 5},
        {"05", 1, 5},
        {"12.5", 1, 12.5},
        {"1.", 1, 1},
        {".5", 1, 0.5},
        {"123456789012345678901234567", 1, 123456789012345678901234567.0},
        {"0.1", 1, 0.1},
        {"1.05", 1, 1.05},  // every digit counts after the point, 0 and 9 too
        {"1.9", 1, 1.9},
        {"90.09", 1, 90.09},
        {"", 0, 0},
        {".", 0, 0},
        {"..", 0, 0},
        // Text another program put there: white space, signs, exponents, partial reads.
        {" \t\n\v\f\r5", 1, 5}, {"+.5", 1, 0.5}, {"-0", 1, -0.0}, {"- 5", 0, 0}, {"+-5", 0, 0},
        {"1e5", 1, 1e5}, {"-1E+5", 1, -1e5}, {"1.e-2", 1, 0.01}, {"e5", 0, 0}, {".e5", 0, 0},
        {"1.2.", 0, 0}, {"5abc", 0, 0}, {"5 ", 0, 0}, {"1e", 0, 0}, {"1e+", 0, 0}, {"0x10", 0, 0},
        // inf and nan, the push limit, overflow, underflow to a subnormal or to zero.
        {"inf", 0, 0}, {"-nan", 0, 0}, {"1e154", 1, 1e154}, {"-1.3407807929942596e154", 0, 0},
        {"1e308", 0, 0}, {"-1e400", 0, 0}, {"1e-310", 1, 1e-310}, {"2.4e-324", 1, 0},
        {"2.5e-324", 1, 4.9406564584124654e-324}, {"-1e-400", 1, -0.0}, {"0.001e-99999999", 1, 0},
    };
    for (const Case& c : cases) {
        double value = -1;
        EXPECT_EQ(ParseEntryText(c.text, value), c.valid) << '"' << c.text << '"';
        EXPECT_EQ(value, c.valid ? c.value : -1) << '"' << c.text << '"';
        EXPECT_EQ(std::signbit(value), std::signbit(c.valid ? c.value : -1)) << '"' << c.text << '"';
    }
}

// The reference must itself be exact, or the comparison below proves
// nothing: a runtime that pads after 17 digits would fail here.
TEST(FormatReference, RuntimePrintfIsExact)
{
    EXPECT_EQ(ExactPrintf("%.30e", 0.1), "1.000000000000000055511151231258e-01");
    EXPECT_EQ(ExactPrintf("%.60e", std::ldexp(1.0, -1074)),
              "4.940656458412465441765687928682213723650598026143247644255857e-324");
    EXPECT_EQ(ExactPrintf("%.25e", std::ldexp(1.0, 100)), "1.2676506002282294014967032e+30");
    EXPECT_TRUE(IsTieAtThirteenthDigit(1234567890125.0));
    EXPECT_TRUE(IsTieAtThirteenthDigit(std::ldexp(1.0, -18)));
    EXPECT_FALSE(IsTieAtThirteenthDigit(99999999999.95));
    EXPECT_FALSE(IsTieAtThirteenthDigit(1234567890123.0));
}

namespace {

double FromBits(uint64_t bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A random odd M with M * 5^k exactly 13 digits long: M / 2^k has the
// exact decimal expansion M * 5^k * 10^-k, which ends in a 5 at the 13th
// significant digit.
double RandomTie(std::mt19937_64& random)
{
    int k = static_cast<int>(random() % 19);  // 5^18 still has 13 digits
    uint64_t power = 1;
    for (int i = 0; i < k; ++i)
        power *= 5;
    uint64_t low = (1000000000000ull + power - 1) / power;
    uint64_t high = (10000000000000ull - 1) / power;
    for (;;) {
        uint64_t m = low + random() % (high - low + 1);
        if (k == 0)
            m = m / 10 * 10 + 5;  // an integer tie ends in 5 itself
        if (m % 2 == 1 && m * power >= 1000000000000ull && m * power < 10000000000000ull) {
            double tie = std::ldexp(static_cast<double>(m), -k);
            return random() % 2 ? -tie : tie;
        }
    }
}

}  // namespace

TEST(FormatValue, AgreesWithTheReferenceOnManyValues)
{
    std::mt19937_64 random(20240601);
    std::uniform_real_distribution<double> unit(0, 1);
    int checked = 0, ties = 0, mismatches = 0;
    auto check = [&](double v) {
        if (!std::isfinite(v))
            return;
        ++checked;
        if (IsTieAtThirteenthDigit(v))
            ++ties;
        std::string expected = ReferenceFormat(v);
        std::string actual = Formatted(v);
        if (actual != expected && ++mismatches <= 20)
            ADD_FAILURE() << ExactPrintf("%.17g", v) << ": got " << actual << ", expected "
                          << expected;
    };

    for (int i = 0; i < 70000; ++i)  // every magnitude, both signs
        check(FromBits(random()));
    for (int i = 0; i < 20000; ++i)  // subnormals
        check(FromBits(random() & 0x800FFFFFFFFFFFFFull));
    for (int i = 0; i < 40000; ++i)  // typed-looking decimals of 1 to 17 digits
        check(std::strtod((std::to_string(random() % 100000000000000000ull) +
                                                "e" + std::to_string(int(random() % 80) - 40))
                                                   .c_str(),
                                               nullptr));
    for (int i = 0; i < 40000; ++i)  // exact ties of the 13th digit
        check(RandomTie(random));
    for (int i = 0; i < 20000; ++i) {  // both sides of the rounding boundaries
        double boundary = (i % 2 ? 9.9999999999995 : 1.0) * std::pow(10.0, int(random() % 620) - 310);
        double step = boundary;
        for (int s = 0; s < 3; ++s)
            step = std::nextafter(step, random() % 2 ? 0.0 : DBL_MAX);
        check(step);
    }
    for (int i = 0; i < 20000; ++i)  // the range people mostly see
        check(std::pow(10.0, -6 + 20 * unit(random)));

    EXPECT_GE(checked, 200000);
    EXPECT_GE(ties, 40000) << "the tie rule was not exercised";
    EXPECT_EQ(mismatches, 0);
}
