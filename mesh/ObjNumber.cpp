#include "mesh/ObjNumber.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
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
// Character by character: numbers of eight or more digits in a run.
double parseDecimalScalar(const char* text) {
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
    if (*s == 'e' || *s == 'E' || *s == 'd' || *s == 'D') {
        const char* t = s + 1;
        const bool negativeExponent = *t == '-';
        if (*t == '+' || *t == '-') ++t;
        long exponent = 0;
        for (; isDigit(*t); ++t)
            if (exponent < exponentLimit) exponent = exponent * 10 + (*t - '0');
        scale += negativeExponent ? -exponent : exponent;
    }
    if (digits > fastDigits || mantissa >= exactMantissaLimit || scale < -exactPowers || scale > exactPowers) {
        DecimalScan d;
        return scanDecimal(text, d) ? convertExactly(d) : 0.0;
    }
    const double m = static_cast<double>(mantissa);
    const double v = scale < 0 ? m / powersOfTen[-scale] : m * powersOfTen[scale];
    return negative ? -v : v;
}

int parseIndexScalar(const char* text) {
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

// Eight characters at once: the digits at the front of a word, found and valued without
// a branch per character.
constexpr int wordBytes = 8;
constexpr std::uint64_t eachByte(unsigned char b) { return b * 0x0101010101010101u; }
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the first character is the lowest byte");

inline std::uint64_t loadWord(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, wordBytes);
    return w;
}

// How many of the word's first characters are digits, 0 to 8. A character past the first
// non-digit cannot change the answer (adding 6 carries only upward).
inline int digitRun(std::uint64_t w) {
    const std::uint64_t highNibble = eachByte(0xF0);
    const std::uint64_t other =
        ((w & highNibble) ^ eachByte('0')) | (((w + eachByte(6)) & highNibble) ^ eachByte('0'));
    return other == 0 ? wordBytes : __builtin_ctzll(other) / 8;
}

// The value of the word's first n (0 to 7) characters, all digits.
inline std::uint64_t digitsValue(std::uint64_t w, int n) {
    // Digit values, moved to the top of the word behind zero digits; two shifts so that
    // n == 0 shifts by 64 without undefined behaviour.
    const int drop = 4 * (wordBytes - n);
    w = ((w - eachByte('0')) << drop) << drop;
    w = w * 10 + (w >> 8);  // pairs of digits
    const std::uint64_t pairs = 0x000000FF000000FFu;
    w = (((w & pairs) * 0x000F424000000064u) + (((w >> 16) & pairs) * 0x0000271000000001u)) >> 32;
    return w;
}

constexpr std::uint64_t integerPowersOfTen[wordBytes] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

inline double withSign(double v, bool negative) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits ^= static_cast<std::uint64_t>(negative) << 63;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
}  // namespace

double parseDecimal(const char* text) {
    const char* s = text;
    while (isWhite(*s)) ++s;
    const bool negative = *s == '-';
    s += (*s == '-') | (*s == '+');
    std::uint64_t w = loadWord(s);
    const int whole = digitRun(w);
    if (whole == wordBytes) return parseDecimalScalar(text);
    std::uint64_t mantissa = digitsValue(w, whole);  // with the fraction, below 10^14: exact
    s += whole;
    int fraction = 0;
    if (*s == '.') {
        w = loadWord(++s);
        fraction = digitRun(w);
        if (fraction == wordBytes) return parseDecimalScalar(text);
        mantissa = mantissa * integerPowersOfTen[fraction] + digitsValue(w, fraction);
        s += fraction;
    }
    if (whole + fraction == 0) return 0.0;
    long scale = -fraction;
    if (*s == 'e' || *s == 'E' || *s == 'd' || *s == 'D') {
        const char* t = s + 1;
        const bool negativeExponent = *t == '-';
        if (*t == '+' || *t == '-') ++t;
        long exponent = 0;
        for (; isDigit(*t); ++t)
            if (exponent < exponentLimit) exponent = exponent * 10 + (*t - '0');
        scale += negativeExponent ? -exponent : exponent;
        if (scale < -exactPowers || scale > exactPowers) return parseDecimalScalar(text);
    }
    const double m = static_cast<double>(mantissa);
    return withSign(scale < 0 ? m / powersOfTen[-scale] : m * powersOfTen[scale], negative);
}

int parseIndex(const char* text) {
    const char* s = text;
    while (isWhite(*s)) ++s;
    const bool negative = *s == '-';
    s += (*s == '-') | (*s == '+');
    const std::uint64_t w = loadWord(s);
    const int digits = digitRun(w);
    if (digits == wordBytes) return parseIndexScalar(text);  // may need clamping
    const int value = static_cast<int>(digitsValue(w, digits));
    return negative ? -value : value;
}
