#include "format_reference.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

// mingw's own printf converts exactly; the Microsoft runtime's does not.
#ifdef _WIN32
#define EXACT_SNPRINTF __mingw_snprintf
#else
#define EXACT_SNPRINTF std::snprintf
#endif

// The significant digits of a "%.Ne" text, sign, point and exponent left out.
std::string MantissaDigits(const std::string& scientific)
{
    std::string digits;
    for (char c : scientific) {
        if (c == 'e' || c == 'E')
            break;
        if (c >= '0' && c <= '9')
            digits += c;
    }
    return digits;
}

bool DigitsAreTie(const std::string& digits)
{
    return digits.size() > 12 && digits[12] == '5' &&
           digits.find_first_not_of('0', 13) == std::string::npos;
}

// "1e+20" and "1e-5" become "1e+020" and "1e-005".
std::string WithThreeDigitExponent(const std::string& text)
{
    std::string::size_type e = text.find('e');
    if (e == std::string::npos)
        return text;
    std::string magnitude = text.substr(e + 2);
    while (magnitude.size() < 3)
        magnitude = "0" + magnitude;
    return text.substr(0, e + 2) + magnitude;
}

}  // namespace

std::string ExactPrintf(const char* format, double value)
{
    char buffer[1200];
    EXACT_SNPRINTF(buffer, sizeof buffer, format, value);
    return buffer;
}

bool IsTieAtThirteenthDigit(double v)
{
    // 40 digits settle almost every case; a candidate tie is confirmed
    // with all the digits (at most 767 are significant).
    if (!DigitsAreTie(MantissaDigits(ExactPrintf("%.40e", v))))
        return false;
    return DigitsAreTie(MantissaDigits(ExactPrintf("%.800e", v)));
}

std::string ReferenceFormat(double v)
{
    if (v == 0)
        return "0";
    // A tie sits half a unit of the 12th digit away from its neighbours,
    // far more than one ulp (ties only occur among normal doubles), so the
    // next double outwards rounds the way half-up wants.
    double shown = v;
    if (IsTieAtThirteenthDigit(v))
        shown = std::nextafter(v, v < 0 ? -std::numeric_limits<double>::infinity()
                                         : std::numeric_limits<double>::infinity());
    return WithThreeDigitExponent(ExactPrintf("%.12g", shown));
}
