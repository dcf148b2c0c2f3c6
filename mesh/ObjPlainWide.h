#pragma once

#include <cstdint>

#include "mesh/Face.h"
#include "mesh/ObjNumber.h"
#include "mesh/ObjPlainLine.h"
#include "mesh/Vec3.h"

#if defined(__SSE2__)  // every x86-64 processor
#include <emmintrin.h>
#endif

// Plain lines with short numbers (what exporters mostly write) read with 16-byte registers:
// where the spaces, points and slashes lie is found for the whole line at once, so its
// numbers are read side by side instead of each waiting for the end of the one before,
// and their digits are valued together. Null for any other line, which the word-at-a-time
// reading then takes: every line read here is one it reads the same.
namespace objplain {
namespace wide {

#if defined(__SSE2__)

// A byte's position in the line, as a bit.
inline std::uint64_t at(int i) { return std::uint64_t{1} << i; }

// The first `chunks` times 16 bytes of a line, and which of them are of a kind.
template <int chunks>
struct Window {
    __m128i bytes[chunks];
    explicit Window(const unsigned char* p) {
        for (int i = 0; i < chunks; ++i) bytes[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    }
    template <class Test>
    std::uint64_t where(Test test) const {
        std::uint64_t bits = 0;
        for (int i = 0; i < chunks; ++i)
            bits |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(test(bytes[i])))} << (16 * i);
        return bits;
    }
    // Bytes at or below ' ': spaces, line ends, tabs and NULs all end a field.
    std::uint64_t ends() const {
        return where([](__m128i b) { return _mm_cmpeq_epi8(_mm_max_epu8(b, _mm_set1_epi8(' ')), _mm_set1_epi8(' ')); });
    }
    std::uint64_t digits() const {
        return where([](__m128i b) {
            return _mm_cmpeq_epi8(_mm_min_epu8(_mm_max_epu8(b, _mm_set1_epi8('0')), _mm_set1_epi8('9')), b);
        });
    }
    std::uint64_t equal(char c) const {
        return where([c](__m128i b) { return _mm_cmpeq_epi8(b, _mm_set1_epi8(c)); });
    }
};

// The three field ends of a line: the two spaces between its fields and its end. False
// when the window holds fewer, or a field is ended by anything but a single space.
inline bool fieldEnds(const unsigned char* p, std::uint64_t ends, int (&end)[3]) {
    for (int k = 0; k < 3; ++k, ends &= ends - 1) {
        if (ends == 0) return false;
        end[k] = __builtin_ctzll(ends);
    }
    return p[end[0]] == ' ' && p[end[1]] == ' ';
}

// n (1 to 8) digit characters from p moved to the top of a word, below them zero bytes:
// leading zeros once the characters are taken to their values.
inline std::uint64_t topDigits(const unsigned char* p, int n) {
    return objnumber::loadWord(asChars(p)) << (8 * (8 - n));
}

// The values of two words of top-aligned digits (lanes 0 and 1), eight digits each, as
// four 32-bit fours of digits: high four, low four of the first word, then of the second.
inline __m128i fourDigitGroups(std::uint64_t first, std::uint64_t second) {
    const __m128i digits = _mm_and_si128(_mm_set_epi64x(static_cast<long long>(second), static_cast<long long>(first)),
                                         _mm_set1_epi8(0x0F));  // '0' to '9' become 0 to 9, zero bytes stay 0
    const __m128i tens = _mm_set1_epi32(0x0001000A);       // each pair: 10 * first + second
    const __m128i hundreds = _mm_set1_epi32(0x00010064);   // each pair of pairs: 100 * first + second
    const __m128i pairsFirst = _mm_madd_epi16(_mm_unpacklo_epi8(digits, _mm_setzero_si128()), tens);
    const __m128i pairsSecond = _mm_madd_epi16(_mm_unpackhi_epi8(digits, _mm_setzero_si128()), tens);
    return _mm_madd_epi16(_mm_packs_epi32(pairsFirst, pairsSecond), hundreds);
}

// Whole eight-digit values from the groups of two fourDigitGroups: four 32-bit values.
inline __m128i eightDigitValues(__m128i groups, __m128i moreGroups) {
    const __m128i tenThousands = _mm_set1_epi32(0x00012710);  // 10000 * high four + low four
    return _mm_madd_epi16(_mm_packs_epi32(groups, moreGroups), tenThousands);
}

// A coordinate of the line: [begin, end) holds an optional '-', 1 to 7 digits, then
// optionally '.' and more digits, at most 8 digits in all.
struct Coordinate {
    std::uint64_t digits;  // top-aligned, the point left out
    int fraction;          // digits after the point
    bool negative;
    bool plain;
};

inline Coordinate coordinate(const unsigned char* p, std::uint64_t points, std::uint64_t minus, int begin, int end) {
    Coordinate c;
    c.negative = (minus >> begin) & 1;
    begin += c.negative;
    const std::uint64_t inside = (~std::uint64_t{0} << begin) & (at(end) - 1);
    const std::uint64_t point = points & inside;
    const int wholeEnd = point != 0 ? __builtin_ctzll(point) : end;
    const int whole = wholeEnd - begin;
    const int fraction = point != 0 ? end - wholeEnd - 1 : 0;
    c.plain = whole >= 1 && whole <= 7 && whole + fraction <= 8 && (point & (point - 1)) == 0;
    c.fraction = c.plain ? fraction : 0;  // keeps the shifts below defined for any text
    const std::uint64_t wholeDigits = topDigits(p + begin, c.plain ? whole : 1);
    c.digits = c.fraction == 0 ? wholeDigits : topDigits(p + wholeEnd + 1, c.fraction) | wholeDigits >> (8 * c.fraction);
    return c;
}

inline std::uint64_t signBit(bool negative) { return std::uint64_t{negative} << 63; }

// "x y z" and its line end, each number as the word-at-a-time reading takes it.
inline const unsigned char* vector(const unsigned char* p, Vec3& v) {
    const Window<3> window(p);  // 48 bytes: a line of three such numbers is at most 35
    int end[3];
    if (!fieldEnds(p, window.ends(), end)) return nullptr;
    // A field longer than a sign, 8 digits and a point is left to the word-at-a-time
    // reading before any more is spent on it.
    if (end[0] - (p[0] == '-') > 9 || end[1] - end[0] - 1 - (p[end[0] + 1] == '-') > 9 ||
        end[2] - end[1] - 1 - (p[end[1] + 1] == '-') > 9)
        return nullptr;
    const std::uint64_t points = window.equal('.'), minus = window.equal('-');
    const std::uint64_t begins = at(0) | at(end[0] + 1) | at(end[1] + 1);
    const std::uint64_t line = at(end[2]) - 1;
    const std::uint64_t allowed = window.digits() | points | (minus & begins) | at(end[0]) | at(end[1]);
    const Coordinate x = coordinate(p, points, minus, 0, end[0]);
    const Coordinate y = coordinate(p, points, minus, end[0] + 1, end[1]);
    const Coordinate z = coordinate(p, points, minus, end[1] + 1, end[2]);
    if ((allowed & line) != line || !(x.plain && y.plain && z.plain)) return nullptr;

    // Each the integer of its digits (exact in a double) divided by a power of ten: one
    // correctly rounded division, as the word-at-a-time reading does it, then narrowed.
    const __m128i values = eightDigitValues(fourDigitGroups(x.digits, y.digits), fourDigitGroups(z.digits, 0));
    const __m128d xy = _mm_div_pd(_mm_cvtepi32_pd(values), _mm_set_pd(objnumber::powersOfTen[y.fraction],
                                                                          objnumber::powersOfTen[x.fraction]));
    const __m128d zz = _mm_div_sd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(values, values)),
                                  _mm_set_sd(objnumber::powersOfTen[z.fraction]));
    const __m128 narrowXY = _mm_cvtpd_ps(_mm_xor_pd(
        xy, _mm_castsi128_pd(_mm_set_epi64x(static_cast<long long>(signBit(y.negative)), static_cast<long long>(signBit(x.negative))))));
    const __m128 narrowZ = _mm_cvtpd_ps(_mm_xor_pd(zz, _mm_castsi128_pd(_mm_cvtsi64_si128(static_cast<long long>(signBit(z.negative))))));
    v.x = _mm_cvtss_f32(narrowXY);
    v.y = _mm_cvtss_f32(_mm_shuffle_ps(narrowXY, narrowXY, 1));
    v.z = _mm_cvtss_f32(narrowZ);
    return lineEnd(p + end[2]);
}

// "a/b/c a/b/c a/b/c" and its line end: vertex and normal indices of 1 to 7 digits, the
// texture index of 0 to 8, read past.
inline const unsigned char* face(const unsigned char* p, ::Face& f) {
    const Window<4> window(p);  // 64 bytes: most such lines fit
    int end[3];
    if (!fieldEnds(p, window.ends(), end)) return nullptr;
    const std::uint64_t line = at(end[2]) - 1;
    std::uint64_t slashes = window.equal('/') & line;
    bool plain = ((window.digits() | slashes | at(end[0]) | at(end[1])) & line) == line;
    std::uint64_t words[6];  // vertex, normal of each corner
    for (int k = 0, begin = 0; k < 3; begin = end[k++] + 1) {
        const int first = __builtin_ctzll(slashes | at(63));
        slashes &= slashes - 1;
        const int second = __builtin_ctzll(slashes | at(63));
        slashes &= slashes - 1;
        const int vertex = first - begin, texture = second - first - 1, normal = end[k] - second - 1;
        const bool cornerPlain = second < end[k] && vertex >= 1 && vertex <= 7 && texture <= 8 && normal >= 1 && normal <= 7;
        plain = plain && cornerPlain;
        words[2 * k] = topDigits(p + begin, cornerPlain ? vertex : 1);
        words[2 * k + 1] = topDigits(p + second + 1, cornerPlain ? normal : 1);
    }
    if (!plain || slashes != 0) return nullptr;
    alignas(16) int values[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(values),
                    eightDigitValues(fourDigitGroups(words[0], words[1]), fourDigitGroups(words[2], words[3])));
    _mm_store_si128(reinterpret_cast<__m128i*>(values + 4),
                    eightDigitValues(fourDigitGroups(words[4], words[5]), fourDigitGroups(0, 0)));
    for (int k = 0; k < 3; ++k) {
        f.vertexIndex[k] = values[2 * k];
        f.normalIndex[k] = values[2 * k + 1];
    }
    return lineEnd(p + end[2]);
}

#else  // without 16-byte registers the word-at-a-time reading takes every line
inline const unsigned char* vector(const unsigned char*, Vec3&) { return nullptr; }
inline const unsigned char* face(const unsigned char*, ::Face&) { return nullptr; }
#endif

}  // namespace wide

enum Kind { Other, Vertex, Normal, Face };

// The line at `p`, which starts where a command token would, with at least lineSpan
// readable bytes from `p`. Fills `v` or `f` and sets `end` past the line end.
// Short numbers are read side by side, any others word by word (mesh/ObjPlainLine.h).
inline Kind line(const unsigned char* p, Vec3& v, ::Face& f, const unsigned char*& end) {
    if (p[0] == 'v') {
        const int fields = p[1] == ' ' ? 2 : p[1] == 'n' && p[2] == ' ' ? 3 : 0;
        if (fields == 0) return Other;
        end = wide::vector(p + fields, v);
        if (end == nullptr) end = vector(p + fields, v);
        return end == nullptr ? Other : fields == 2 ? Vertex : Normal;
    }
    if (p[0] == 'f' && p[1] == ' ') {
        end = wide::face(p + 2, f);
        if (end == nullptr) end = face(p + 2, f);
        return end == nullptr ? Other : Face;
    }
    return Other;
}

}  // namespace objplain
