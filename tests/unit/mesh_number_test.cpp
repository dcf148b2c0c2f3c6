#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "mesh/ObjNumber.h"

namespace {
double decimal(const std::string& t) { return parseDecimal(t.c_str()); }
float coordinate(const std::string& t) { return parseCoordinate(t.c_str()); }
int index(const std::string& t) { return parseIndex(t.c_str()); }

// The C library's reading of a token once a d exponent is written as e. No number at
// all is 0, as C has it (mingw's library answers a lone minus sign with -0).
double libraryDecimal(std::string token) {
    for (char& c : token)
        if (c == 'd' || c == 'D') c = c == 'd' ? 'e' : 'E';
    char* end = nullptr;
    const double value = std::strtod(token.c_str(), &end);
    return end == token.c_str() ? 0.0 : value;
}

template <class T>
bool sameBits(T a, T b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string digits(std::mt19937_64& rng, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += char('0' + rng() % 10);
    return s;
}

// Decimal tokens of every shape the grammar allows, with white space and trailing junk;
// no hexadecimal, inf or nan (where the C library differs on purpose).
std::string randomToken(std::mt19937_64& rng) {
    std::string t;
    if (rng() % 8 == 0) t += " \t\n\v\f\r"[rng() % 6];
    if (rng() % 3 == 0) t += "+-"[rng() % 2];
    t += digits(rng, int(rng() % 21));
    if (rng() % 2) t += "." + digits(rng, int(rng() % 21));
    if (rng() % 2) {
        t += "eEdD"[rng() % 4];
        if (rng() % 2) t += "+-"[rng() % 2];
        t += digits(rng, int(rng() % 4));
    }
    if (rng() % 6 == 0) t += " x/.e"[rng() % 5];
    return t;
}

// Text close to the midpoint between two neighbouring doubles (or floats): where a
// conversion that is not correctly rounded goes wrong.
std::string nearTie(std::mt19937_64& rng) {
    char text[64];
    if (rng() % 2) {
        double a;
        do {
            const std::uint64_t bits = rng();
            std::memcpy(&a, &bits, sizeof a);
        } while (!std::isfinite(a));
        const long double mid = (static_cast<long double>(a) + std::nextafter(a, HUGE_VAL)) / 2;
        std::snprintf(text, sizeof text, "%.*Le", int(16 + rng() % 10), mid);
    } else {
        float a;
        do {
            const std::uint32_t bits = static_cast<std::uint32_t>(rng());
            std::memcpy(&a, &bits, sizeof a);
        } while (!std::isfinite(a));
        const double mid = (static_cast<double>(a) + std::nextafter(a, HUGE_VALF)) / 2;
        std::snprintf(text, sizeof text, "%.*e", int(7 + rng() % 12), mid);
    }
    return text;
}
}  // namespace

TEST(ObjNumbers, CoordinatesFollowStrtodWithDExponentsAndNoHexInfOrNan) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"1.5d2", 150},   {"-2.5D-1", -0.25}, {"1.5e2", 150}, {"+7", 7},        {" \t\n\v\f\r3", 3},
        {"0x10", 0},      {"inf", 0},         {"-nan", 0},    {"infinity", 0},   {"12abc", 12},
        {"1e", 1},        {"1d+", 1},         {".5", 0.5},    {"5.", 5},         {".", 0},
        {"-", 0},         {"", 0},            {"1.e2", 100},  {"1e400", HUGE_VAL}, {"-1d400", -HUGE_VAL},
        {"1e-400", 0},    {"--1", 0},         {"1 2", 1},     {"1/2", 1},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(sameBits(decimal(c.text), c.value)) << '"' << c.text << "\" gives " << decimal(c.text);
    }
    EXPECT_TRUE(std::signbit(decimal("-0")));
    EXPECT_TRUE(std::signbit(decimal("-0d999")));
}

TEST(ObjNumbers, CoordinateIsRoundedToDoubleBeforeFloat) {
    // Just above the midpoint of 1 and the next float, by less than a double resolves:
    // as a double it is the midpoint, which then ties to even (1), unlike direct rounding.
    const char* text = "1.000000059604644775390625000001";
    EXPECT_EQ(coordinate(text), 1.0f);
    EXPECT_NE(std::strtof(text, nullptr), 1.0f);
}

TEST(ObjNumbers, IndicesFollowStrtolClampedTo32Bits) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"17", 17},           {" -3/", -3},          {"+4x", 4},           {"x4", 0},
        {"", 0},              {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN}, {"99999999999999999999999", INT_MAX}, {"1.9", 1}, {"0x10", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(index(c.text), c.value) << '"' << c.text << '"';
}

TEST(ObjNumbers, ConversionMatchesTheCLibraryOnRandomTokens) {
    std::mt19937_64 rng(20240611);
    int mismatches = 0;
    for (int i = 0; i < 60000 && mismatches < 10; ++i) {
        const std::string t = i % 3 == 0 ? nearTie(rng) : randomToken(rng);
        const double expected = libraryDecimal(t);
        if (!sameBits(decimal(t), expected) ||
            !sameBits(coordinate(t), static_cast<float>(expected))) {
            ++mismatches;
            ADD_FAILURE() << '"' << t << "\" gives " << decimal(t) << ", strtod " << expected;
        }
        const std::string digitsText = (rng() % 2 ? "-" : "") + digits(rng, int(rng() % 14));
        const long wide = std::strtol(digitsText.c_str(), nullptr, 10);
        EXPECT_EQ(index(digitsText), wide > INT_MAX ? INT_MAX : wide < INT_MIN ? INT_MIN : int(wide)) << digitsText;
    }
}
