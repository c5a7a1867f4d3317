#include "math_errors.h"

#include <cfloat>
#include <cmath>
#if defined(_WIN32) && defined(__i386__)
#include <float.h>
#endif

#include "calc_stack.h"

namespace {

bool IsInteger(double x) { return std::trunc(x) == x; }

// Operands that pow must not be given: a negative base with a fractional
// exponent (domain error) and zero to a negative power (singularity).
int PowOperandError(double y, double x)
{
    if (y < 0 && !IsInteger(x))
        return kNumericalError;
    if (y == 0 && x < 0)
        return kNumericalError;
    return kNoMathError;
}

// Errors seen in the result of pow(y, x) with finite operands.
int PowResultError(double y, double result)
{
    if (std::isnan(result))
        return kNumericalError;
    if (std::isinf(result))
        return kOverflowError;
    if (y != 0 && std::fabs(result) < DBL_MIN)
        return kNumericalError;  // underflow to zero or to a subnormal
    return kNoMathError;
}

#if defined(_WIN32) && defined(__i386__)
// The 32-bit MinGW runtime starts the x87 unit at 64-bit precision, and its
// pow raises to an integer power by multiplying doubles on the x87, which
// then rounds every product to 64 bits instead of a double's 53 as the
// 64-bit runtime's SSE2 multiplications do: such powers came out a few units
// in the last place apart from the 64-bit build's, now and then in the
// digits shown. At 53-bit precision the x87 rounds those products as SSE2
// does. Other exponents take the runtime's long double path, which runs at
// 64 bits in both builds and so stays at the precision the process has.
double RuntimePow(double y, double x)
{
    if (!IsInteger(x))
        return std::pow(y, x);
    const unsigned int saved = _controlfp(0, 0);
    _controlfp(_PC_53, _MCW_PC);
    const double result = std::pow(y, x);
    _controlfp(saved, _MCW_PC);
    return result;
}
#else
double RuntimePow(double y, double x) { return std::pow(y, x); }
#endif

double Failed(int error)
{
    pendingMathError = error;
    return 0;
}

}  // namespace

double CheckedPow(double y, double x)
{
    // Invalid operands never reach pow, so no runtime gets to report them
    // in its own way.
    int error = PowOperandError(y, x);
    if (error)
        return Failed(error);
    double result = RuntimePow(y, x);
    error = PowResultError(y, result);
    return error ? Failed(error) : result;
}

double CheckedSqrt(double x)
{
    if (x < 0 || std::isnan(x))
        return Failed(kNumericalError);
    return std::sqrt(x);
}

int StoredRangeError(double value)
{
    if (std::isnan(value))
        return kNumericalError;
    const double limit = std::sqrt(DBL_MAX);
    return std::fabs(value) >= limit ? kOverflowError : kNoMathError;
}
