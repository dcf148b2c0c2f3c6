#pragma once

#include <cstdint>
#include <cstring>

// The loader's two conversions of a NUL-terminated field, inline because they run for
// every field. Both read whole 8-byte words, so at least `numberPadding` bytes past the
// field's NUL must be readable.
constexpr int numberPadding = 8;

namespace objnumber {
inline bool isWhite(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }  // as strtod's
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Up to 10^22 every power of ten is exact in a double, and so is any integer below 2^53:
// one multiplication or division of the two is then correctly rounded.
constexpr int exactPowers = 22;
constexpr double powersOfTen[exactPowers + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr long exponentLimit = 100000000;  // exponents saturate here, far beyond any double

// Eight characters at once: the digits at the front of a word, found and valued without
// a branch per character.
constexpr int wordBytes = 8;
constexpr std::uint64_t eachByte(unsigned char b) { return b * 0x0101010101010101u; }
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the first character is the lowest byte");
constexpr std::uint64_t integerPowersOfTen[wordBytes] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

inline std::uint64_t loadWord(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, wordBytes);
    return w;
}

// How many of the word's first characters are digits, 0 to 8. With '0' taken off by xor,
// a digit is a byte below 10, and adding 0x76 sets the high bit of every other byte (or
// it is set already). A digit never carries, so the first non-digit is marked exactly;
// what comes after it cannot change the answer.
inline int digitRun(std::uint64_t w) {
    const std::uint64_t x = w ^ eachByte('0');
    const std::uint64_t other = ((x + eachByte(0x76)) | x) & eachByte(0x80);
    return other == 0 ? wordBytes : __builtin_ctzll(other) / 8;
}

// The value of the word's first n (0 to 8) characters, all digits.
inline std::uint64_t digitsValue(std::uint64_t w, int n) {
    // The digits moved to the top of the word behind zero bytes (leading zeros); two
    // shifts so that n == 0 shifts by 64 without undefined behaviour.
    const int drop = 4 * (wordBytes - n);
    w = (w << drop) << drop;
    // Digit values (the low nibble of '0' to '9'), then pairs, fours and all eight combined.
    w = ((w & eachByte(0x0F)) * (1 + (10 << 8))) >> 8;
    w = ((w & 0x00FF00FF00FF00FFu) * (1 + (100 << 16))) >> 16;
    return ((w & 0x0000FFFF0000FFFFu) * (1 + (std::uint64_t{10000} << 32))) >> 32;
}

inline double withSign(double v, bool negative) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits ^= static_cast<std::uint64_t>(negative) << 63;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// The exponent that starts at `s`: e, E, d or D, an optional sign and at least one digit;
// 0 when there is none (a marker without digits is not an exponent).
inline long exponentAt(const char* s) {
    if (*s != 'e' && *s != 'E' && *s != 'd' && *s != 'D') return 0;
    const char* t = s + 1;
    const bool negative = *t == '-';
    if (*t == '+' || *t == '-') ++t;
    long exponent = 0;
    for (; isDigit(*t); ++t)
        if (exponent < exponentLimit) exponent = exponent * 10 + (*t - '0');
    return negative ? -exponent : exponent;
}

double parseDecimalSlow(const char* text);
int parseIndexSlow(const char* text);
}  // namespace objnumber

// As strtod reads a decimal number: leading white space, sign, digits with an optional
// point, an exponent marked e, E, d or D; the longest such prefix, correctly rounded; no
// hexadecimal, inf or nan; 0 when there is no number.
inline double parseDecimal(const char* text) {
    using namespace objnumber;
    const char* s = text;
    while (isWhite(*s)) ++s;
    const bool negative = *s == '-';
    s += (*s == '-') | (*s == '+');
    std::uint64_t w = loadWord(s);
    const int whole = digitRun(w);
    if (whole == wordBytes) return parseDecimalSlow(text);
    std::uint64_t mantissa = digitsValue(w, whole);  // with the fraction, below 10^14: exact
    s += whole;
    int fraction = 0;
    if (*s == '.') {
        w = loadWord(++s);
        fraction = digitRun(w);
        if (fraction == wordBytes) return parseDecimalSlow(text);
        mantissa = mantissa * integerPowersOfTen[fraction] + digitsValue(w, fraction);
        s += fraction;
    }
    if (whole + fraction == 0) return 0.0;
    long scale = -fraction;
    scale += exponentAt(s);
    if (scale < -exactPowers || scale > exactPowers) return parseDecimalSlow(text);
    const double m = static_cast<double>(static_cast<std::int64_t>(mantissa));  // below 2^53: signed converts in one step
    return withSign(scale < 0 ? m / powersOfTen[-scale] : m * powersOfTen[scale], negative);
}

// A coordinate: the decimal number rounded to double, then narrowed to float.
inline float parseCoordinate(const char* text) { return static_cast<float>(parseDecimal(text)); }

// As strtol reads base 10 (white space, sign, digits), clamped to the 32-bit range; 0
// when there are no digits.
inline int parseIndex(const char* text) {
    using namespace objnumber;
    const char* s = text;
    while (isWhite(*s)) ++s;
    const bool negative = *s == '-';
    s += (*s == '-') | (*s == '+');
    const std::uint64_t w = loadWord(s);
    const int digits = digitRun(w);
    if (digits == wordBytes) return parseIndexSlow(text);  // may need clamping
    const int value = static_cast<int>(digitsValue(w, digits));
    return negative ? -value : value;
}
