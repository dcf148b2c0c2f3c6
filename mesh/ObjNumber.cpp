#include "mesh/ObjNumber.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>

namespace {
using objnumber::isDigit;
using objnumber::isWhite;

using objnumber::exactPowers;
using objnumber::exponentLimit;
using objnumber::powersOfTen;
constexpr std::uint64_t exactMantissaLimit = std::uint64_t{1} << 53;
// A field is at most 255 characters; longer text takes the allocating path.
constexpr std::size_t localCopyBytes = 256;

// The number's text for the exact conversion, and enough to tell overflow from underflow.
struct DecimalScan {
    const char* begin;         // first character after the white space, sign included
    const char* end;           // one past the number
    const char* exponentMark;  // null when there is no exponent
    bool negative;
    long magnitude;  // the value lies in [10^(magnitude-1), 10^magnitude)
};

// Finds the longest decimal-number prefix; false when there is none.
bool scanDecimal(const char* s, DecimalScan& d) {
    while (isWhite(*s)) ++s;
    d.begin = s;
    d.negative = *s == '-';
    if (*s == '+' || *s == '-') ++s;
    d.magnitude = 0;
    bool significant = false;  // a non-zero digit has been seen
    int digits = 0;
    for (; isDigit(*s); ++s, ++digits) {
        significant = significant || *s != '0';
        if (significant) ++d.magnitude;
    }
    if (*s == '.') {
        const char* point = s++;
        for (; isDigit(*s); ++s, ++digits) {
            significant = significant || *s != '0';
            if (!significant) --d.magnitude;
        }
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
            d.exponentMark = s;
            d.magnitude += negativeExponent ? -exponent : exponent;
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

// Character by character, for what the word-at-a-time conversions leave: runs of eight
// digits or more, and exponents beyond the exact powers of ten.
double objnumber::parseDecimalSlow(const char* text) {
    // The common short number in one pass: at most 19 digits cannot overflow the integer.
    constexpr long fastDigits = 19;
    const char* s = text;
    while (isWhite(*s)) ++s;
    const bool negative = *s == '-';
    if (*s == '+' || *s == '-') ++s;
    std::uint64_t mantissa = 0;
    const char* digitsBegin = s;
    for (; isDigit(*s); ++s) mantissa = mantissa * 10 + static_cast<unsigned>(*s - '0');
    long digits = s - digitsBegin;
    long scale = 0;
    if (*s == '.') {
        const char* fraction = ++s;
        for (; isDigit(*s); ++s) mantissa = mantissa * 10 + static_cast<unsigned>(*s - '0');
        scale = fraction - s;
        digits += s - fraction;
    }
    if (digits == 0) return 0.0;
    scale += exponentAt(s);
    if (digits > fastDigits || mantissa >= exactMantissaLimit || scale < -exactPowers || scale > exactPowers) {
        DecimalScan d;
        return scanDecimal(text, d) ? convertExactly(d) : 0.0;
    }
    const double m = static_cast<double>(mantissa);
    const double v = scale < 0 ? m / powersOfTen[-scale] : m * powersOfTen[scale];
    return negative ? -v : v;
}

int objnumber::parseIndexSlow(const char* text) {
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

