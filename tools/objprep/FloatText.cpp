#include "FloatText.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace {
constexpr int bufferBytes = 48;  // "-1.2345678901234567e-38" is the longest form written
constexpr int mostDecimals = 12;  // smaller shares read as 0

// As the viewer reads it: to the nearest double (as strtod, much faster), then to float.
bool readsBack(const char* text, const char* end, float value) {
    double read = 0;
    std::from_chars(text, end, read);
    const float back = static_cast<float>(read);
    return std::memcmp(&back, &value, sizeof value) == 0;
}
}  // namespace

void appendFloat(std::string& out, float value) {
    char text[bufferBytes];
    const std::to_chars_result shortest = std::to_chars(text, text + bufferBytes - 1, value);
    *shortest.ptr = '\0';
    // The shortest form is exact for a float reader; the viewer rounds to double first,
    // and 17 significant digits name that double, which is the float itself.
    if (!readsBack(text, shortest.ptr, value))
        std::snprintf(text, bufferBytes, "%.17g", static_cast<double>(value));
    out += text;
}

std::string percentText(double value) {
    // Decimals for two significant digits, found by exact steps rather than a logarithm,
    // whose last bit may differ between C libraries.
    int decimals = 1;
    for (double v = value; v > 0 && v < 1 && decimals < mostDecimals; v *= 10)
        ++decimals;
    if (value >= 10)
        decimals = 0;
    char text[bufferBytes];
    std::to_chars_result r = std::to_chars(text, text + bufferBytes, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc())  // too long for plain decimals
        r = std::to_chars(text, text + bufferBytes, value, std::chars_format::general, 2);
    return std::string(text, r.ptr);
}

std::string shortText(double value) {
    constexpr int digits = 6;
    char text[bufferBytes];
    const std::to_chars_result r = std::to_chars(text, text + bufferBytes, value, std::chars_format::general, digits);
    return std::string(text, r.ptr);
}
