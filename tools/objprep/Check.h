#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// One place where the viewer's loader does not read a file as its lines mean.
struct CheckFinding {
    enum Kind {
        OutOfStep,   // words are read as commands (and reported) until a keyword starts a line again
        WrongText,   // a record is stored from text other than its own line's fields
        PolygonCut,  // a face of more than three corners: only its first three are stored
        NotDrawn,    // a stored face names an entry that does not exist: the viewer skips it
        Dropped,     // a record past the capacity of its array is dropped
    };
    Kind kind;
    int line;
    std::string what;
    std::vector<std::string> details;  // further lines: messages, what was stored
    std::string fix;
};

struct CheckResult {
    static constexpr std::size_t keptFindings = 50;  // the rest are only counted

    std::vector<CheckFinding> findings;
    std::size_t findingCount = 0;
    std::string printed;  // exactly what the viewer writes on standard output for this file
    std::size_t messageCount = 0;
    int vertices = 0;
    int normals = 0;
    int faces = 0;
    int drawnFaces = 0;

    bool complete() const { return findingCount == 0; }
};

// Runs the viewer's own loader on a private copy of `bytes` and explains what it read.
// Returns false, with `problem` set, when the loader cannot be run at all.
bool checkObj(std::string_view bytes, CheckResult& result, std::string& problem);

// The report of `objprep --check`, naming `fileName`.
void writeCheckReport(const std::string& fileName, const CheckResult& result, std::ostream& out);

// `objprep --check path`: reads the file (never creating it), reports on `out`, and
// returns the exit status.
int checkObjFile(const std::string& path, std::ostream& out, std::ostream& err);
