#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// Maps byte offsets of a file to 1-based line numbers as an editor shows them: a line
// ends at LF, at CR LF, or at a CR alone.
class LineIndex {
public:
    explicit LineIndex(std::string_view text);
    int lineOf(std::size_t offset) const;
    std::size_t lineStart(int line) const { return starts_[static_cast<std::size_t>(line - 1)]; }

private:
    std::vector<std::size_t> starts_;
};
