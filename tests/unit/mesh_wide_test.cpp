#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "mesh/ObjPlainWide.h"

// Lines with short numbers are read side by side; every line that reading takes must come
// out exactly as the word-at-a-time reading gives it, whatever follows the line end.
namespace {
struct Line {
    unsigned char bytes[2 * objplain::lineSpan];
};

// `text` followed by random bytes, as a line sits in a block.
Line place(const std::string& text, std::mt19937& rng) {
    Line line;
    for (unsigned char& b : line.bytes) b = static_cast<unsigned char>(rng());
    std::memcpy(line.bytes, text.data(), text.size());
    return line;
}

std::string coordinates(std::mt19937& rng) {
    std::uniform_real_distribution<double> value(-300.0, 300.0);
    std::string text;
    for (int k = 0; k < 3; ++k) {
        char number[64];
        std::snprintf(number, sizeof number, "%.*f", static_cast<int>(rng() % 10), value(rng));
        text += number;
        text += k < 2 ? " " : rng() % 4 ? "\n" : "\r\n";
    }
    return text;
}

std::string corners(std::mt19937& rng) {
    std::string text;
    auto index = [&rng] { return std::to_string(rng() % (rng() % 16 ? 1000000u : 100000000u)); };
    for (int k = 0; k < 3; ++k) {
        text += index() + "/" + (rng() % 2 ? "" : index()) + "/" + index();
        text += k < 2 ? " " : rng() % 4 ? "\n" : "\r\n";
    }
    return text;
}

// Now and then a byte replaced, dropped or doubled: signs, points, slashes and spaces in
// the wrong places, empty fields, other line ends.
std::string mutate(std::string text, std::mt19937& rng) {
    static const char pool[] = "0123456789-./ \t\r\n+e";
    for (unsigned n = rng() % 3; n > 0 && !text.empty(); --n) {
        const std::size_t at = rng() % text.size();
        switch (rng() % 3) {
        case 0: text[at] = pool[rng() % (sizeof pool - 1)]; break;
        case 1: text.erase(at, 1); break;
        default: text.insert(at, 1, text[at]); break;
        }
    }
    return text;
}
}  // namespace

TEST(ObjWideLines, TakeOnlyLinesTheWordReadingTakesAndReadThemAlike) {
    std::mt19937 rng(20261207);
    int vectorsTaken = 0, facesTaken = 0;
    for (int i = 0; i < 200000; ++i) {
        const bool isFace = i % 2 != 0;
        std::string text = isFace ? corners(rng) : coordinates(rng);
        if (i % 3 == 0) text = mutate(text, rng);
        const Line line = place(text, rng);
        if (isFace) {
            Face wide{}, word{};
            const unsigned char* end = objplain::wide::face(line.bytes, wide);
            if (end == nullptr) continue;
            ++facesTaken;
            ASSERT_EQ(end, objplain::face(line.bytes, word)) << text;
            ASSERT_EQ(std::memcmp(&wide, &word, sizeof wide), 0) << text;
        } else {
            Vec3 wide{}, word{};
            const unsigned char* end = objplain::wide::vector(line.bytes, wide);
            if (end == nullptr) continue;
            ++vectorsTaken;
            ASSERT_EQ(end, objplain::vector(line.bytes, word)) << text;
            ASSERT_EQ(std::memcmp(&wide, &word, sizeof wide), 0) << text;  // the sign of -0 too
        }
    }
#if defined(__SSE2__)
    // The common shapes do go the wide way.
    EXPECT_GT(vectorsTaken, 20000);
    EXPECT_GT(facesTaken, 10000);
#endif
}
