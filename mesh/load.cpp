#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "mesh/Mesh.h"
#include "mesh/ObjLoad.h"
#include "mesh/ObjNumber.h"
#include "mesh/ObjStream.h"
#include "mesh/ObjTrace.h"
#include "mesh/OpenFile.h"

namespace {
constexpr int commandCapacity = 256;  // the command token, at most 255 characters
constexpr int textCapacity = 256;     // the rest of a "g" or "usemtl" line
constexpr int fieldCapacity = 32;     // every other field, at most 31 characters
constexpr int faceFields = 9;         // three corners of vertex / texture / normal
constexpr unsigned char space = ' ';
constexpr unsigned char lineFeed = '\n';
constexpr unsigned char slash = '/';

// Everything one load works with.
struct ObjLoad {
    explicit ObjLoad(Mesh& target, int fd) : mesh(target), in(fd) {}
    Mesh& mesh;
    int nextVertex = 0;
    long droppedVertices = 0;  // records past an array's capacity
    long droppedNormals = 0;
    long droppedFaces = 0;
    char command[commandCapacity];
    char text[textCapacity];
    char fields[faceFields][fieldCapacity + numberPadding] = {};  // converted in place
    ObjStream in;
};

// Compared as C strings: a NUL byte read from the file ends the token.
ObjRecordKind classify(const char* c) {
    switch (c[0]) {
    case '\0': return ObjRecordKind::Empty;
    case 'g': return c[1] == '\0' ? ObjRecordKind::Group : ObjRecordKind::Unrecognized;
    case 'v':
        if (c[1] == '\0') return ObjRecordKind::Vertex;
        if (c[2] == '\0' && c[1] == 't') return ObjRecordKind::TexCoord;
        if (c[2] == '\0' && c[1] == 'n') return ObjRecordKind::Normal;
        return ObjRecordKind::Unrecognized;
    case 's': return c[1] == '\0' ? ObjRecordKind::Smoothing : ObjRecordKind::Unrecognized;
    case 'u': return std::strcmp(c, "usemtl") == 0 ? ObjRecordKind::Material : ObjRecordKind::Unrecognized;
    case 'f': return c[1] == '\0' ? ObjRecordKind::Face : ObjRecordKind::Unrecognized;
    default: return ObjRecordKind::Unrecognized;
    }
}

// The viewer's load: every hook is empty and vanishes when inlined.
struct NoTrace {
    void read(int, long, const ObjStream&, const char*, int) {}
    void record(ObjRecordKind, bool) {}
};

// A tool's load: gathers each record's reads and hands the record over.
struct CallbackTrace {
    CallbackTrace(ObjTraceFn f, void* c) : fn(f), context(c) {}
    ObjTraceFn fn;
    void* context;
    ObjRecord current{};
    char texts[1 + faceFields][commandCapacity];  // each read's bytes, NUL-terminated

    // `slot` is -1 for the command token, else the field's place in the record. `text`
    // need not be NUL-terminated: a field converted in place is not.
    void read(int slot, long begin, const ObjStream& in, const char* text, int length) {
        ObjToken& t = slot < 0 ? current.command : current.fields[slot];
        char* copy = texts[slot + 1];
        std::memcpy(copy, text, static_cast<std::size_t>(length));
        copy[length] = '\0';
        t.begin = begin;
        t.end = in.offset();
        t.length = length;
        t.text = copy;
        t.stop = static_cast<ObjToken::Stop>(in.stop);
        current.fieldCount = slot + 1;
    }
    void record(ObjRecordKind kind, bool stored) {
        current.kind = kind;
        current.stored = stored;
        fn(context, current);
        current = ObjRecord{};
    }
};
static_assert(static_cast<int>(ObjToken::Delimiter) == ObjStream::Delimiter &&
                  static_cast<int>(ObjToken::Full) == ObjStream::Full &&
                  static_cast<int>(ObjToken::EndOfFile) == ObjStream::EndOfFile,
              "the trace reports the reader's own reasons");

template <class Trace>
inline int readField(ObjLoad& s, Trace& trace, int slot, char* out, int capacity, unsigned char delimiter) {
    const long begin = s.in.offset();
    const int length = s.in.readToken(out, capacity, delimiter);
    trace.read(slot, begin, s.in, out, length);
    return length;
}

// A field holding a number, converted where it lies in the block when it is plain, else
// read into its buffer first. Either way the value is that of the token reader's token:
// a number cannot run into the delimiter, and leading white space takes the buffer.
template <class Trace, class Number>
Number readNumber(ObjLoad& s, Trace& trace, int slot, unsigned char delimiter, Number (*convert)(const char*)) {
    const long begin = s.in.offset();
    char* buffer = s.fields[slot];
    int length;
    if (const char* field = s.in.takeInPlace(fieldCapacity, delimiter, numberPadding, length)) {
        trace.read(slot, begin, s.in, field, length);
        if (length == 0) return 0;
        if (!objnumber::isWhite(field[0])) return convert(field);
        std::memcpy(buffer, field, static_cast<std::size_t>(length));
        buffer[length] = '\0';
        return convert(buffer);
    }
    readField(s, trace, slot, buffer, fieldCapacity, delimiter);
    return convert(buffer);
}

// Three coordinates up to the line end; true when stored.
template <class Trace>
bool readVector(ObjLoad& s, Trace& trace, Vec3* array, int& count, long& dropped) {
    Vec3 v;
    v.x = readNumber(s, trace, 0, space, parseCoordinate);
    v.y = readNumber(s, trace, 1, space, parseCoordinate);
    v.z = readNumber(s, trace, 2, lineFeed, parseCoordinate);
    if (count >= Mesh::capacity) {
        ++dropped;
        return false;
    }
    array[count++] = v;
    return true;
}

// Corners as vertex / texture / normal, the third running to the line end; true when stored.
template <class Trace>
bool readFace(ObjLoad& s, Trace& trace) {
    Face f;
    for (int k = 0; k < 3; ++k) {
        f.vertexIndex[k] = readNumber(s, trace, 3 * k, slash, parseIndex);
        readNumber(s, trace, 3 * k + 1, slash, parseIndex);  // the texture index is read past
        f.normalIndex[k] = readNumber(s, trace, 3 * k + 2, k < 2 ? space : lineFeed, parseIndex);
    }
    Mesh& m = s.mesh;
    if (m.faceCount >= Mesh::capacity) {
        ++s.droppedFaces;
        return false;
    }
    m.faces[m.faceCount++] = f;
    return true;
}

template <class Trace>
void readRecords(ObjLoad& s, Trace& trace) {
    Mesh& m = s.mesh;
    while (!s.in.ended) {
        readField(s, trace, -1, s.command, commandCapacity, space);
        const ObjRecordKind kind = classify(s.command);
        bool stored = false;
        switch (kind) {
        case ObjRecordKind::Group:
        case ObjRecordKind::Material: readField(s, trace, 0, s.text, textCapacity, lineFeed); break;
        case ObjRecordKind::Vertex: stored = readVector(s, trace, m.vertices, s.nextVertex, s.droppedVertices); break;
        case ObjRecordKind::TexCoord:
            readField(s, trace, 0, s.fields[0], fieldCapacity, space);
            readField(s, trace, 1, s.fields[1], fieldCapacity, lineFeed);
            break;
        case ObjRecordKind::Normal: stored = readVector(s, trace, m.normals, m.normalCount, s.droppedNormals); break;
        case ObjRecordKind::Smoothing: readField(s, trace, 0, s.fields[0], fieldCapacity, lineFeed); break;
        case ObjRecordKind::Face: stored = readFace(s, trace); break;
        case ObjRecordKind::Unrecognized: std::printf("OBJ Unrecognized Command: \"%s\"\n", s.command); break;
        case ObjRecordKind::Empty: break;
        }
        trace.record(kind, stored);
    }
}
}  // namespace

void loadObjInBlocks(Mesh& mesh, const char* path, ObjTraceFn trace, void* context, std::size_t blockBytes) {
    mesh.faceCount = 0;
    mesh.normalCount = 0;
    mesh.vertexCount = 0;
    // Opens an existing file as it is and creates a missing one empty, never truncating.
    const int fd = openMeshFile(path);
    if (fd < 0) {
        std::fprintf(stderr, "viewer: cannot open or create %s (%s); its mesh stays empty\n", path,
                     std::strerror(errno));
        return;
    }
    ObjLoad s(mesh, fd);
    s.in.readBytes = blockBytes < 1 ? 1 : blockBytes > ObjStream::blockBytes ? ObjStream::blockBytes : blockBytes;
    if (trace == nullptr) {
        NoTrace none;
        readRecords(s, none);
    } else {
        CallbackTrace calls(trace, context);
        readRecords(s, calls);
    }
    mesh.vertexCount = s.nextVertex;
    ::close(fd);
    if (s.in.readError != 0)
        std::fprintf(stderr, "viewer: reading %s failed (%s); its mesh holds what was read before\n", path,
                     std::strerror(s.in.readError));
    if (s.droppedVertices + s.droppedNormals + s.droppedFaces > 0)
        std::fprintf(stderr,
                     "viewer: %s has more records than a mesh holds (%d of each kind); dropped %ld \"v\", "
                     "%ld \"vn\", %ld \"f\"\n",
                     path, Mesh::capacity, s.droppedVertices, s.droppedNormals, s.droppedFaces);
}

void loadObjTraced(Mesh& mesh, const char* path, ObjTraceFn trace, void* context) {
    loadObjInBlocks(mesh, path, trace, context, ObjStream::blockBytes);
}

void Mesh::load(const char* path) { loadObjTraced(*this, path, nullptr, nullptr); }
