#include "math_errors.h"

#include <cfloat>
#include <cmath>

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
    double result = std::pow(y, x);
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
