#pragma once

#include <string>
#include <string_view>

// Reads the whole file at `path` into `bytes`. On failure returns false and sets
// `problem` to the reason (as strerror gives it).
bool readWholeFile(const std::string& path, std::string& bytes, std::string& problem);

// Writes all of `bytes` to `fd`, going on after interrupted writes.
bool writeAll(int fd, std::string_view bytes);

// Replaces the file at `path` with `bytes` through a temporary file beside it, so that a
// failed write leaves any earlier file intact.
bool replaceFile(const std::string& path, const std::string& bytes, std::string& problem);
