#include "mesh/ObjNumber.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace {
// strtod's and strtol's white space.
inline bool isWhite(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Up to 10^22 every power of ten is exact in a double, and so is any integer below 2^53:
// one multiplication or division of the two is then correctly rounded.
constexpr int exactPowers = 22;
constexpr std::uint64_t exactMantissaLimit = std::uint64_t{1} << 53;
constexpr double powersOfTen[exactPowers + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
// Exponents are saturated here: far beyond any double, and no overflow when adding.
constexpr long exponentLimit = 100000000;
// A field is at most 255 characters; longer text takes the allocating path.
constexpr std::size_t localCopyBytes = 256;

// What the scan found: the number's text, and enough to take the fast path or to tell
// overflow from underflow.
struct DecimalScan {
    const char* begin;  // first character after the white space, sign included
    const char* end;    // one past the number
    const char* exponentMark;  // null when there is no exponent
    bool negative;
    std::uint64_t mantissa;  // the digits as an integer, while below 2^53
    bool mantissaExact;      // false once the digits reach 2^53
    long scale;              // the value is mantissa * 10^scale while mantissaExact
    long magnitude;  // power of ten of the first significant digit, plus one
    bool nonZero;
};

// Finds the longest decimal-number prefix; false when there is none.
bool scanDecimal(const char* s, DecimalScan& d) {
    while (isWhite(*s)) ++s;
    d.begin = s;
    d.negative = *s == '-';
    if (*s == '+' || *s == '-') ++s;
    d.mantissa = 0;
    d.mantissaExact = true;
    d.scale = 0;
    d.magnitude = 0;
    d.nonZero = false;
    int digits = 0;
    auto takeDigit = [&d](char c, bool fraction) {
        const unsigned v = static_cast<unsigned>(c - '0');
        if (v != 0) d.nonZero = true;
        if (fraction) {
            if (!d.nonZero) --d.magnitude;
        } else if (d.nonZero) {
            ++d.magnitude;
        }
        if (!d.mantissaExact) return;
        const std::uint64_t m = d.mantissa * 10 + v;
        if (m >= exactMantissaLimit) {
            d.mantissaExact = false;  // too many digits for the fast path
            return;
        }
        d.mantissa = m;
        if (fraction) --d.scale;
    };
    for (; isDigit(*s); ++s, ++digits) takeDigit(*s, false);
    if (*s == '.') {
        const char* point = s++;
        for (; isDigit(*s); ++s, ++digits) takeDigit(*s, true);
        if (digits == 0) s = point;
    }
    if (digits == 0) return false;
    d.exponentMark = nullptr;
    if (*s == 'e' || *s == 'E' || *s == 'd' || *s == 'D') {
        const char* t = s + 1;
        const bool negativeExponent = *t == '-';
        if (*t == '+' || *t == '-') ++t;
        if (isDigit(*t)) {
            long exponent = 0;
            for (; isDigit(*t); ++t)
                if (exponent < exponentLimit) exponent = exponent * 10 + (*t - '0');
            if (negativeExponent) exponent = -exponent;
            d.exponentMark = s;
            d.scale += exponent;
            d.magnitude += exponent;
            s = t;
        }
    }
    d.end = s;
    return true;
}

// Correct rounding for every other case, through the library's exact conversion. It
// reads neither '+' nor a d exponent, so those are rewritten in a copy.
double convertExactly(const DecimalScan& d) {
    const char* first = d.begin + (*d.begin == '+' ? 1 : 0);
    const char* last = d.end;
    char local[localCopyBytes];
    std::string heap;
    if (d.exponentMark != nullptr && (*d.exponentMark == 'd' || *d.exponentMark == 'D')) {
        const std::size_t length = static_cast<std::size_t>(last - first);
        char* copy = local;
        if (length > sizeof local) {
            heap.assign(first, length);
            copy = heap.data();
        } else {
            std::char_traits<char>::copy(copy, first, length);
        }
        copy[d.exponentMark - first] = 'e';
        first = copy;
        last = copy + length;
    }
    double value = 0.0;
    const std::from_chars_result r = std::from_chars(first, last, value);
    if (r.ec == std::errc::result_out_of_range) {
        // Beyond the double range the result is infinite, below it zero, as strtod gives.
        value = d.magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        if (d.negative) value = -value;
    }
    return value;
}
}  // namespace

double parseDecimal(const char* text) {
    DecimalScan d;
    if (!scanDecimal(text, d)) return 0.0;
    if (d.mantissaExact && d.scale >= -exactPowers && d.scale <= exactPowers) {
        const double m = static_cast<double>(d.mantissa);
        const double v = d.scale < 0 ? m / powersOfTen[-d.scale] : m * powersOfTen[d.scale];
        return d.negative ? -v : v;
    }
    return convertExactly(d);
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
