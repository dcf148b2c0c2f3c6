#include "Check.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>

#include "ByteOrderMark.h"
#include "Cli.h"
#include "FileIo.h"
#include "FloatText.h"
#include "LineIndex.h"
#include "ObjText.h"
#include "PlatformFiles.h"
#include "mesh/Mesh.h"
#include "mesh/ObjTrace.h"

namespace {

constexpr std::size_t none = static_cast<std::size_t>(-1);
constexpr std::size_t shownMessagesPerStretch = 10;
constexpr int fieldMostChars = 30;  // a field read up to its delimiter; 254 for "g" and "usemtl"
constexpr int textMostChars = 254;

const char* const fixOutOfStep = "writes only records the viewer reads, one to a line, with single spaces";
const char* const fixWrongText = "writes every number and index in the form the viewer reads";
const char* const fixPolygon = "cuts polygons into triangles";
const char* const fixNotDrawn = "resolves relative indices and checks that every index names an entry";
const char* const fixDropped = "simplifies the model to what the viewer holds";
const char* const fixEndByte = "reads the whole file and writes no such byte";
constexpr char endOfFileByte = 0x1A;  // ends the file for the viewer's text-mode reading

// What a field of a record should hold.
enum class Expect {
    Number,           // a whole plain decimal number
    NumberThenRest,   // a number, then nothing or a space or tab and anything (the line's end)
    Index,            // a whole integer
    OptionalIndex,    // an integer or nothing (a texture index)
    IndexThenRest,    // the last normal index of a face: more corners may follow
    Anything,         // any text up to the line end
};

const char* keywordOf(ObjRecordKind kind) {
    switch (kind) {
    case ObjRecordKind::Group: return "g";
    case ObjRecordKind::Vertex: return "v";
    case ObjRecordKind::TexCoord: return "vt";
    case ObjRecordKind::Normal: return "vn";
    case ObjRecordKind::Smoothing: return "s";
    case ObjRecordKind::Material: return "usemtl";
    case ObjRecordKind::Face: return "f";
    default: return "";
    }
}

// OBJ records that general files hold and the viewer does not know.
bool isOtherObjKeyword(std::string_view word) {
    static const char* const words[] = {"o", "mtllib", "l", "p", "vp", "cstype", "deg", "curv", "curv2",
                                        "surf", "parm", "trim", "hole", "end", "mg", "lod", "bevel",
                                        "c_interp", "d_interp", "usemap", "maplib", "shadow_obj", "trace_obj"};
    return std::any_of(std::begin(words), std::end(words), [&](const char* w) { return word == w; });
}

std::string fieldName(ObjRecordKind kind, int i) {
    static const char* const xyz[] = {"x", "y", "z"};
    static const char* const corner[] = {"vertex index", "texture index", "normal index"};
    switch (kind) {
    case ObjRecordKind::Vertex:
    case ObjRecordKind::Normal: return std::string("its ") + xyz[i];
    case ObjRecordKind::TexCoord: return i == 0 ? "its first value" : "the rest of its line";
    case ObjRecordKind::Face: return "corner " + std::to_string(i / 3 + 1) + "'s " + corner[i % 3];
    default: return "the rest of its line";
    }
}

Expect expected(ObjRecordKind kind, int i) {
    switch (kind) {
    case ObjRecordKind::Vertex:
    case ObjRecordKind::Normal: return i < 2 ? Expect::Number : Expect::NumberThenRest;
    case ObjRecordKind::Face:
        if (i % 3 == 1)
            return Expect::OptionalIndex;
        return i == 8 ? Expect::IndexThenRest : Expect::Index;
    default: return Expect::Anything;
    }
}

bool endsWord(std::string_view text, std::size_t at) { return at == text.size() || text[at] == ' ' || text[at] == '\t'; }

// Why the read `t` (the i-th field of a record of `kind`) does not hold what its line
// means; empty when it does.
std::string fieldProblem(ObjRecordKind kind, int i, const ObjToken& t, bool lastRead) {
    const std::string_view text(t.text, static_cast<std::size_t>(t.length));
    const std::string name = fieldName(kind, i);
    const bool longText = kind == ObjRecordKind::Group || kind == ObjRecordKind::Material;
    if (t.stop == ObjToken::Full)
        return name + " has more than " + std::to_string(longText ? textMostChars : fieldMostChars) +
               " characters: the read stops inside it and the rest is read as what follows";
    const bool slashRead = kind == ObjRecordKind::Face && i % 3 != 2;
    if (slashRead && text.find_first_of(" \n") != std::string_view::npos)
        return "corner " + std::to_string(i / 3 + 1) + " is not written v//n or v/t/n: the read up to the next slash takes " +
               quoted(text);
    if (t.stop == ObjToken::EndOfFile && t.length == 0)
        return "the file ends before " + name;
    if (t.stop == ObjToken::EndOfFile && !lastRead)
        return "the file ends in the middle of the record, in " + name;
    if (text.find('\n') != std::string_view::npos)
        return name + " runs across the line end: " + quoted(text);
    switch (expected(kind, i)) {
    case Expect::Number:
        if (text.empty())
            return name + " is empty (two spaces in a row?), so it reads as 0";
        if (plainNumberPrefix(text) != text.size())
            return name + " " + quoted(text) + " is not a plain decimal number";
        return "";
    case Expect::NumberThenRest:
        if (text.empty())
            return name + " is missing, so it reads as 0";
        if (plainNumberPrefix(text) == 0 || !endsWord(text, plainNumberPrefix(text)))
            return name + " " + quoted(text) + " does not start with a plain decimal number";
        return "";
    case Expect::Index:
        if (text.empty())
            return name + " is empty, so it reads as 0";
        if (plainIntegerPrefix(text) != text.size())
            return name + " " + quoted(text) + " is not a whole number";
        return "";
    case Expect::OptionalIndex:
        return text.empty() || plainIntegerPrefix(text) == text.size()
                   ? ""
                   : name + " " + quoted(text) + " is not a whole number";
    case Expect::IndexThenRest:
        if (text.empty())
            return name + " is missing, so it reads as 0";
        if (plainIntegerPrefix(text) == 0 || !endsWord(text, plainIntegerPrefix(text)))
            return name + " " + quoted(text) + " does not start with a whole number";
        return "";
    case Expect::Anything: return "";
    }
    return "";
}

// Corners after the third on a face line (from its last read), or 0.
int extraCorners(const ObjToken& last) {
    const std::string_view text(last.text, static_cast<std::size_t>(last.length));
    int words = 0;
    bool inWord = false;
    for (std::size_t i = plainIntegerPrefix(text); i < text.size(); ++i) {
        const bool blank = text[i] == ' ' || text[i] == '\t' || text[i] == '\r';
        if (!blank && !inWord)
            ++words;
        inWord = !blank;
    }
    return words;
}

// A finding that still needs the value its record stored, known once the load is over.
struct StoredRef {
    std::size_t finding;
    ObjRecordKind kind;
    int slot;
};

// Follows the loader record by record and notes where its reading leaves the lines.
struct Analyzer {
    Analyzer(std::string_view fileBytes, CheckResult& out) : bytes(fileBytes), lines(fileBytes), result(out) {}

    std::string_view bytes;
    LineIndex lines;
    CheckResult& result;
    bool outOfStep = false;
    std::size_t stretch = none;  // the kept finding of the stretch being read out of step
    std::size_t stretchMessages = 0;
    int vertexSlots = 0;
    int normalSlots = 0;
    std::vector<StoredRef> stored;
    std::vector<int> faceLine;
    std::vector<std::size_t> faceFinding;  // per stored face: its kept finding, or none
    std::vector<bool> faceFlagged;         // per stored face: it has a finding, kept or not

    int lineOf(long offset) const { return lines.lineOf(static_cast<std::size_t>(offset)); }

    // The viewer starts a line's command after a line feed; spaces before it are harmless.
    bool atLineStart(long offset) const {
        std::size_t i = static_cast<std::size_t>(offset);
        while (i > 0 && bytes[i - 1] == ' ')
            --i;
        return i == 0 || bytes[i - 1] == '\n';
    }

    std::size_t add(CheckFinding::Kind kind, int line, std::string what, const char* fix) {
        ++result.findingCount;
        if (result.findings.size() >= CheckResult::keptFindings)
            return none;
        result.findings.push_back({kind, line, std::move(what), {}, fix});
        return result.findings.size() - 1;
    }

    void detail(std::size_t finding, std::string text) {
        if (finding != none)
            result.findings[finding].details.push_back(std::move(text));
    }

    void closeStretch(const std::string& how) {
        if (stretchMessages > shownMessagesPerStretch)
            detail(stretch, "... and " + std::to_string(stretchMessages - shownMessagesPerStretch) +
                                " more such lines");
        detail(stretch, how);
        outOfStep = false;
        stretch = none;
        stretchMessages = 0;
    }

    void openStretch(int line, std::string why) {
        outOfStep = true;
        stretchMessages = 0;
        stretch = add(CheckFinding::OutOfStep, line, "reading goes out of step: " + why, fixOutOfStep);
    }

    static std::string whyUnrecognized(std::string_view token, bool lineStart) {
        if (!lineStart)
            return quoted(token) + " is read as a command from the middle of a line";
        const std::string_view firstLine = token.substr(0, token.find('\n'));
        const std::string_view firstWord = firstLine.substr(0, firstLine.find('\t'));
        if (byteOrderMarkLength(token) > 0)
            return "the file starts with a byte order mark, which the viewer reads as part of the first word";
        if (token[0] == '#')
            return "a comment line, which the viewer does not skip";
        if (token[0] == '\n')
            return "a blank line";
        if (firstLine.find('\t') != std::string_view::npos)
            return "a tab; the viewer separates words only by single spaces";
        if (firstLine.find('\r') != std::string_view::npos)
            return "a carriage return that is not part of a CR LF line end";
        if (isOtherObjKeyword(firstWord))
            return "the viewer does not know " + quoted(firstWord) + " records";
        if (firstLine.size() < token.size())
            return quoted(firstLine) + " has no space after it before the line ends";
        return quoted(token) + " is not a keyword the viewer knows";
    }

    void unrecognized(const ObjRecord& r) {
        const std::string token(r.command.text);  // the loader prints it as a C string
        const std::string message = "OBJ Unrecognized Command: \"" + token + "\"\n";
        result.printed += message;
        ++result.messageCount;
        if (!outOfStep)
            openStretch(lineOf(r.command.begin), whyUnrecognized(token, atLineStart(r.command.begin)));
        if (stretchMessages++ < shownMessagesPerStretch)
            detail(stretch, "line " + std::to_string(lineOf(r.command.begin)) + ": the viewer prints " +
                                escaped(message.substr(0, message.size() - 1), 100));
    }

    // The slot a stored record went to, counted as the loader counts.
    int takeSlot(const ObjRecord& r) {
        switch (r.kind) {
        case ObjRecordKind::Vertex: return vertexSlots++;
        case ObjRecordKind::Normal: return normalSlots++;
        case ObjRecordKind::Face:
            faceLine.push_back(lineOf(r.command.begin));
            faceFinding.push_back(none);
            faceFlagged.push_back(false);
            return static_cast<int>(faceLine.size()) - 1;
        default: return -1;
        }
    }

    void noteStored(std::size_t finding, const ObjRecord& r, int slot) {
        if (slot < 0)
            return;
        if (finding != none)
            stored.push_back({finding, r.kind, slot});
        if (r.kind == ObjRecordKind::Face) {
            faceFinding[static_cast<std::size_t>(slot)] = finding;
            faceFlagged[static_cast<std::size_t>(slot)] = true;
        }
    }

    void keyword(const ObjRecord& r) {
        const bool lineStart = atLineStart(r.command.begin);
        const int line = lineOf(r.command.begin);
        const std::string kw = quoted(keywordOf(r.kind));
        if (lineStart && outOfStep)
            closeStretch("reading is back in step at line " + std::to_string(line));
        if (!lineStart && !outOfStep)
            openStretch(line, kw + " is read as a command from the middle of a line, where the record before stopped");
        const bool storing = r.kind == ObjRecordKind::Vertex || r.kind == ObjRecordKind::Normal || r.kind == ObjRecordKind::Face;
        if (storing && !r.stored) {
            add(CheckFinding::Dropped, line,
                "the " + kw + " record is dropped: the viewer holds " + std::to_string(Mesh::capacity) + " of a kind",
                fixDropped);
            return;
        }
        const int slot = r.stored ? takeSlot(r) : -1;
        if (!lineStart) {
            if (slot >= 0)
                noteStored(add(CheckFinding::WrongText, line, "the " + kw + " record here is read from the middle of the line",
                               fixWrongText),
                           r, slot);
            return;
        }
        for (int i = 0; i < r.fieldCount; ++i) {
            const std::string problem = fieldProblem(r.kind, i, r.fields[i], i == r.fieldCount - 1);
            if (!problem.empty()) {
                const std::size_t finding =
                    add(CheckFinding::WrongText, line, "the " + kw + " record is read wrongly: " + problem, fixWrongText);
                const ObjToken& last = r.fields[r.fieldCount - 1];
                const int lastLine = last.end > last.begin ? lineOf(last.end - 1) : line;
                if (lastLine > line)
                    detail(finding, "its reads run on to line " + std::to_string(lastLine) + ": what " +
                                        (lastLine == line + 1 ? "line " + std::to_string(lastLine) + " holds"
                                                              : "lines " + std::to_string(line + 1) + " to " +
                                                                    std::to_string(lastLine) + " hold") +
                                        " is lost");
                noteStored(finding, r, slot);
                return;
            }
        }
        if (r.kind == ObjRecordKind::Face && r.fieldCount == 9 && extraCorners(r.fields[8]) > 0) {
            const int corners = 3 + extraCorners(r.fields[8]);
            noteStored(add(CheckFinding::PolygonCut, line,
                           "the face has " + std::to_string(corners) + " corners: the viewer stores its first three only",
                           fixPolygon),
                       r, slot);
        }
    }
};

void onRecord(void* context, const ObjRecord& record) {
    Analyzer& a = *static_cast<Analyzer*>(context);
    if (record.kind == ObjRecordKind::Unrecognized)
        a.unrecognized(record);
    else if (record.kind != ObjRecordKind::Empty)
        a.keyword(record);
}

std::string vectorText(const Vec3& v) {
    std::string s = "(";
    appendFloat(s, v.x);
    s += ", ";
    appendFloat(s, v.y);
    s += ", ";
    appendFloat(s, v.z);
    return s + ")";
}

std::string faceText(const Face& f) {
    return "vertices " + std::to_string(f.vertexIndex[0]) + " " + std::to_string(f.vertexIndex[1]) + " " +
           std::to_string(f.vertexIndex[2]) + ", normals " + std::to_string(f.normalIndex[0]) + " " +
           std::to_string(f.normalIndex[1]) + " " + std::to_string(f.normalIndex[2]);
}

std::string storedText(const Mesh& mesh, const StoredRef& s) {
    const std::size_t i = static_cast<std::size_t>(s.slot);
    switch (s.kind) {
    case ObjRecordKind::Vertex: return "stores vertex " + std::to_string(s.slot + 1) + " = " + vectorText(mesh.vertices[i]);
    case ObjRecordKind::Normal: return "stores normal " + std::to_string(s.slot + 1) + " = " + vectorText(mesh.normals[i]);
    default: return "stores face " + std::to_string(s.slot + 1) + ": " + faceText(mesh.faces[i]);
    }
}

// The first index of the face that names no stored entry, described; empty when all do.
std::string missingEntry(const Mesh& mesh, const Face& f) {
    for (int k = 0; k < 3; ++k) {
        const int v = f.vertexIndex[k], n = f.normalIndex[k];
        if (v < 1 || v > mesh.vertexCount)
            return "vertex " + std::to_string(v) + " (" + std::to_string(mesh.vertexCount) + " are stored)";
        if (n < 1 || n > mesh.normalCount)
            return "normal " + std::to_string(n) + " (" + std::to_string(mesh.normalCount) + " are stored)";
    }
    return "";
}

void judgeFaces(const Mesh& mesh, Analyzer& a) {
    CheckResult& result = a.result;
    for (int i = 0; i < mesh.faceCount; ++i) {
        const Face& f = mesh.faces[i];
        const std::string missing = missingEntry(mesh, f);
        if (missing.empty()) {
            ++result.drawnFaces;
            continue;
        }
        const std::size_t k = static_cast<std::size_t>(i);
        const bool relative = std::min({f.vertexIndex[0], f.vertexIndex[1], f.vertexIndex[2], f.normalIndex[0],
                                        f.normalIndex[1], f.normalIndex[2]}) < 1;
        const std::string why = "the viewer does not draw face " + std::to_string(i + 1) + ": it names " + missing +
                                (relative ? "; the viewer keeps relative (negative) and zero indices as written" : "");
        if (a.faceFlagged[k])
            a.detail(a.faceFinding[k], why);
        else
            a.detail(a.add(CheckFinding::NotDrawn, a.faceLine[k], why, fixNotDrawn), storedText(mesh, {0, ObjRecordKind::Face, i}));
    }
}

// The loader prints its messages on standard output; the report recomputes them, so
// the loader's own copy goes to the null device while it runs.
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        const int null = openNullDevice();
        if (saved_ >= 0 && null >= 0)
            ::dup2(null, STDOUT_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        if (saved_ >= 0) {
            ::dup2(saved_, STDOUT_FILENO);
            ::close(saved_);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_ = -1;
};

// A private copy of the file, so that the loader (which creates missing files) never
// opens the user's path, and a file that changes meanwhile is read as it was.
class PrivateCopy {
public:
    PrivateCopy() {
        fd_ = createUniqueFile(temporaryFolder() + "objprep-check-", path_);
    }
    ~PrivateCopy() {
        if (fd_ >= 0) {
            ::close(fd_);
            ::unlink(path_.c_str());
        }
    }
    PrivateCopy(const PrivateCopy&) = delete;
    PrivateCopy& operator=(const PrivateCopy&) = delete;

    bool made() const { return fd_ >= 0; }
    const char* path() const { return path_.c_str(); }
    bool write(std::string_view bytes) { return writeAll(fd_, bytes); }

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace

bool checkObj(std::string_view bytes, CheckResult& result, std::string& problem) {
    PrivateCopy copy;
    if (!copy.made()) {
        problem = std::string("cannot make a temporary copy: ") + std::strerror(errno);
        return false;
    }
    // Created while the copy is still empty, so that only the traced load reads the file.
    std::unique_ptr<Mesh> mesh(Mesh::create(copy.path()));
    if (!mesh) {
        problem = "not enough memory for the viewer's mesh";
        return false;
    }
    if (!copy.write(bytes)) {
        problem = std::string("cannot write a temporary copy: ") + std::strerror(errno);
        return false;
    }
    result = CheckResult{};
    Analyzer analyzer(bytes, result);
    {
        QuietStdout quiet;
        ObjLoadOptions traced;
        traced.trace = onRecord;
        traced.traceContext = &analyzer;
        mesh->load(copy.path(), traced);
    }
    if (analyzer.outOfStep)
        analyzer.closeStretch("reading is still out of step at the end of the file");
    const std::size_t endByte = bytes.find(endOfFileByte);
    if (endByte != std::string_view::npos &&
        bytes.find_first_not_of(" \t\r\n", endByte + 1) != std::string_view::npos)
        analyzer.add(CheckFinding::Dropped, analyzer.lines.lineOf(endByte),
                     "a 0x1A byte ends the file for the viewer: nothing after it is read", fixEndByte);
    for (const StoredRef& s : analyzer.stored)
        analyzer.detail(s.finding, storedText(*mesh, s));
    judgeFaces(*mesh, analyzer);
    std::stable_sort(result.findings.begin(), result.findings.end(),
                     [](const CheckFinding& a, const CheckFinding& b) { return a.line < b.line; });
    result.vertices = mesh->vertexCount;
    result.normals = mesh->normalCount;
    result.faces = mesh->faceCount;
    return true;
}

namespace {
std::string counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}
}  // namespace

void writeCheckReport(const std::string& fileName, const CheckResult& result, std::ostream& out) {
    for (const CheckFinding& f : result.findings) {
        out << fileName << ':' << f.line << ": " << f.what << '\n';
        for (const std::string& d : f.details)
            out << "    " << d << '\n';
        out << "    fix: objprep " << f.fix << '\n';
    }
    if (result.findingCount > result.findings.size())
        out << "... and " << result.findingCount - result.findings.size() << " more findings\n";
    out << fileName << ": the viewer stores " << counted(result.vertices, "vertex", "vertices") << ", "
        << counted(result.normals, "normal", "normals") << " and " << counted(result.faces, "face", "faces") << " ("
        << result.drawnFaces << " drawn), and prints " << counted(result.messageCount, "line", "lines")
        << " on standard output\n";
    if (result.complete())
        out << fileName << ": loads completely\n";
    else
        out << fileName << ": does not load completely (" << counted(result.findingCount, "finding", "findings")
            << "); to fix it, run: objprep " << fileName << " -o FIXED.obj\n";
}

int checkObjFile(const std::string& path, std::ostream& out, std::ostream& err) {
    std::string bytes, problem;
    if (!readWholeFile(path, bytes, problem)) {
        err << "objprep: " << path << ": cannot read: " << problem << '\n';
        return exitCannotRun;
    }
    CheckResult result;
    if (!checkObj(bytes, result, problem)) {
        err << "objprep: " << path << ": cannot check: " << problem << '\n';
        return exitCannotRun;
    }
    writeCheckReport(path, result, out);
    return result.complete() ? exitDone : exitNotViewable;
}
