#include "mesh/ObjFastLines.h"

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)  // every x86-64 processor
#include <emmintrin.h>

// A line is taken in with 16-byte loads. Where its field ends, points and slashes lie is
// found for the whole line at once, so its numbers do not wait for one another; each field
// is then loaded so that it ends at the top of a register, with its point taken out, and
// the digits of two fields are valued together.
namespace {
constexpr std::uint64_t noBit = std::uint64_t{1} << 63;  // found when a bit search finds nothing

// Position of the lowest bit set, or 63.
inline int lowest(std::uint64_t bits) { return __builtin_ctzll(bits | noBit); }

inline __m128i load16(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// The `chunks` times 16 bytes from p, one bit for each: `ends` for the bytes that end a
// field (up to ' ': spaces, line ends, tabs, NULs; and from 0x80, which no plain line
// holds), `marks` for the given mark ('.' or '/').
template <int chunks>
struct Bytes {
    std::uint64_t ends = 0;
    std::uint64_t marks = 0;
    Bytes(const unsigned char* p, char mark) {
        for (int i = 0; i < chunks; ++i) {
            const __m128i b = load16(p + 16 * i);
            const unsigned end = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(b, _mm_set1_epi8(' ' + 1))));
            const unsigned at = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, _mm_set1_epi8(mark))));
            ends |= std::uint64_t{end} << (16 * i);
            marks |= std::uint64_t{at} << (16 * i);
        }
    }
};

// Masks and divisors indexed by small counts, so that nothing shifts by a counted amount.
struct alignas(16) Tables {
    unsigned char keep[16][16];   // [n]: the top n lanes, the digits of a field ending at the top (n <= 8)
    unsigned char after[16][16];  // [t]: the lanes after a point t lanes before the top; all for t = 0
    double divisor[16];           // [t]: 10^(t-1), for the t - 1 digits after the point; 1 for t = 0
    std::uint32_t sign[8][4];     // [k]: the float sign bit in lane i when bit i of k is set
    constexpr Tables() : keep(), after(), divisor(), sign() {
        double power = 1;
        for (int n = 0; n < 16; ++n) {
            for (int i = 0; i < 16; ++i) {
                keep[n][i] = n <= 8 && i >= 16 - n ? 0xFF : 0;
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
inline __m128i row(const unsigned char (&table)[16][16], int i) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(table[i & 15]));
}

// Digit values of the kept lanes of `chars`, zero elsewhere; a kept lane that is no digit
// leaves a lane of `over` not zero.
inline __m128i digitValues(__m128i chars, __m128i keep, __m128i& over) {
    const __m128i values = _mm_sub_epi8(chars, _mm_set1_epi8('0'));
    over = _mm_or_si128(over, _mm_and_si128(_mm_subs_epu8(values, _mm_set1_epi8(9)), keep));
    return _mm_and_si128(values, keep);
}
inline bool allZero(__m128i v) { return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF; }

// The two 8-digit numbers in the halves of `digits` (leading zeros below their digits) as
// four 32-bit groups of four digits; then whole values from the groups of two such.
inline __m128i fourDigitGroups(__m128i digits) {
    const __m128i tens = _mm_set1_epi32(0x0001000A);      // each pair: 10 * first + second
    const __m128i hundreds = _mm_set1_epi32(0x00010064);  // each pair of pairs: 100 * first + second
    const __m128i low = _mm_madd_epi16(_mm_unpacklo_epi8(digits, _mm_setzero_si128()), tens);
    const __m128i high = _mm_madd_epi16(_mm_unpackhi_epi8(digits, _mm_setzero_si128()), tens);
    return _mm_madd_epi16(_mm_packs_epi32(low, high), hundreds);
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
// lies in the field. A field of no digit or more than 8 sets `bad`; a second point stays
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
    bad |= static_cast<unsigned>(c.digits - 1) > 7u;
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
const unsigned char* vector(const unsigned char* p, Vec3& v) {
    const Bytes<3> line(p, '.');  // 48 bytes: three such numbers and their line end take at most 34
    std::uint64_t ends = line.ends, points = line.marks;
    const int end0 = lowest(ends);
    ends &= ends - 1;
    const int end1 = lowest(ends);
    ends &= ends - 1;
    const int end2 = lowest(ends);
    if (end2 >= 48 || p[end0] != ' ' || p[end1] != ' ') return nullptr;
    int bad = 0;
    const Coordinate x = coordinate(p, points, 0, end0, bad);
    const Coordinate y = coordinate(p, points, end0 + 1, end1, bad);
    const Coordinate z = coordinate(p, points, end1 + 1, end2, bad);
    __m128i over = _mm_setzero_si128();
    const __m128i xy = digitValues(_mm_unpackhi_epi64(x.chars, y.chars),
                                   _mm_unpackhi_epi64(row(tables.keep, x.digits), row(tables.keep, y.digits)), over);
    const __m128i keepZ = row(tables.keep, z.digits);
    const __m128i zz = digitValues(_mm_unpackhi_epi64(z.chars, z.chars), _mm_unpackhi_epi64(keepZ, keepZ), over);
    if (bad != 0 || !allZero(over)) return nullptr;
    const __m128i values = eightDigitValues(fourDigitGroups(xy), fourDigitGroups(zz));
    const __m128d divisorsXY = _mm_set_pd(tables.divisor[y.afterEnd & 15], tables.divisor[x.afterEnd & 15]);
    const __m128d valuesXY = _mm_div_pd(_mm_cvtepi32_pd(values), divisorsXY);
    const __m128d valueZ = _mm_div_sd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(values, values)),
                                      _mm_set_sd(tables.divisor[z.afterEnd & 15]));
    const __m128 signs = _mm_load_ps(reinterpret_cast<const float*>(tables.sign[x.negative | y.negative << 1 | z.negative << 2]));
    const __m128 xyz = _mm_xor_ps(_mm_movelh_ps(_mm_cvtpd_ps(valuesXY), _mm_cvtpd_ps(valueZ)), signs);
    _mm_storel_pi(reinterpret_cast<__m64*>(&v.x), xyz);
    _mm_store_ss(&v.z, _mm_movehl_ps(xyz, xyz));
    return lineEnd(p + end2);
}

// "a/b/c a/b/c a/b/c" and its line end: the vertex and normal indices of 1 to 8 digits,
// the texture index read past.
const unsigned char* face(const unsigned char* p, Face& f) {
    const Bytes<4> line(p, '/');  // 64 bytes: three corners of 6-digit indices take at most 62
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
        bad |= (static_cast<unsigned>(vertexDigits - 1) > 7u) | (static_cast<unsigned>(normalDigits - 1) > 7u) |
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
