// An independent reference for the display format, built on the C
// runtime's own exact printf (glibc natively, mingw's when cross-built)
// and sharing no code with the engine.
#ifndef TORVA_TESTS_FORMAT_REFERENCE_H
#define TORVA_TESTS_FORMAT_REFERENCE_H

#include <string>

// printf into a std::string with the runtime's exact conversion.
std::string ExactPrintf(const char* format, double value);

// True when the exact decimal value of v has a 5 as its 13th significant
// digit and nothing after it: the cases where half-up and the runtime's
// round-half-even differ.
bool IsTieAtThirteenthDigit(double v);

// v as the display shows it: "%.12g" with ties rounded away from zero, a
// three-digit exponent and negative zero without its sign.
std::string ReferenceFormat(double v);

#endif
