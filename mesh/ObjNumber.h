#pragma once

// The reference reader's conversions of a NUL-terminated field, as the C library reads
// numbers but without its locale, hexadecimal, inf or nan.

// As strtod reads a decimal number: leading white space, sign, digits with an optional
// point, an exponent marked e, E, d or D; the longest such prefix, correctly rounded; 0
// when there is no number.
double parseDecimal(const char* text);

// A coordinate: the decimal number rounded to double, then narrowed to float.
inline float parseCoordinate(const char* text) { return static_cast<float>(parseDecimal(text)); }

// As strtol reads base 10 (white space, sign, digits), clamped to the 32-bit range; 0
// when there are no digits.
int parseIndex(const char* text);
