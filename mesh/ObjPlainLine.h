#pragma once

#include <cstdint>

#include "mesh/Face.h"
#include "mesh/ObjNumber.h"
#include "mesh/Vec3.h"

// The lines nearly every file is made of, read in one pass: "v x y z", "vn x y z" and
// "f a/b/c a/b/c a/b/c" (b may be empty) with single spaces, plain numbers and an LF or
// CR LF end. For such a line the token reader's fields are exactly the numbers, so the
// values are those of the general reader; anything else is left to it. Lines with short
// numbers are read faster still (mesh/ObjPlainWide.h).
namespace objplain {

// A plain line is at most this long, and its reading looks at most a word past it.
constexpr int lineSpan = 128;

using objnumber::digitRun;
using objnumber::digitsValue;
using objnumber::integerPowersOfTen;
using objnumber::loadWord;
using objnumber::wordBytes;

// At most 15 digits: the value is below 2^53, exact in a double, as is every power of
// ten it is divided by, so one division rounds correctly.
constexpr int mantissaDigits = 15;
constexpr std::uint64_t eightDigits = 100000000;

inline const char* asChars(const unsigned char* p) { return reinterpret_cast<const char*>(p); }

// Inlined at each use, though there are three to a line: a call costs a tenth of a conversion.
#define OBJPLAIN_INLINE inline __attribute__((always_inline))

// An optional '-', 1 to 7 digits, optionally '.' and up to 15 more digits: the number
// rounded to double and narrowed to float. Null when the text has another shape.
OBJPLAIN_INLINE const unsigned char* coordinate(const unsigned char* p, float& out) {
    const bool negative = *p == '-';
    p += negative;
    const std::uint64_t first = loadWord(asChars(p));
    const int whole = digitRun(first);
    if (whole == 0 || whole == wordBytes) return nullptr;
    std::uint64_t mantissa;
    std::uint64_t w;
    p += whole;
    int fraction = 0;
    if (*p == '.') {
        ++p;
        w = loadWord(asChars(p));
        fraction = digitRun(w);
        if (whole + fraction <= wordBytes) {
            // Both runs in one word, the point left out, converted at once.
            const std::uint64_t merged = (first & ((std::uint64_t{1} << (8 * whole)) - 1)) | (w << (8 * whole));
            mantissa = digitsValue(merged, whole + fraction);
            p += fraction;
        } else if (fraction < wordBytes) {
            mantissa = digitsValue(first, whole) * integerPowersOfTen[fraction] + digitsValue(w, fraction);
            p += fraction;
        } else {
            mantissa = digitsValue(first, whole) * eightDigits + digitsValue(w, wordBytes);
            p += wordBytes;
            w = loadWord(asChars(p));
            const int more = digitRun(w);
            if (more == wordBytes) return nullptr;
            mantissa = mantissa * integerPowersOfTen[more] + digitsValue(w, more);
            fraction += more;
            p += more;
        }
        if (whole + fraction > mantissaDigits) return nullptr;
    } else {
        mantissa = digitsValue(first, whole);
    }
    const double m = static_cast<double>(static_cast<std::int64_t>(mantissa));  // below 2^53: signed converts in one step
    const double value = m / objnumber::powersOfTen[fraction];  // by 1 when there is no fraction: exact
    out = static_cast<float>(objnumber::withSign(value, negative));
    return p;
}

// 1 to 7 digits (no sign): the index. Null otherwise.
inline const unsigned char* index(const unsigned char* p, int& out) {
    const std::uint64_t w = loadWord(asChars(p));
    const int digits = digitRun(w);
    if (digits == 0 || digits == wordBytes) return nullptr;
    out = static_cast<int>(digitsValue(w, digits));
    return p + digits;
}

// Past an LF or a CR LF; null at anything else.
inline const unsigned char* lineEnd(const unsigned char* p) {
    if (*p == '\n') return p + 1;
    if (p[0] == '\r' && p[1] == '\n') return p + 2;
    return nullptr;
}

// Three coordinates, single spaces between them, to the line end.
inline const unsigned char* vector(const unsigned char* p, Vec3& v) {
    if (!(p = coordinate(p, v.x)) || *p++ != ' ') return nullptr;
    if (!(p = coordinate(p, v.y)) || *p++ != ' ') return nullptr;
    if (!(p = coordinate(p, v.z))) return nullptr;
    return lineEnd(p);
}

// A corner vertex/texture/normal, the texture index possibly empty.
inline const unsigned char* corner(const unsigned char* p, ::Face& f, int k) {
    if (!(p = index(p, f.vertexIndex[k])) || *p++ != '/') return nullptr;
    if (*p != '/') p += digitRun(loadWord(asChars(p)));  // the texture index is read past
    if (*p++ != '/') return nullptr;
    return index(p, f.normalIndex[k]);
}

// Three corners, single spaces between them, to the line end.
inline const unsigned char* face(const unsigned char* p, ::Face& f) {
    for (int k = 0; k < 3; ++k) {
        if (!(p = corner(p, f, k))) return nullptr;
        if (k < 2 && *p++ != ' ') return nullptr;
    }
    return lineEnd(p);
}

}  // namespace objplain
