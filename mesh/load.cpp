#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "mesh/Mesh.h"
#include "mesh/MeshMemory.h"
#include "mesh/ObjLoad.h"
#include "mesh/ObjNumber.h"
#include "mesh/ObjPlainLine.h"
#include "mesh/ObjStream.h"
#include "mesh/ObjTrace.h"

namespace {
constexpr int commandCapacity = 256;  // the command token, at most 255 characters
constexpr int textCapacity = 256;     // the rest of a "g" or "usemtl" line
constexpr int fieldCapacity = 32;     // every other field, at most 31 characters
constexpr int faceFields = 9;         // three corners of vertex / texture / normal
constexpr unsigned char space = ' ';
constexpr unsigned char lineFeed = '\n';
constexpr unsigned char slash = '/';

// Where records go: the mesh itself, or the part of it a second thread reads.
struct Store {
    Vec3* vertices;
    Vec3* normals;
    Face* faces;
    int capacity = Mesh::capacity;  // of each array
    int vertexCount = 0;  // the next "v" slot
    int normalCount = 0;
    int faceCount = 0;
    long droppedVertices = 0;  // records past an array's capacity
    long droppedNormals = 0;
    long droppedFaces = 0;
};

// Where messages go: the caller's sink, or standard output.
struct Messages {
    ObjMessageFn fn = nullptr;
    void* context = nullptr;
    void say(const char* token) const {
        if (fn != nullptr)
            fn(context, token);
        else
            std::printf("OBJ Unrecognized Command: \"%s\"\n", token);
    }
};

// Everything one load (or one thread's part of it) works with.
struct ObjLoad {
    ObjLoad(const Store& target, int fd, const Messages& to, bool plain) : out(target), messages(to), plainLines(plain), in(fd) {}
    Store out;
    Messages messages;
    bool plainLines;
    static constexpr long noSeam = LONG_MAX;
    long stopAt = noSeam;  // where a second thread's part begins
    const std::atomic<bool>* cancel = nullptr;  // a second thread's part is no longer wanted
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
    if (count >= s.out.capacity) {
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
    Store& o = s.out;
    if (o.faceCount >= o.capacity) {
        ++o.droppedFaces;
        return false;
    }
    o.faces[o.faceCount++] = f;
    return true;
}

// Common in-step lines, each read in one pass, one after another while they come, up to
// the seam when it lies ahead; false when the first line is not one. A record whose array
// is full is left to the token reader, which drops and counts it.
inline bool readPlainLines(ObjLoad& s) {
    ObjStream& in = s.in;
    Store& o = s.out;
    const unsigned char* p = in.next;
    const long toSeam = s.stopAt - in.offset();
    const unsigned char* const stop = toSeam < in.last - p ? p + toSeam : in.last;
    int vertices = o.vertexCount, normals = o.normalCount, faces = o.faceCount;  // kept in registers
    while (p < stop && in.last - p >= objplain::lineSpan) {
        Vec3 v;
        Face f;
        const unsigned char* end;
        const objplain::Kind kind = objplain::line(p, v, f, end);
        if (kind == objplain::Vertex && vertices < o.capacity)
            o.vertices[vertices++] = v;
        else if (kind == objplain::Normal && normals < o.capacity)
            o.normals[normals++] = v;
        else if (kind == objplain::Face && faces < o.capacity)
            o.faces[faces++] = f;
        else
            break;
        p = end;
    }
    o.vertexCount = vertices;
    o.normalCount = normals;
    o.faceCount = faces;
    const bool read = p != in.next;
    in.next = p;
    return read;
}

enum class Reading { Ended, AtSeam, PastSeam, Cancelled };

// Records until the end of the file, or until the reading reaches or passes `stopAt`
// where a command token would start, or the part is cancelled.
template <class Trace>
Reading readRecords(ObjLoad& s, Trace& trace) {
    Store& o = s.out;
    while (!s.in.ended) {
        if (s.in.offset() >= s.stopAt) return s.in.offset() == s.stopAt ? Reading::AtSeam : Reading::PastSeam;
        if (s.cancel != nullptr && s.cancel->load(std::memory_order_relaxed)) return Reading::Cancelled;
        if (s.plainLines && readPlainLines(s)) continue;
        readField(s, trace, -1, s.command, commandCapacity, space);
        const ObjRecordKind kind = classify(s.command);
        bool stored = false;
        switch (kind) {
        case ObjRecordKind::Group:
        case ObjRecordKind::Material: readField(s, trace, 0, s.text, textCapacity, lineFeed); break;
        case ObjRecordKind::Vertex: stored = readVector(s, trace, o.vertices, o.vertexCount, o.droppedVertices); break;
        case ObjRecordKind::TexCoord:
            readField(s, trace, 0, s.fields[0], fieldCapacity, space);
            readField(s, trace, 1, s.fields[1], fieldCapacity, lineFeed);
            break;
        case ObjRecordKind::Normal: stored = readVector(s, trace, o.normals, o.normalCount, o.droppedNormals); break;
        case ObjRecordKind::Smoothing: readField(s, trace, 0, s.fields[0], fieldCapacity, lineFeed); break;
        case ObjRecordKind::Face: stored = readFace(s, trace); break;
        case ObjRecordKind::Unrecognized: s.messages.say(s.command); break;
        case ObjRecordKind::Empty: break;
        }
        trace.record(kind, stored);
    }
    return Reading::Ended;
}

// The records after a line start, read by a second thread into storage of its own while
// the first reads up to that line start. Its messages are held back: they are said
// after the first part's, and only if its part is kept.
struct SecondPart {
    static constexpr std::size_t heldBytes = 64 * 1024;  // beyond, it is not worth keeping

    // Arrays for as many records as the part can hold (a record takes at least a byte),
    // in memory like a mesh's: faces, then vertices, then normals.
    struct Release {
        void operator()(void* memory) const { releaseMeshMemory(memory); }
    };
    std::unique_ptr<void, Release> arrays;
    std::unique_ptr<ObjLoad> load;
    int fd = -1;  // a descriptor of its own, for a read position of its own
    std::atomic<bool> cancel{false};
    std::size_t heldLength = 0;  // tokens, each ended by its NUL
    bool gaveUp = false;         // too many messages, or a failed read: not kept
    char held[heldBytes];

    ~SecondPart() {
        if (fd >= 0) ObjStream::close(fd);
    }

    static void hold(void* context, const char* token) {
        SecondPart& part = *static_cast<SecondPart*>(context);
        const std::size_t bytes = std::strlen(token) + 1;
        if (part.heldLength + bytes > heldBytes) {
            part.gaveUp = true;
            part.cancel.store(true, std::memory_order_relaxed);
            return;
        }
        std::memcpy(part.held + part.heldLength, token, bytes);
        part.heldLength += bytes;
    }

    void run() {
        NoTrace none;
        readRecords(*load, none);
        const Store& o = load->out;
        // Dropped for its arrays alone, not for the mesh's: a file grown since its length was taken.
        const bool overfilled = o.capacity < Mesh::capacity && o.droppedVertices + o.droppedNormals + o.droppedFaces > 0;
        if (load->in.readError != 0 || overfilled) gaveUp = true;
    }
};

// Where about half of the file's lines lie before: each line costs about the same, but
// lines of different kinds differ in length. Estimated from the line feeds in samples
// spread over the file; half the bytes when they have none.
long middleLine(ObjStream& in, long length) {
    constexpr int samples = 16;
    constexpr std::size_t sampleBytes = 4096;
    double lines[samples];  // estimated in each sixteenth of the file
    double total = 0;
    in.readBytes = sampleBytes;
    for (int i = 0; i < samples; ++i) {
        const long from = length / samples * i;
        const long to = i + 1 < samples ? length / samples * (i + 1) : length;
        lines[i] = 0;
        if (!in.seek(from) || !in.refill()) continue;
        long feeds = 0;
        for (const unsigned char* p = in.next; p < in.last; ++p) feeds += *p == '\n';
        lines[i] = static_cast<double>(feeds) / static_cast<double>(in.last - in.next) * static_cast<double>(to - from);
        total += lines[i];
    }
    if (total <= 0) return length / 2;
    double before = 0;
    for (int i = 0; i < samples; ++i) {
        if (before + lines[i] >= total / 2) {
            const long from = length / samples * i;
            const long to = i + 1 < samples ? length / samples * (i + 1) : length;
            return from + static_cast<long>(static_cast<double>(to - from) * (total / 2 - before) / lines[i]);
        }
        before += lines[i];
    }
    return length / 2;
}

// Opens a second descriptor and finds the line start where a second thread would begin;
// null when the file is too short, or anything fails: then one thread reads it all.
std::unique_ptr<SecondPart> prepareSecondPart(const char* path, const ObjLoadOptions& options, std::size_t blockBytes) {
    if (options.splitFrom < 0) return nullptr;
    std::unique_ptr<SecondPart> part(new (std::nothrow) SecondPart);
    if (part == nullptr || (part->fd = ObjStream::open(path, false)) < 0) return nullptr;
    // Finds the line start in a stream of its own, then the part's stream starts there.
    std::unique_ptr<ObjStream> probe(new (std::nothrow) ObjStream(part->fd));
    if (probe == nullptr) return nullptr;
    ObjStream& in = *probe;
    const long length = in.length();
    const long near = length < options.splitFrom ? length : options.splitNear >= 0 ? options.splitNear : middleLine(in, length);
    in.readBytes = blockBytes;
    if (length < 0 || near >= length || !in.seek(near) || !in.skipPastLineFeed() || in.offset() >= length)
        return nullptr;
    const long records = length - in.offset();
    const int capacity = records < Mesh::capacity ? static_cast<int>(records) : Mesh::capacity;
    const std::size_t n = static_cast<std::size_t>(capacity);
    part->arrays.reset(allocateMeshMemory(n * (sizeof(Face) + 2 * sizeof(Vec3))));
    if (part->arrays == nullptr) return nullptr;
    Face* const faces = static_cast<Face*>(part->arrays.get());
    Vec3* const vertices = reinterpret_cast<Vec3*>(faces + n);
    Store store{vertices, vertices + n, faces};
    store.capacity = capacity;
    part->load.reset(new (std::nothrow) ObjLoad(store, part->fd, Messages{SecondPart::hold, part.get()}, options.plainLines));
    if (part->load == nullptr || !part->load->in.seek(in.offset())) return nullptr;
    part->load->in.readBytes = blockBytes;
    part->load->cancel = &part->cancel;
    return part;
}

// Appends what the second thread stored, as the first would have stored it reading on:
// nothing past an array's capacity.
void append(Store& to, const Store& part) {
    auto take = [](auto* to, int& count, long& dropped, const auto* from, int n, long dropping) {
        const int kept = n < Mesh::capacity - count ? n : Mesh::capacity - count;
        std::memcpy(to + count, from, sizeof *from * static_cast<std::size_t>(kept));
        count += kept;
        dropped += (n - kept) + dropping;
    };
    take(to.vertices, to.vertexCount, to.droppedVertices, part.vertices, part.vertexCount, part.droppedVertices);
    take(to.normals, to.normalCount, to.droppedNormals, part.normals, part.normalCount, part.droppedNormals);
    take(to.faces, to.faceCount, to.droppedFaces, part.faces, part.faceCount, part.droppedFaces);
}

// Reads the file in two parts when it is long enough and both threads can be had; true
// when the second part was kept. The stores and messages are those of one sequential
// reading whatever the timing: the first thread decides, from the file alone, whether the
// second thread started where a command token starts.
bool readInParts(ObjLoad& s, const char* path, const ObjLoadOptions& options, std::size_t blockBytes) {
    NoTrace none;
    std::unique_ptr<SecondPart> part = prepareSecondPart(path, options, blockBytes);
    std::thread second;
    if (part != nullptr) {
        s.stopAt = part->load->in.offset();  // taken before the second thread moves it
        try {
            second = std::thread(&SecondPart::run, part.get());
        } catch (const std::system_error&) {
            part.reset();
            s.stopAt = ObjLoad::noSeam;
        }
    }
    if (part == nullptr) {
        readRecords(s, none);
        return false;
    }
    const Reading first = readRecords(s, none);
    if (first != Reading::AtSeam) part->cancel.store(true, std::memory_order_relaxed);
    second.join();
    s.stopAt = ObjLoad::noSeam;
    if (first == Reading::AtSeam && !part->gaveUp) {
        append(s.out, part->load->out);
        for (const char* token = part->held; token < part->held + part->heldLength; token += std::strlen(token) + 1)
            s.messages.say(token);
        return true;
    }
    if (first != Reading::Ended) readRecords(s, none);
    return false;
}
}  // namespace

bool loadObj(Mesh& mesh, const char* path, const ObjLoadOptions& options) {
    mesh.faceCount = 0;
    mesh.normalCount = 0;
    mesh.vertexCount = 0;
    const int fd = ObjStream::open(path, true);
    if (fd < 0) {
        std::fprintf(stderr, "viewer: cannot open or create %s (%s); its mesh stays empty\n", path,
                     std::strerror(errno));
        return false;
    }
    const std::size_t blockBytes = options.blockBytes < 1                      ? 1
                                   : options.blockBytes > ObjStream::blockBytes ? ObjStream::blockBytes
                                                                                : options.blockBytes;
    const Messages messages{options.message, options.messageContext};
    const Store store{mesh.vertices, mesh.normals, mesh.faces};
    bool split = false;
    ObjLoad s(store, fd, messages, options.plainLines && options.trace == nullptr);
    s.in.readBytes = blockBytes;
    if (options.trace != nullptr) {
        CallbackTrace calls(options.trace, options.traceContext);
        readRecords(s, calls);
    } else {
        split = readInParts(s, path, options, blockBytes);
    }
    mesh.vertexCount = s.out.vertexCount;
    mesh.normalCount = s.out.normalCount;
    mesh.faceCount = s.out.faceCount;
    ObjStream::close(fd);
    if (s.in.readError != 0)
        std::fprintf(stderr, "viewer: reading %s failed (%s); its mesh holds what was read before\n", path,
                     std::strerror(s.in.readError));
    const Store& o = s.out;
    if (o.droppedVertices + o.droppedNormals + o.droppedFaces > 0)
        std::fprintf(stderr,
                     "viewer: %s has more records than a mesh holds (%d of each kind); dropped %ld \"v\", "
                     "%ld \"vn\", %ld \"f\"\n",
                     path, Mesh::capacity, o.droppedVertices, o.droppedNormals, o.droppedFaces);
    return split;
}

void loadObjInBlocks(Mesh& mesh, const char* path, ObjTraceFn trace, void* context, std::size_t blockBytes) {
    ObjLoadOptions options;
    options.blockBytes = blockBytes;
    options.trace = trace;
    options.traceContext = context;
    loadObj(mesh, path, options);
}

void loadObjTraced(Mesh& mesh, const char* path, ObjTraceFn trace, void* context) {
    loadObjInBlocks(mesh, path, trace, context, ObjStream::blockBytes);
}

void Mesh::load(const char* path) { loadObj(*this, path, ObjLoadOptions{}); }
