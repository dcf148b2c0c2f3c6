#include "LineIndex.h"

#include <algorithm>

LineIndex::LineIndex(std::string_view text) {
    starts_.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool crBeforeLf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        if ((text[i] == '\n' || text[i] == '\r') && !crBeforeLf)
            starts_.push_back(i + 1);
    }
}

int LineIndex::lineOf(std::size_t offset) const {
    return static_cast<int>(std::upper_bound(starts_.begin(), starts_.end(), offset) - starts_.begin());
}
