#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "mesh/ObjFastLines.h"
#include "mesh/ObjReferenceReader.h"
#include "mesh_files.h"

// The viewer reads common lines in one pass; the reference reader is what it must match
// exactly, message for message.
namespace {
struct Reading {
    std::unique_ptr<Mesh> mesh;
    std::vector<std::string> said;
    std::string err;  // standard error
};

void onMessage(void* context, const char* token) { static_cast<std::vector<std::string>*>(context)->emplace_back(token); }

Reading read(const std::string& path, bool fastLines, std::size_t blockBytes = ObjLoadOptions::mostBlockBytes) {
    std::vector<std::string> said;
    ObjLoadOptions options;
    options.fastLines = fastLines;
    options.blockBytes = blockBytes;
    options.message = onMessage;
    options.messageContext = &said;
    meshfiles::Loaded loaded = meshfiles::loadPath(path, options);
    return {std::move(loaded.mesh), std::move(said), std::move(loaded.err)};
}

// Bit for bit: the sign of -0 too.
void expectSameStore(const Mesh& a, const Mesh& b) {
    ASSERT_EQ(a.vertexCount, b.vertexCount);
    ASSERT_EQ(a.normalCount, b.normalCount);
    ASSERT_EQ(a.faceCount, b.faceCount);
    EXPECT_EQ(std::memcmp(a.vertices, b.vertices, sizeof(Vec3) * a.vertexCount), 0);
    EXPECT_EQ(std::memcmp(a.normals, b.normals, sizeof(Vec3) * a.normalCount), 0);
    EXPECT_EQ(std::memcmp(a.faces, b.faces, sizeof(Face) * a.faceCount), 0);
}

void expectSame(const Reading& a, const Reading& b) {
    EXPECT_EQ(a.said, b.said);
    EXPECT_EQ(a.err, b.err);
    expectSameStore(*a.mesh, *b.mesh);
}

// A random float, not 0, of moderate size.
float randomFloat(std::mt19937& rng) {
    const float unit = static_cast<float>((1u << 23) + rng() % (1u << 23)) / (1u << 24);  // [0.5, 1)
    return std::ldexp(rng() % 2 ? unit : -unit, static_cast<int>(rng() % 16) - 6);
}

// `digits` significant digits of a number close to the midpoint of two floats, with or
// without the zero in front of the point.
std::string nearFloatMidpoint(std::mt19937& rng, int digits) {
    const float f = randomFloat(rng);
    const double midpoint = (static_cast<double>(f) + std::nextafter(f, 2 * f)) / 2;
    const int whole = static_cast<int>(std::floor(std::log10(std::fabs(midpoint))));
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", std::max(0, digits - 1 - whole), midpoint);
    std::string t = text;
    const std::size_t zero = t[0] == '-';
    if (rng() % 2 && t.compare(zero, 2, "0.") == 0) t.erase(zero, 1);
    return t;
}

// Numbers as files hold them. Besides exporters' fixed decimals: floats as objprep writes
// them (shortest, or 17 digits); 9 to 17 digits close to the midpoint of two floats, some
// of them where rounding to double first (as the viewer does) and then to float differs
// from rounding to float at once (which takes 13 digits or more); and the limits of one
// exact division, 2^53 and 10^22, on either side.
std::string number(std::mt19937& rng) {
    static const char* const shapes[] = {"%.6f", "%.0f", "%.15f", "%.9g", "%.3e", "%.17g", "%.1f", "%.8f"};
    static const char* const limits[] = {
        "9007199254740991", "9007199254740992", "9007199254740993", "-999999999999999", "1000000000000000",
        ".999999999999999", "-1e22", "1e23", "9007199254740991e22", "1.23456789012345e-22", "1d-23", "4.5e15",
        "0.0000000000000000000001", "10000000000000000000000", "99999999999999.9", "0.00000000000000000000001"};
    char text[64];
    const unsigned kind = rng() % 8;
    if (kind < 4) {  // short numbers, as the fast path takes them
        std::uniform_real_distribution<double> value(-300.0, 300.0);
        std::snprintf(text, sizeof text, "%.*f", static_cast<int>(rng() % 10), value(rng));
    } else if (kind < 5) {
        std::uniform_real_distribution<double> value(-2e6, 2e6);
        std::snprintf(text, sizeof text, shapes[rng() % 8], value(rng) / std::pow(10.0, static_cast<int>(rng() % 8)));
    } else if (kind < 6) {
        const float f = randomFloat(rng);
        if (rng() % 4 == 0)
            std::snprintf(text, sizeof text, "%.17g", static_cast<double>(f));
        else
            *std::to_chars(text, text + sizeof text - 1, f).ptr = '\0';
    } else if (kind < 7) {
        std::string t = nearFloatMidpoint(rng, 9 + static_cast<int>(rng() % 9));
        auto roundsAlike = [](const std::string& n) {
            return static_cast<float>(std::strtod(n.c_str(), nullptr)) == std::strtof(n.c_str(), nullptr);
        };
        if (rng() % 4 == 0)  // found by trying: about two in a hundred at 15 digits
            for (int i = 0; i < 1000 && roundsAlike(t); ++i) t = nearFloatMidpoint(rng, 15);
        return t;
    } else {
        return limits[rng() % (sizeof limits / sizeof *limits)];
    }
    return text;
}

std::string index(std::mt19937& rng) { return std::to_string(rng() % (rng() % 16 ? 1000000u : 1000000000u)); }

// Now and then a byte replaced, dropped or doubled: signs, points, slashes and spaces in
// the wrong places, empty fields, other line ends.
std::string mutate(std::string text, std::mt19937& rng) {
    static const char pool[] = "0123456789-./ \t\r\n+e\x80";
    for (unsigned n = 1 + rng() % 3; n > 0 && !text.empty(); --n) {
        const std::size_t at = rng() % text.size();
        switch (rng() % 3) {
        case 0: text[at] = pool[rng() % (sizeof pool - 1)]; break;
        case 1: text.erase(at, 1); break;
        default: text.insert(at, 1, text[at]); break;
        }
    }
    return text;
}

// Lines as exporters write them, mostly plain, some of them mutated, now and then one that
// puts the reading out of step for a while.
std::string randomFile(std::mt19937& rng, int lines) {
    static const char* const odd[] = {"# a comment\n", "\n", "g body\n", "s off\n", "usemtl skin\n", "vt 0.5 0.25\n",
                                      "v  1 2 3\n", "f 1 2 3\n", "o thing\n", "v 1 2\n", "v\t1 2 3\n", "f 1/2 3/4 5/6\n"};
    std::string text;
    const char* end = rng() % 4 ? "\n" : "\r\n";
    for (int i = 0; i < lines; ++i) {
        const unsigned kind = rng() % 64;
        std::string line;
        if (kind == 0) {
            line = odd[rng() % 12];
        } else if (kind < 40) {
            line = (kind < 24 ? "v " : "vn ") + number(rng) + " " + number(rng) + " " + number(rng) + (rng() % 16 ? "" : " 1") + end;
        } else {
            line = "f";
            for (int k = 0; k < 3 + (rng() % 16 == 0); ++k) {
                const std::string v = index(rng), t = rng() % 3 ? "" : index(rng);
                line += " " + std::string(rng() % 32 ? "" : "-") + v + "/" + t + "/" + v;
            }
            line += end;
        }
        text += rng() % 8 ? line : mutate(line, rng);
    }
    return text;
}
}  // namespace

TEST(ObjFastLines, TakeThePlainLinesAndLeaveEveryOtherToTheReferenceReader) {
    const std::string plain =
        "v 1 -2 3\nv -0.5 12.345678 -99999999\r\nvn .5 5. -.25\nvn -0 .00000001 1234567.8\n"
        // 9 to 15 digits; the second line's first two round differently to float at once
        "v 123456789 -1.23456789 999999999999999\nvn .232153020799160 -.40257628262043 -12345678901234.5\n"
        "v -1234567.12345678 -.123456789012345 -99999999999999.9\n"
        "f 1//1 22/333/4444 55555555/7/8\r\nf 1/texture/2 3//4 5/abcdefghijklmnopqrstuvwxyz0123/6\n";
    const char* const left[] = {
        "v 1 2 1234567890123456\n", "v 1 2 0.123456789012345\n", "v 1 2 0.10000000149011612\n",
        "v +1 2 3\n",       "v 1e2 2 3\n",       "v 1 2 3 4\n",    "v  1 2 3\n",
        "v 1 2 3 \n",        "v 1\t2 3\n",         "v 1 2 3\r\r\n",   "v 1..5 2 3\n",   "v 1 2 3.4.5\n", "v 1 2-3 4\n",
        "v . 2 3\n",         "v - 2 3\n",          "v 1 2 3",         "vt 1 2\n",       "f 1 2 3\n",     "f 1//1 2//2\n",
        "f 1//1 2//2 3//3 4//4\n", "f -1//1 2//2 3//3\n", "f 1//1 2//2 123456789//3\n", "f 1//1 2//2 3//\n",
        "f 1/abcdefghijklmnopqrstuvwxyz01234/1 2//2 3//3\n", "f 1/x y/1 2//2 3//3\n", "vn 1 2 3\r4\n", "g v 1 2 3\n",
        "v 1 2: 3\n", "v 1/2 3 4\n", "f 1//1\t2//2 3//3\n", "f 1//1 2//2\r3//3\n", "f 1//1/1 2//2 3//3\n", "f 1//1 2//2 3/4/5/6\n",
    };
    // The lines in a block as the reader holds it: readable bytes before, and after the last.
    std::vector<unsigned char> block;
    auto fastRead = [&block](const std::string& text, Mesh& mesh) {
        block.assign(ObjReferenceReader::frontBytes, 0);
        block.insert(block.end(), text.begin(), text.end());
        block.insert(block.end(), fastLineSpan, '#');
        const unsigned char* p = block.data() + ObjReferenceReader::frontBytes;
        return readFastLines(p, block.data() + block.size(), mesh) - p;
    };
    const Reading reference = read(meshfiles::write("plain.obj", plain), false);
    ASSERT_EQ(reference.mesh->faceCount, 2);
    std::unique_ptr<Mesh> fast(Mesh::create(meshfiles::write("empty.obj", "").c_str()));
    for (const char* other : left) {
        SCOPED_TRACE(other);
        fast->vertexCount = fast->normalCount = fast->faceCount = 0;
        EXPECT_EQ(fastRead(plain + other, *fast), static_cast<long>(plain.size()));
        expectSameStore(*fast, *reference.mesh);
    }
}

TEST(ObjFastLines, StoreAndSayWhatTheReferenceReaderDoes) {
    std::mt19937 rng(11);
    std::vector<std::string> texts = {
        "", "v 1 2 3", "v 1 2 3\n\n", "# c\nv 1 2 3\nv 4 5 6\n", std::string("v 1 2 3\nv 4 5\x1A 6\nv 7 8 9\n"),
        "f 1//1 2//2 3//3 4//4\n", "v 1 2 3\rv 4 5 6\n", "v 1234567.1 -0.000000000000001 12345678\n",
        "v 0.1234567890123456 1. -0\nvn -.5 5.e1 1d2\n", "f 1234567//7654321 12345678//1 1/12345678/1\n",
    };
    for (int i = 0; i < 12; ++i) texts.push_back(randomFile(rng, 50 + i * 40));
    texts.push_back(randomFile(rng, 4000));  // longer than a block: lines cross block ends
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 80));
        const std::string path = meshfiles::write("fast.obj", text + std::string(rng() % 2 ? 200 : 0, ' '));
        const Reading reference = read(path, false);
        expectSame(read(path, true), reference);
        expectSame(read(path, true, 1 + rng() % 300), reference);  // a block end every few lines
    }
}
