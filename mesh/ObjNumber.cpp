#include "mesh/ObjNumber.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace {
bool isWhite(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }  // as strtod's
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Up to 10^22 every power of ten is exact in a double, and so is any integer below 2^53:
// one multiplication or division of the two is then correctly rounded.
constexpr int exactPowers = 22;
constexpr double powersOfTen[exactPowers + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t exactMantissaLimit = std::uint64_t{1} << 53;
constexpr int exactDigits = 19;            // at most this many digits cannot overflow the mantissa
constexpr long exponentLimit = 100000000;  // exponents saturate here, far beyond any double
constexpr std::size_t localCopyBytes = 256;  // a token is at most 255 characters

// The exponent that starts at `s`: e, E, d or D, an optional sign and at least one digit;
// 0 when there is none (a marker without digits is not an exponent). `end` is set past it.
long exponentAt(const char* s, const char*& end) {
    end = s;
    if (*s != 'e' && *s != 'E' && *s != 'd' && *s != 'D') return 0;
    const char* t = s + 1;
    const bool negative = *t == '-';
    if (*t == '+' || *t == '-') ++t;
    if (!isDigit(*t)) return 0;
    long exponent = 0;
    for (; isDigit(*t); ++t)
        if (exponent < exponentLimit) exponent = exponent * 10 + (*t - '0');
    end = t;
    return negative ? -exponent : exponent;
}

// The power of ten of the leading significant digit of the digits (with an optional point)
// in [s, last), plus `exponent`: the value lies in [10^(m-1), 10^m).
long magnitude(const char* s, const char* last, long exponent) {
    long m = exponent;
    for (; s < last && isDigit(*s); ++s) m += m != exponent || *s != '0';
    if (m == exponent && s < last && *s == '.')
        for (++s; s < last && *s == '0'; ++s) --m;
    return m;
}

// Correct rounding for what one multiplication or division cannot do, through the
// library's exact conversion of the number [first, last), its digits from `digits`. It
// reads neither '+' nor a d exponent, so those are rewritten in a copy (`exponentMark` is
// null when there is no exponent). Beyond the double range the result is infinite, below
// it zero, as strtod gives.
double convertExactly(const char* first, const char* digits, const char* last, const char* exponentMark,
                      long exponent, bool negative) {
    if (*first == '+') ++first;
    char local[localCopyBytes];
    std::string heap;  // only for text longer than any token
    const char* text = first;
    if (exponentMark != nullptr && (*exponentMark == 'd' || *exponentMark == 'D')) {
        const std::size_t length = static_cast<std::size_t>(last - first);
        char* copy = local;
        if (length > sizeof local) {
            heap.assign(first, length);
            copy = heap.data();
        } else {
            std::char_traits<char>::copy(copy, first, length);
        }
        copy[exponentMark - first] = 'e';
        text = copy;
    }
    double value = 0.0;
    if (std::from_chars(text, text + (last - first), value).ec == std::errc::result_out_of_range) {
        const char* const digitsEnd = exponentMark != nullptr ? exponentMark : last;
        value = magnitude(digits, digitsEnd, exponent) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        if (negative) value = -value;
    }
    return value;
}
}  // namespace

double parseDecimal(const char* text) {
    const char* s = text;
    while (isWhite(*s)) ++s;
    const char* const begin = s;
    const bool negative = *s == '-';
    if (*s == '+' || *s == '-') ++s;
    const char* const digitsBegin = s;
    std::uint64_t mantissa = 0;  // wraps for long numbers, which are converted exactly instead
    for (; isDigit(*s); ++s) mantissa = mantissa * 10 + static_cast<unsigned>(*s - '0');
    long digits = s - digitsBegin;
    long scale = 0;
    if (*s == '.') {
        const char* const fraction = s + 1;
        for (s = fraction; isDigit(*s); ++s) mantissa = mantissa * 10 + static_cast<unsigned>(*s - '0');
        scale = fraction - s;
        digits += s - fraction;
    }
    if (digits == 0) return 0.0;
    const char* const exponentMark = s;
    const char* end;
    const long exponent = exponentAt(exponentMark, end);
    scale += exponent;
    if (digits > exactDigits || mantissa >= exactMantissaLimit || scale < -exactPowers || scale > exactPowers)
        return convertExactly(begin, digitsBegin, end, end != exponentMark ? exponentMark : nullptr, exponent, negative);
    const double m = static_cast<double>(mantissa);
    const double v = scale < 0 ? m / powersOfTen[-scale] : m * powersOfTen[scale];
    return negative ? -v : v;
}

int parseIndex(const char* text) {
    constexpr long long saturation = static_cast<long long>(INT_MAX) + 1;
    const char* s = text;
    while (isWhite(*s)) ++s;
    const bool negative = *s == '-';
    if (*s == '+' || *s == '-') ++s;
    long long value = 0;
    for (; isDigit(*s); ++s) {
        value = value * 10 + (*s - '0');
        if (value > saturation) value = saturation;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}
