// Math errors of the operations, classified the same way on every C
// runtime: the operands and results are examined here instead of relying
// on a runtime's error hook, errno or floating-point status.
#ifndef TORVA_ENGINE_MATH_ERRORS_H
#define TORVA_ENGINE_MATH_ERRORS_H

// Values of pendingMathError.
const int kNoMathError = 0;
const int kOverflowError = 1;
const int kNumericalError = 2;

// pow(y, x) for x != 0. On a math error sets pendingMathError (overflow,
// or numerical error for underflow, a negative base with a fractional
// exponent, zero to a negative power) and returns 0 instead.
double CheckedPow(double y, double x);

// sqrt(x); a negative x is a numerical error with result 0. (Negative
// arguments are refused before they get here.)
double CheckedSqrt(double x);

// The error a pushed value raises: overflow when its magnitude reaches
// sqrt(DBL_MAX) (the largest double below 2^512; infinities included),
// a numerical error for NaN, else none.
int StoredRangeError(double value);

#endif
