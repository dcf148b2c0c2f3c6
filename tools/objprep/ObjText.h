#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The plain forms of numbers that every OBJ reader takes alike, and text made fit to
// show on one line of a report.

// Length of the longest prefix of `s` that is a plain decimal number (optional sign,
// digits with an optional point, optional e/E exponent), or 0.
std::size_t plainNumberPrefix(std::string_view s);

// Length of the longest prefix that is an optional sign and decimal digits, or 0.
std::size_t plainIntegerPrefix(std::string_view s);

// `text` with control and non-ASCII bytes escaped (\n, \t, \r, \xHH), cut after `limit`
// bytes (then ending in "...").
std::string escaped(std::string_view text, std::size_t limit = 60);

// The same between double quotes.
std::string quoted(std::string_view text, std::size_t limit = 60);
