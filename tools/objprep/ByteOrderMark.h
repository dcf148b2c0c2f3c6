#pragma once

#include <cstddef>
#include <string_view>

// The length of the UTF-8 byte order mark `bytes` begin with: 3, or 0 when there is none.
// Readers skip it but count file offsets from the file's first byte.
inline std::size_t byteOrderMarkLength(std::string_view bytes) {
    const std::string_view mark = "\xEF\xBB\xBF";
    return bytes.substr(0, mark.size()) == mark ? mark.size() : 0;
}
