#include "mesh/ObjFastLines.h"

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)  // every x86-64 processor
#include <emmintrin.h>

// A line is taken in with 16-byte loads. Where its field ends, points and slashes lie is
// found for the whole line at once, so its numbers do not wait for one another; each field
// is then loaded so that it ends at the top of a register, with its point taken out, and
// its digits are valued by multiply-adds, two numbers to a register where they fit in 8
// lanes, a register to a coordinate of up to 15 digits.
namespace {
constexpr std::uint64_t noBit = std::uint64_t{1} << 63;  // found when a bit search finds nothing

// Position of the lowest bit set, or 63.
inline int lowest(std::uint64_t bits) { return __builtin_ctzll(bits | noBit); }

inline __m128i load16(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// 16-byte chunks from p, one bit for each byte: `ends` for the bytes that end a field (up
// to ' ': spaces, line ends, tabs, NULs; and from 0x80, which no plain line holds), `marks`
// for the given mark ('.' or '/').
struct Bytes {
    std::uint64_t ends = 0;
    std::uint64_t marks = 0;
    Bytes(const unsigned char* p, char mark, int chunks) {
        for (int i = 0; i < chunks; ++i) take(p, i, mark);
    }
    // Adds the 16 bytes from p + 16 * i.
    void take(const unsigned char* p, int i, char mark) {
        const __m128i b = load16(p + 16 * i);
        const unsigned end = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(b, _mm_set1_epi8(' ' + 1))));
        const unsigned at = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, _mm_set1_epi8(mark))));
        ends |= std::uint64_t{end} << (16 * i);
        marks |= std::uint64_t{at} << (16 * i);
    }
};

// A coordinate's digits (sign and point aside) fill at most one register; any integer of
// 15 digits is below 2^53, so exact in a double, as is every power of ten up to 10^15.
constexpr int mostDigits = 15;
constexpr int narrowDigits = 8;  // up to this many, two numbers share a register
constexpr int indexDigits = narrowDigits;  // a face index's digits

// Masks and divisors indexed by counts, so that nothing shifts by a counted amount. A count
// beyond the tables' rows belongs to a field that is refused; its row is only read.
constexpr int tableRows = 32;
struct alignas(16) Tables {
    unsigned char keep[tableRows][16];   // [n]: the top n lanes, the digits of a field ending at the top (n <= 15)
    unsigned char after[tableRows][16];  // [t]: the lanes after a point t lanes before the top; all for t = 0
    double divisor[tableRows];           // [t]: 10^(t-1), for the t - 1 digits after the point; 1 for t = 0
    std::uint32_t sign[8][4];            // [k]: the float sign bit in lane i when bit i of k is set
    constexpr Tables() : keep(), after(), divisor(), sign() {
        double power = 1;
        for (int n = 0; n < tableRows; ++n) {
            for (int i = 0; i < 16; ++i) {
                keep[n][i] = n <= mostDigits && i >= 16 - n ? 0xFF : 0;
                after[n][i] = n == 0 || i > 16 - n ? 0xFF : 0;
            }
            divisor[n] = power;
            if (n > 0) power *= 10;
        }
        for (int k = 0; k < 8; ++k)
            for (int i = 0; i < 3; ++i) sign[k][i] = (k >> i) & 1 ? 0x80000000u : 0;
    }
};
constexpr Tables tables;
inline __m128i row(const unsigned char (&table)[tableRows][16], int i) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(table[i & (tableRows - 1)]));
}
inline double divisor(int t) { return tables.divisor[t & (tableRows - 1)]; }

// Digit values of the kept lanes of `chars`, zero elsewhere; a kept lane that is no digit
// leaves a lane of `over` not zero.
inline __m128i digitValues(__m128i chars, __m128i keep, __m128i& over) {
    const __m128i values = _mm_sub_epi8(chars, _mm_set1_epi8('0'));
    over = _mm_or_si128(over, _mm_and_si128(_mm_subs_epu8(values, _mm_set1_epi8(9)), keep));
    return _mm_and_si128(values, keep);
}
inline bool allZero(__m128i v) { return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF; }

// The 16 digits of `digits` (zeros in front of a number's digits) as four 32-bit groups of
// four; then 8-digit values, two from each of two such.
inline __m128i fourDigitGroups(__m128i digits) {
    // A 16-bit lane of two digits, a (the first, in the low byte) and b, times 2561 is
    // 256 * (10a + b) + a.
    const __m128i pairs = _mm_srli_epi16(_mm_mullo_epi16(digits, _mm_set1_epi16(2561)), 8);
    return _mm_madd_epi16(pairs, _mm_set1_epi32(0x00010064));  // each pair of pairs: 100 * first + second
}
inline __m128i eightDigitValues(__m128i groups, __m128i moreGroups) {
    return _mm_madd_epi16(_mm_packs_epi32(groups, moreGroups), _mm_set1_epi32(0x00012710));  // 10000 * high + low
}

// A coordinate field [begin, end) of the line at p: its characters without the point,
// ending at the top of `chars`.
struct Coordinate {
    __m128i chars;
    int digits;     // characters but the sign and the point
    int afterEnd;   // end - point; 0 without a point
    bool negative;
};

// `points` holds the points of this field and the later ones; its first is taken when it
// lies in the field. A field of no digit or more than 15 sets `bad`; a second point stays
// among its characters, where digitValues finds it.
inline Coordinate coordinate(const unsigned char* p, std::uint64_t& points, int begin, int end, int& bad) {
    Coordinate c;
    c.negative = p[begin] == '-';
    const int first = begin + c.negative;
    const int point = lowest(points);
    const bool hasPoint = point < end;
    points = hasPoint ? points & (points - 1) : points;
    c.afterEnd = hasPoint ? end - point : 0;
    c.digits = end - first - hasPoint;
    bad |= static_cast<unsigned>(c.digits - 1) > unsigned{mostDigits - 1};
    // The lanes up to the point from a load one byte earlier: the point drops out.
    const __m128i after = row(tables.after, c.afterEnd);
    c.chars = _mm_or_si128(_mm_and_si128(load16(p + end - 16), after), _mm_andnot_si128(after, load16(p + end - 17)));
    return c;
}

// Past an LF or a CR LF; null at anything else.
inline const unsigned char* lineEnd(const unsigned char* p) {
    if (p[0] == '\n') return p + 1;
    if (p[0] == '\r' && p[1] == '\n') return p + 2;
    return nullptr;
}

// "x y z" and its line end. Each coordinate is the integer of its digits divided by a
// power of ten, both exact in a double: one correctly rounded division, as the reference
// conversion makes it, then narrowed to float; the sign is set last, so -0 stays -0.
// Inlined at both its calls: a call, with the registers it saves, took 4 % of a load's
// instructions.
__attribute__((always_inline)) inline const unsigned char* vector(const unsigned char* p, Vec3& v) {
    // 48 bytes hold three numbers of up to 13 digits and their line end; 64, of up to 15.
    Bytes line(p, '.', 3);
    const std::uint64_t oneDropped = line.ends & (line.ends - 1);
    if ((oneDropped & (oneDropped - 1)) == 0) line.take(p, 3, '.');
    std::uint64_t ends = line.ends, points = line.marks;
    const int end0 = lowest(ends);
    ends &= ends - 1;
    const int end1 = lowest(ends);
    ends &= ends - 1;
    const int end2 = lowest(ends);
    if (end2 >= 63 || p[end0] != ' ' || p[end1] != ' ') return nullptr;
    int bad = 0;
    const Coordinate x = coordinate(p, points, 0, end0, bad);
    const Coordinate y = coordinate(p, points, end0 + 1, end1, bad);
    const Coordinate z = coordinate(p, points, end1 + 1, end2, bad);
    __m128i over = _mm_setzero_si128();
    __m128d valuesXY, valueZ;
    if (x.digits <= narrowDigits && y.digits <= narrowDigits && z.digits <= narrowDigits) {
        // Two numbers to a register, as most exporters' lines take them.
        const __m128i xy = digitValues(_mm_unpackhi_epi64(x.chars, y.chars),
                                       _mm_unpackhi_epi64(row(tables.keep, x.digits), row(tables.keep, y.digits)), over);
        const __m128i keepZ = row(tables.keep, z.digits);
        const __m128i zz = digitValues(_mm_unpackhi_epi64(z.chars, z.chars), _mm_unpackhi_epi64(keepZ, keepZ), over);
        const __m128i values = eightDigitValues(fourDigitGroups(xy), fourDigitGroups(zz));
        valuesXY = _mm_cvtepi32_pd(values);
        valueZ = _mm_cvtepi32_pd(_mm_unpackhi_epi64(values, values));
    } else {
        // A register to each number, its integer from its high and low eight digits; below
        // 10^15, it is exact throughout.
        const __m128i groupsX = fourDigitGroups(digitValues(x.chars, row(tables.keep, x.digits), over));
        const __m128i groupsY = fourDigitGroups(digitValues(y.chars, row(tables.keep, y.digits), over));
        const __m128i groupsZ = fourDigitGroups(digitValues(z.chars, row(tables.keep, z.digits), over));
        const __m128i halvesXY = eightDigitValues(groupsX, groupsY);  // x high, x low, y high, y low
        const __m128i highLowXY = _mm_shuffle_epi32(halvesXY, _MM_SHUFFLE(3, 1, 2, 0));
        const __m128d highLowZ = _mm_cvtepi32_pd(eightDigitValues(groupsZ, groupsZ));
        const __m128d eightDigits = _mm_set1_pd(1e8);
        valuesXY = _mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(highLowXY), eightDigits),
                              _mm_cvtepi32_pd(_mm_unpackhi_epi64(highLowXY, highLowXY)));
        valueZ = _mm_add_sd(_mm_mul_sd(highLowZ, eightDigits), _mm_unpackhi_pd(highLowZ, highLowZ));
    }
    if (bad != 0 || !allZero(over)) return nullptr;
    const __m128d quotientsXY = _mm_div_pd(valuesXY, _mm_set_pd(divisor(y.afterEnd), divisor(x.afterEnd)));
    const __m128d quotientZ = _mm_div_sd(valueZ, _mm_set_sd(divisor(z.afterEnd)));
    const __m128 signs = _mm_load_ps(reinterpret_cast<const float*>(tables.sign[x.negative | y.negative << 1 | z.negative << 2]));
    const __m128 xyz = _mm_xor_ps(_mm_movelh_ps(_mm_cvtpd_ps(quotientsXY), _mm_cvtpd_ps(quotientZ)), signs);
    _mm_storel_pi(reinterpret_cast<__m64*>(&v.x), xyz);
    _mm_store_ss(&v.z, _mm_movehl_ps(xyz, xyz));
    return lineEnd(p + end2);
}

// "a/b/c a/b/c a/b/c" and its line end: the vertex and normal indices of 1 to 8 digits
// (two to a register), the texture index read past.
const unsigned char* face(const unsigned char* p, Face& f) {
    const Bytes line(p, '/', 4);  // 64 bytes: three corners of 6-digit indices take at most 62
    std::uint64_t ends = line.ends, slashes = line.marks;
    int bad = 0;
    int begin = 0, end = 0;
    __m128i indices[6], keeps[6];  // vertex 1 to 3, then normal 1 to 3, each ending at the top
    for (int k = 0; k < 3; ++k) {
        end = lowest(ends);
        ends &= ends - 1;
        const int first = lowest(slashes);
        slashes &= slashes - 1;
        const int second = lowest(slashes);
        slashes &= slashes - 1;
        const int vertexDigits = first - begin, normalDigits = end - second - 1;
        const int textureChars = second - first - 1;  // at most 30: the token reader's field
        bad |= (static_cast<unsigned>(vertexDigits - 1) > unsigned{indexDigits - 1}) |
               (static_cast<unsigned>(normalDigits - 1) > unsigned{indexDigits - 1}) |
               (static_cast<unsigned>(textureChars) > 30u) | (k < 2 && p[end] != ' ');
        indices[k] = load16(p + first - 16);
        keeps[k] = row(tables.keep, vertexDigits);
        indices[3 + k] = load16(p + end - 16);
        keeps[3 + k] = row(tables.keep, normalDigits);
        begin = end + 1;
    }
    // Pairs in the order of the face's six fields, so that the values come out in it.
    __m128i pairs[3], over = _mm_setzero_si128();
    for (int i = 0; i < 3; ++i)
        pairs[i] = digitValues(_mm_unpackhi_epi64(indices[2 * i], indices[2 * i + 1]),
                               _mm_unpackhi_epi64(keeps[2 * i], keeps[2 * i + 1]), over);
    if (bad != 0 || end >= 63 || !allZero(over)) return nullptr;  // a slash too many stays among an index's digits
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&f), eightDigitValues(fourDigitGroups(pairs[0]), fourDigitGroups(pairs[1])));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(&f.normalIndex[1]),
                     eightDigitValues(fourDigitGroups(pairs[2]), _mm_setzero_si128()));
    return lineEnd(p + end);
}
static_assert(sizeof(Face) == 24 && offsetof(Face, normalIndex) == 12, "a face is its six indices in order");
}  // namespace

const unsigned char* readFastLines(const unsigned char* p, const unsigned char* last, Mesh& mesh) {
    int vertices = mesh.vertexCount, normals = mesh.normalCount, faces = mesh.faceCount;  // kept in registers
    while (last - p >= fastLineSpan) {
        const unsigned char* end = nullptr;
        if (p[0] == 'v' && p[1] == ' ') {
            if (vertices < Mesh::capacity && (end = vector(p + 2, mesh.vertices[vertices])) != nullptr) ++vertices;
        } else if (p[0] == 'v' && p[1] == 'n' && p[2] == ' ') {
            if (normals < Mesh::capacity && (end = vector(p + 3, mesh.normals[normals])) != nullptr) ++normals;
        } else if (p[0] == 'f' && p[1] == ' ') {
            if (faces < Mesh::capacity && (end = face(p + 2, mesh.faces[faces])) != nullptr) ++faces;
        }
        if (end == nullptr) break;
        p = end;
    }
    mesh.vertexCount = vertices;
    mesh.normalCount = normals;
    mesh.faceCount = faces;
    return p;
}

#else  // without 16-byte registers the reference reader reads every line
const unsigned char* readFastLines(const unsigned char* p, const unsigned char*, Mesh&) { return p; }
#endif
