#pragma once

// The loader's two conversions of a NUL-terminated field. Both read whole 8-byte words,
// so at least `numberPadding` bytes past the field's NUL must be readable.
constexpr int numberPadding = 8;

// As strtod reads a decimal number: leading white space, sign, digits with an optional
// point, an exponent marked e, E, d or D; the longest such prefix, correctly rounded; no
// hexadecimal, inf or nan; 0 when there is no number.
double parseDecimal(const char* text);

// A coordinate: the decimal number rounded to double, then narrowed to float.
inline float parseCoordinate(const char* text) { return static_cast<float>(parseDecimal(text)); }

// As strtol reads base 10 (white space, sign, digits), clamped to the 32-bit range; 0
// when there are no digits.
int parseIndex(const char* text);
