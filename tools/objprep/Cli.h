#pragma once

#include <iosfwd>

// Exit statuses of objprep.
constexpr int exitDone = 0;         // converted; for --check: the file loads completely
constexpr int exitNotViewable = 1;  // cannot be converted; for --check: does not load completely
constexpr int exitCannotRun = 2;    // a file cannot be read or written, or the command line is wrong

// Runs objprep on its arguments (argv[0] is the program name): the converted model or
// the --check report goes to `out`, errors and the summary to `err`.
int runObjprep(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
