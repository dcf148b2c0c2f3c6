#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "FloatText.h"
#include "mesh/ObjNumber.h"

namespace {
constexpr std::size_t viewerFieldChars = 30;  // longest field the viewer reads with its delimiter

void expectReadsBack(float value) {
    std::string text;
    appendFloat(text, value);
    const float back = parseCoordinate(text.c_str());
    EXPECT_EQ(std::memcmp(&back, &value, sizeof value), 0) << text << " for " << value;
    EXPECT_LE(text.size(), viewerFieldChars) << text;
    EXPECT_EQ(text.find_first_not_of("0123456789.e+-"), std::string::npos) << text;
}
}  // namespace

TEST(FloatText, EdgeValuesReadBackBitForBitThroughTheViewersConversion) {
    const float values[] = {0.0f,
                            -0.0f,
                            1.0f,
                            0.1f,
                            -1.0f / 3.0f,
                            16777217.0f,
                            std::numeric_limits<float>::max(),
                            -std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::min(),
                            std::numeric_limits<float>::denorm_min(),
                            -std::numeric_limits<float>::denorm_min(),
                            std::nextafter(1.0f, 2.0f),
                            1e-7f,
                            123456.789f};
    for (float v : values)
        expectReadsBack(v);
}

TEST(FloatText, RandomFloatsOfEveryMagnitudeReadBackAndFitAField) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t bits = rng();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
            expectReadsBack(value);
    }
}
