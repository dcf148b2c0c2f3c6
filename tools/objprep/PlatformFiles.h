#pragma once

#include <string>

// The file calls that differ between platforms. Every descriptor reads and writes bytes
// as stored (no line-end translation) and is not handed to child processes. Failures
// return -1 or false with errno set.

// Opens `path` for reading.
int openForReading(const std::string& path);
// Creates and opens for writing a new file whose name is `stem` followed by a unique
// suffix; sets `path` to that name.
int createUniqueFile(const std::string& stem, std::string& path);
// Gives the file open as `fd` the permissions a file written to `path` gets: those of
// the file there now, or those of a new file.
bool takeModeFor(int fd, const std::string& path);
// Moves the file `from` to `to`, replacing any file there.
bool moveOver(const std::string& from, const std::string& to);
// Opens the null device for writing.
int openNullDevice();
// The folder for temporary files, with a trailing separator.
std::string temporaryFolder();
// The characters that end a folder's name in a path: '/', and on Windows the backslash
// too (on POSIX a backslash is a character of the name like any other).
const char* folderSeparators();
