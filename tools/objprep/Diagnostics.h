#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "LineIndex.h"

// Errors and warnings about one input file, each prefixed with the file name and the
// line it concerns. Only the first few of each are kept; the rest are counted. `text`
// must outlive it: its lines are found once a message needs one (binary files never do).
class Diagnostics {
public:
    static constexpr std::size_t keptPerKind = 10;

    Diagnostics(std::string fileName, std::string_view text) : fileName_(std::move(fileName)), text_(text) {}

    void errorAt(std::size_t offset, const std::string& message) { add(errors, errorCount, at(offset) + message); }
    void warningAt(std::size_t offset, const std::string& message) {
        add(warnings, warningCount, at(offset) + message);
    }
    void error(const std::string& message) { add(errors, errorCount, fileName_ + ": " + message); }
    void warning(const std::string& message) { add(warnings, warningCount, fileName_ + ": " + message); }
    bool failed() const { return errorCount > 0; }
    const std::string& fileName() const { return fileName_; }

    std::vector<std::string> errors;
    std::vector<std::string> warnings;
    std::size_t errorCount = 0;  // including those not kept
    std::size_t warningCount = 0;

private:
    static void add(std::vector<std::string>& kept, std::size_t& count, std::string message) {
        if (count++ < keptPerKind)
            kept.push_back(std::move(message));
    }
    std::string at(std::size_t offset) {
        if (!lines_)
            lines_.emplace(text_);
        return fileName_ + ":" + std::to_string(lines_->lineOf(offset)) + ": ";
    }

    std::string fileName_;
    std::string_view text_;
    std::optional<LineIndex> lines_;
};
