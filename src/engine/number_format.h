// The text form of numbers: the display format of stored values and the
// reading of a typed entry. Neither depends on the C library's locale or on
// which C runtime the program is linked with.
#ifndef TORVA_ENGINE_NUMBER_FORMAT_H
#define TORVA_ENGINE_NUMBER_FORMAT_H

// Writes value as "%.12lg" would with a three-digit exponent: 12 significant
// digits rounded half-up from the exact decimal value of the double, fixed
// notation for decimal exponents -4 to 11, trailing zeros dropped, "-0"
// shown as 0. buffer must hold at least 24 bytes.
void FormatNumber(double value, char* buffer);

// Reads a typed entry (digits and at most one point) the way "%lf" would:
// the leading number is converted; at least one digit is required. Returns
// 1 and sets value when the text holds a number, else 0.
int ParseEntryText(const char* text, double& value);

#endif
