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

// Reads an entry text, which another program may have put into line X, as
// "%lf" reads a decimal number: white space, a sign, digits with at most
// one point (one digit at least), an exponent ('e' or 'E', a sign, digits).
// Returns 1 and sets value only when the whole text is one such number
// within the push limit, in no more characters than line X gives back (80);
// a number below the smallest subnormal reads as zero with its sign. Text
// after the number ("5abc", "1e"), hexadecimal, inf and nan texts, values
// at or beyond the limit and longer texts give 0, so that X always holds
// what line X shows.
int ParseEntryText(const char* text, double& value);

#endif
