#include "number_format.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "calc_stack.h"
#include "math_errors.h"
#include "panel.h"

namespace {

const int kSignificantDigits = 12;
// One digit beyond the shown ones decides the rounding: 5 to 9 round up,
// which is half-up with ties away from zero.
const int kDigitsKept = kSignificantDigits + 1;

// An exact unsigned integer in base 10^9, least significant limb first.
// The largest number needed is the 53-bit mantissa of the smallest
// subnormal times 5^1074, about 767 decimal digits.
const uint32_t kLimbBase = 1000000000u;
const int kLimbDigits = 9;
const int kMaxLimbs = 88;

struct DecimalInteger {
    uint32_t limbs[kMaxLimbs];
    int size;
};

void SetValue(DecimalInteger& n, uint64_t value)
{
    n.size = 0;
    do {
        n.limbs[n.size++] = static_cast<uint32_t>(value % kLimbBase);
        value /= kLimbBase;
    } while (value != 0);
}

// factor < 2^32, so limb * factor + carry stays below 2^63.
void Multiply(DecimalInteger& n, uint32_t factor)
{
    uint64_t carry = 0;
    for (int i = 0; i < n.size; ++i) {
        uint64_t product = static_cast<uint64_t>(n.limbs[i]) * factor + carry;
        n.limbs[i] = static_cast<uint32_t>(product % kLimbBase);
        carry = product / kLimbBase;
    }
    while (carry != 0) {
        n.limbs[n.size++] = static_cast<uint32_t>(carry % kLimbBase);
        carry /= kLimbBase;
    }
}

// Multiplies n by base^exponent, using the largest power of base below
// 2^32 as the step.
void MultiplyByPower(DecimalInteger& n, uint32_t base, int exponent)
{
    uint32_t step = 1;
    int stepExponent = 0;
    while (step <= UINT32_MAX / base) {
        step *= base;
        ++stepExponent;
    }
    for (; exponent >= stepExponent; exponent -= stepExponent)
        Multiply(n, step);
    uint32_t rest = 1;
    for (; exponent > 0; --exponent)
        rest *= base;
    if (rest != 1)
        Multiply(n, rest);
}

int DigitCount(uint32_t limb)
{
    int digits = 1;
    while (limb >= 10) {
        limb /= 10;
        ++digits;
    }
    return digits;
}

// The leading decimal digits of the exact value m * 2^e (m > 0), truncated
// to kDigitsKept characters and padded with zeros. Returns the decimal
// exponent of the first digit.
int LeadingDigits(uint64_t m, int e, char* digits)
{
    // Odd m keeps the exact products as small as possible.
    while ((m & 1) == 0) {
        m >>= 1;
        ++e;
    }
    // m * 2^e is m * 2^e exactly for e >= 0, and m * 5^-e / 10^-e for e < 0.
    DecimalInteger n;
    SetValue(n, m);
    int fractionDigits = 0;
    if (e > 0) {
        MultiplyByPower(n, 2, e);
    } else if (e < 0) {
        MultiplyByPower(n, 5, -e);
        fractionDigits = -e;
    }

    int produced = 0;
    for (int i = n.size - 1; i >= 0 && produced < kDigitsKept; --i) {
        char limbText[kLimbDigits];
        uint32_t limb = n.limbs[i];
        int width = (i == n.size - 1) ? DigitCount(limb) : kLimbDigits;
        for (int k = width - 1; k >= 0; --k) {
            limbText[k] = static_cast<char>('0' + limb % 10);
            limb /= 10;
        }
        for (int k = 0; k < width && produced < kDigitsKept; ++k)
            // cppcheck-suppress uninitvar ; the loop above has written limbText[0] to [width - 1]
            digits[produced++] = limbText[k];
    }
    while (produced < kDigitsKept)
        digits[produced++] = '0';

    int totalDigits = DigitCount(n.limbs[n.size - 1]) + kLimbDigits * (n.size - 1);
    return totalDigits - 1 - fractionDigits;
}

// Rounds the kDigitsKept digits to kSignificantDigits, half-up. Returns 1
// when the carry ran out of the first digit (999...95 became 1000...0).
int RoundDigits(char* digits)
{
    if (digits[kSignificantDigits] < '5')
        return 0;
    for (int i = kSignificantDigits - 1; i >= 0; --i) {
        if (digits[i] != '9') {
            ++digits[i];
            return 0;
        }
        digits[i] = '0';
    }
    digits[0] = '1';
    return 1;
}

char* WriteFixed(char* out, const char* digits, int count, int exponent)
{
    if (exponent < 0) {
        *out++ = '0';
        *out++ = '.';
        for (int i = -1; i > exponent; --i)
            *out++ = '0';
        std::memcpy(out, digits, count);
        return out + count;
    }
    int integerDigits = exponent + 1;
    for (int i = 0; i < integerDigits; ++i)
        *out++ = i < count ? digits[i] : '0';
    if (count > integerDigits) {
        *out++ = '.';
        std::memcpy(out, digits + integerDigits, count - integerDigits);
        out += count - integerDigits;
    }
    return out;
}

char* WriteScientific(char* out, const char* digits, int count, int exponent)
{
    *out++ = digits[0];
    if (count > 1) {
        *out++ = '.';
        std::memcpy(out, digits + 1, count - 1);
        out += count - 1;
    }
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    int magnitude = exponent < 0 ? -exponent : exponent;  // at most 324
    *out++ = static_cast<char>('0' + magnitude / 100);
    *out++ = static_cast<char>('0' + magnitude / 10 % 10);
    *out++ = static_cast<char>('0' + magnitude % 10);
    return out;
}

// The white space "%lf" skips before a number.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The longest text line X can hand back. A longer entry would be read back
// cut short the next time and silently lose its last digit. Its digits
// alone lie between 1e-80 and 1e80, so beyond the range of a double a '-'
// after the first character (the exponent's) means an underflow.
const std::size_t kMaxEntryLength = kEntryTextLimit - 1;

}  // namespace

void FormatNumber(double value, char* buffer)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const int biasedExponent = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);

    char* out = buffer;
    if (biasedExponent == 0x7FF) {  // never stored; shown plainly all the same
        std::strcpy(out, fraction ? "nan" : negative ? "-inf" : "inf");
        return;
    }
    if (biasedExponent == 0 && fraction == 0) {  // both zeros show 0
        std::strcpy(out, "0");
        return;
    }
    if (negative)
        *out++ = '-';

    // value = m * 2^e exactly.
    uint64_t m = fraction;
    int e = -1074;
    if (biasedExponent != 0) {
        m |= uint64_t(1) << 52;
        e = biasedExponent - 1075;
    }

    char digits[kDigitsKept];
    int exponent = LeadingDigits(m, e, digits);
    exponent += RoundDigits(digits);
    int count = kSignificantDigits;
    while (count > 1 && digits[count - 1] == '0')
        --count;

    if (exponent >= -4 && exponent < kSignificantDigits)
        out = WriteFixed(out, digits, count, exponent);
    else
        out = WriteScientific(out, digits, count, exponent);
    *out = '\0';
}

int ParseEntryText(const char* text, double& value)
{
    const std::size_t length = std::strlen(text);
    if (length > kMaxEntryLength)
        return 0;
    const char* p = text;
    while (IsSpace(*p))
        ++p;
    if (*p == '+' && p[1] != '-')
        ++p;  // from_chars takes a '-' but no '+'
    double parsed = 0;
    const std::from_chars_result result = std::from_chars(p, text + length, parsed);
    // Text after the number ("5abc", "1e", "0x1") would be left unread:
    // line X would show what X does not hold.
    if (result.ptr != text + length)
        return 0;
    if (result.ec == std::errc::result_out_of_range && std::strchr(p + 1, '-'))
        parsed = *p == '-' ? -0.0 : 0.0;  // below half the smallest subnormal
    else if (result.ec != std::errc())
        return 0;
    // A typed number is stored without the range test of a push; inf and
    // nan, which from_chars reads too, fail it.
    if (StoredRangeError(parsed) != kNoMathError)
        return 0;
    value = parsed;
    return 1;
}

void CalcStack::FormatValue(double value, char* buffer)
{
    FormatNumber(value, buffer);
}
