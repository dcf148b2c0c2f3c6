#include "ObjText.h"

#include <cstdio>

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t digits(std::string_view s, std::size_t at) {
    std::size_t i = at;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    return i - at;
}
}  // namespace

std::size_t plainNumberPrefix(std::string_view s) {
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    const std::size_t whole = digits(s, i);
    i += whole;
    std::size_t fraction = 0;
    if (i < s.size() && s[i] == '.') {
        fraction = digits(s, i + 1);
        if (whole + fraction > 0)
            i += 1 + fraction;
    }
    if (whole + fraction == 0)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t e = i + 1;
        if (e < s.size() && (s[e] == '+' || s[e] == '-'))
            ++e;
        const std::size_t power = digits(s, e);
        if (power > 0)
            i = e + power;
    }
    return i;
}

std::size_t plainIntegerPrefix(std::string_view s) {
    const std::size_t sign = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    const std::size_t n = digits(s, sign);
    return n > 0 ? sign + n : 0;
}

std::string escaped(std::string_view text, std::size_t limit) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    if (text.size() > limit)
        out += "...";
    return out;
}

std::string quoted(std::string_view text, std::size_t limit) {
    std::string out = escaped(text.substr(0, limit), limit);
    return '"' + out + '"' + (text.size() > limit ? "..." : "");
}
