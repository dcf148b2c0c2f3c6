#pragma once

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <string_view>

// The whitespace-separated words of a text, one at a time, with where each starts.
class Words {
public:
    explicit Words(std::string_view text, std::size_t at = 0) : text_(text), at_(at), start_(at) {}

    // The next word; empty at the end of the text.
    std::string_view next() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])))
            ++at_;
        start_ = at_;
        while (at_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[at_])))
            ++at_;
        return text_.substr(start_, at_ - start_);
    }
    std::string_view peek() {
        const std::size_t at = at_, start = start_;
        const std::string_view w = next();
        at_ = at, start_ = start;
        return w;
    }
    // Where the word last read starts, and where reading goes on.
    std::size_t start() const { return start_; }
    std::size_t offset() const { return at_; }

private:
    std::string_view text_;
    std::size_t at_, start_;
};

// `word` read whole as a finite number.
inline bool finiteNumber(std::string_view word, double& value) {
    const std::string text(word);
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(value);
}
