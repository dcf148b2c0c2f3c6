#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "mesh/Mesh.h"
#include "mesh/MeshMemory.h"
#include "mesh/ObjLoad.h"
#include "mesh/ObjNumber.h"
#include "mesh/ObjPlainWide.h"
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

// Where records go: the mesh itself, or the arrays of a thread reading a part of the file.
struct Store {
    Vec3* vertices;
    Vec3* normals;
    Face* faces;
    // Entries each array has room for.
    int vertexRoom = Mesh::capacity;
    int normalRoom = Mesh::capacity;
    int faceRoom = Mesh::capacity;
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

struct Part;

// Everything one load (or one thread's part of it) works with.
struct ObjLoad {
    ObjLoad(const Store& target, int fd, const Messages& to, bool plain) : out(target), messages(to), plainLines(plain), in(fd) {}
    Store out;
    Messages messages;
    bool plainLines;
    static constexpr long noSeam = LONG_MAX;
    long stopAt = noSeam;  // where the next part begins
    const std::atomic<bool>* cancel = nullptr;  // a part is no longer wanted
    bool abandoned = false;                     // a part that will not be kept
    Part* part = nullptr;                       // the part being read, if any
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
bool readVector(ObjLoad& s, Trace& trace, Vec3* array, int room, int& count, long& dropped) {
    Vec3 v;
    v.x = readNumber(s, trace, 0, space, parseCoordinate);
    v.y = readNumber(s, trace, 1, space, parseCoordinate);
    v.z = readNumber(s, trace, 2, lineFeed, parseCoordinate);
    if (count >= room) {
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
    if (o.faceCount >= o.faceRoom) {
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
        if (kind == objplain::Vertex && vertices < o.vertexRoom)
            o.vertices[vertices++] = v;
        else if (kind == objplain::Normal && normals < o.normalRoom)
            o.normals[normals++] = v;
        else if (kind == objplain::Face && faces < o.faceRoom)
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
        if (s.abandoned || (s.cancel != nullptr && s.cancel->load(std::memory_order_relaxed))) return Reading::Cancelled;
        if (s.plainLines && readPlainLines(s)) continue;
        readField(s, trace, -1, s.command, commandCapacity, space);
        const ObjRecordKind kind = classify(s.command);
        bool stored = false;
        switch (kind) {
        case ObjRecordKind::Group:
        case ObjRecordKind::Material: readField(s, trace, 0, s.text, textCapacity, lineFeed); break;
        case ObjRecordKind::Vertex: stored = readVector(s, trace, o.vertices, o.vertexRoom, o.vertexCount, o.droppedVertices); break;
        case ObjRecordKind::TexCoord:
            readField(s, trace, 0, s.fields[0], fieldCapacity, space);
            readField(s, trace, 1, s.fields[1], fieldCapacity, lineFeed);
            break;
        case ObjRecordKind::Normal: stored = readVector(s, trace, o.normals, o.normalRoom, o.normalCount, o.droppedNormals); break;
        case ObjRecordKind::Smoothing: readField(s, trace, 0, s.fields[0], fieldCapacity, lineFeed); break;
        case ObjRecordKind::Face: stored = readFace(s, trace); break;
        case ObjRecordKind::Unrecognized: s.messages.say(s.command); break;
        case ObjRecordKind::Empty: break;
        }
        trace.record(kind, stored);
    }
    return Reading::Ended;
}

// A long file is cut at line starts into parts. The first thread reads from the start of
// the file straight into the mesh, part after part; a second thread takes parts from the
// end, each read from its first line into arrays of its own, its messages held back. They
// meet wherever their speeds put them, so a core taken by other work costs at most one
// part, and only the second thread's parts are copied into the mesh.
struct Part {
    static constexpr std::size_t heldBytes = 64 * 1024;  // beyond, it is not worth keeping

    long begin = 0;
    long end = ObjLoad::noSeam;  // where the next part begins
    Store stored{nullptr, nullptr, nullptr};
    Reading reading = Reading::Cancelled;
    bool gaveUp = false;         // too many messages, a failed read or a full array: not kept
    std::size_t heldLength = 0;  // tokens, each ended by its NUL
    char held[heldBytes];

    static void hold(void* context, const char* token) {
        ObjLoad& load = *static_cast<ObjLoad*>(context);
        Part& part = *load.part;
        const std::size_t bytes = std::strlen(token) + 1;
        if (part.heldLength + bytes > heldBytes) {
            part.gaveUp = true;
            load.abandoned = true;
            return;
        }
        std::memcpy(part.held + part.heldLength, token, bytes);
        part.heldLength += bytes;
    }
};

// The second thread's reading of the parts it takes: a descriptor (for a read position of
// its own), a stream, and arrays like a mesh's that its parts fill one after another. Made
// when it takes its first part.
struct Worker {
    struct Release {
        void operator()(void* memory) const { releaseMeshMemory(memory); }
    };
    std::unique_ptr<void, Release> arrays;  // faces, then vertices, then normals
    std::unique_ptr<ObjLoad> load;
    int fd = -1;
    Store used{nullptr, nullptr, nullptr};  // counts: entries its parts have taken
    bool tried = false;

    ~Worker() {
        if (fd >= 0) ::close(fd);
    }

    // False when the worker cannot be made: its parts are then read by the first thread.
    bool ready(const char* path, bool plainLines, std::size_t blockBytes) {
        if (tried) return load != nullptr;
        tried = true;
        constexpr std::size_t n = Mesh::capacity;
        arrays.reset(allocateMeshMemory(n * (sizeof(Face) + 2 * sizeof(Vec3))));
        if (arrays == nullptr || (fd = openMeshFile(path, false)) < 0) return false;
        Face* const faces = static_cast<Face*>(arrays.get());
        Vec3* const vertices = reinterpret_cast<Vec3*>(faces + n);
        used = Store{vertices, vertices + n, faces};
        load.reset(new (std::nothrow) ObjLoad(used, fd, Messages{Part::hold, nullptr}, plainLines));
        if (load == nullptr) return false;
        load->messages.context = load.get();
        load->in.readBytes = blockBytes;
        return true;
    }

    // The part's records after those of the parts this worker read before (which lie later
    // in the file). A part that fills an array is not kept: what the mesh keeps of it
    // depends on the records before it, read by the first thread.
    void read(Part& part, const std::atomic<bool>& cancel) {
        ObjLoad& s = *load;
        Store& out = s.out;
        out = Store{used.vertices + used.vertexCount, used.normals + used.normalCount, used.faces + used.faceCount};
        out.vertexRoom = Mesh::capacity - used.vertexCount;
        out.normalRoom = Mesh::capacity - used.normalCount;
        out.faceRoom = Mesh::capacity - used.faceCount;
        s.part = &part;
        s.cancel = &cancel;
        s.abandoned = false;
        s.stopAt = part.end;
        s.in.readError = 0;
        if (!s.in.seek(part.begin)) {
            part.gaveUp = true;
            return;
        }
        NoTrace none;
        part.reading = readRecords(s, none);
        if (s.in.readError != 0 || out.droppedVertices + out.droppedNormals + out.droppedFaces > 0) part.gaveUp = true;
        part.stored = out;
        used.vertexCount += out.vertexCount;
        used.normalCount += out.normalCount;
        used.faceCount += out.faceCount;
    }
};

// The parts, and where the two readings stand.
struct SharedParts {
    static constexpr int most = 24;
    std::unique_ptr<Part> parts[most];
    int count = 0;
    std::atomic<bool> cancel{false};  // the first thread reads the rest itself
    const char* path = nullptr;
    bool plainLines = true;
    std::size_t blockBytes = ObjStream::blockBytes;

    std::mutex claiming;
    std::condition_variable finishedOne;
    int front = 0;  // parts before it are the first thread's
    int back = 0;   // parts from it on are the second thread's
    bool finished[most] = {};

    // The first thread, arrived exactly at part j's beginning, reads on into it unless the
    // second thread has taken it.
    bool claimFront(int j) {
        std::lock_guard<std::mutex> lock(claiming);
        if (j >= back) return false;
        front = j + 1;
        return true;
    }

    // The second thread reads the last part not yet claimed, until there is none.
    void takeFromBack(Worker& worker) {
        for (;;) {
            int j;
            {
                std::lock_guard<std::mutex> lock(claiming);
                if (cancel.load(std::memory_order_relaxed) || back <= front) return;
                j = --back;
            }
            if (worker.ready(path, plainLines, blockBytes))
                worker.read(*parts[j], cancel);
            else
                parts[j]->gaveUp = true;
            std::lock_guard<std::mutex> lock(claiming);
            finished[j] = true;
            finishedOne.notify_one();
        }
    }

    void awaitFinished(int j) {
        std::unique_lock<std::mutex> lock(claiming);
        finishedOne.wait(lock, [&] { return finished[j]; });
    }
};

constexpr std::size_t probeBytes = 4096;  // read at each cut to find the next line start: it is never far

// Finds the line starts where the parts begin: the first one after byte `splitNear` when it
// is given, else evenly over the file; false (and no part) when the file is too short, or
// anything fails: then one thread reads it all.
bool prepareParts(SharedParts& shared, const char* path, const ObjLoadOptions& options, std::size_t blockBytes) {
    if (options.splitFrom < 0) return false;
    shared.path = path;
    shared.plainLines = options.plainLines;
    shared.blockBytes = blockBytes;
    const int fd = openMeshFile(path, false);
    if (fd < 0) return false;
    std::unique_ptr<ObjStream> probe(new (std::nothrow) ObjStream(fd));
    const long length = probe == nullptr ? -1 : probe->length();
    if (length >= options.splitFrom && length > 0) {
        ObjStream& in = *probe;
        in.readBytes = probeBytes;
        const long firstAt = options.splitNear >= 0 ? options.splitNear : length / (SharedParts::most + 1);
        long previous = -1;
        for (int j = 0; j < SharedParts::most; ++j) {
            const long at = firstAt + static_cast<long>(static_cast<double>(length - firstAt) * j / SharedParts::most);
            if (at >= length || !in.seek(at) || !in.skipPastLineFeed() || in.offset() >= length) break;
            if (in.offset() <= previous) continue;
            std::unique_ptr<Part> part(new (std::nothrow) Part);
            if (part == nullptr) break;
            part->begin = previous = in.offset();
            if (shared.count > 0) shared.parts[shared.count - 1]->end = part->begin;
            shared.parts[shared.count++] = std::move(part);
        }
    }
    ::close(fd);
    shared.back = shared.count;
    return shared.count > 0;
}

// Appends what a part stored, as the first thread would have stored it reading on:
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

// Reads the file in parts when it is long enough and a second thread can be had; true
// when the reading from the start arrived exactly at the first part's beginning, so that
// the parts were read as such, whichever thread read them. The stores and messages are
// those of one sequential reading whatever the timing: the first thread reads on into a
// part only when its reading arrives exactly at the part's beginning, at a command token,
// and the second thread's parts are kept in file order while the reading before each ended
// exactly where it begins; from the first that cannot be kept the first thread reads on
// alone.
bool readInParts(ObjLoad& s, const ObjLoadOptions& options, const char* path, std::size_t blockBytes) {
    NoTrace none;
    std::unique_ptr<SharedParts> shared(new (std::nothrow) SharedParts);
    if (shared == nullptr || !prepareParts(*shared, path, options, blockBytes)) {
        readRecords(s, none);
        return false;
    }
    Worker second;
    std::thread thread;
    try {
        thread = std::thread([&] { shared->takeFromBack(second); });
    } catch (const std::system_error&) {
        readRecords(s, none);
        return false;
    }
    struct Join {
        std::thread& thread;
        ~Join() { thread.join(); }
    } join{thread};

    int j = 0;  // the part the first thread's reading is heading for
    Reading reading = Reading::AtSeam;
    bool inStep = false;
    for (; j < shared->count; ++j) {
        s.stopAt = shared->parts[j]->begin;
        reading = readRecords(s, none);
        if (reading != Reading::AtSeam || !options.firstReadsOn || !shared->claimFront(j)) break;
        inStep = true;
    }
    s.stopAt = ObjLoad::noSeam;
    if (j == shared->count || reading != Reading::AtSeam) {
        // Past the last part's beginning, at the end of the file, or out of step with the cut.
        shared->cancel.store(true, std::memory_order_relaxed);
        if (reading != Reading::Ended) readRecords(s, none);
        return inStep;
    }
    for (; j < shared->count; ++j) {
        shared->awaitFinished(j);
        const Part& part = *shared->parts[j];
        if (part.gaveUp || (part.reading != Reading::AtSeam && part.reading != Reading::Ended)) {
            shared->cancel.store(true, std::memory_order_relaxed);
            if (s.in.seek(part.begin))
                readRecords(s, none);
            else
                s.in.readError = errno;
            break;
        }
        append(s.out, part.stored);
        for (const char* token = part.held; token < part.held + part.heldLength; token += std::strlen(token) + 1)
            s.messages.say(token);
        if (part.reading == Reading::Ended) break;
    }
    return true;
}
}  // namespace

bool loadObj(Mesh& mesh, const char* path, const ObjLoadOptions& options) {
    mesh.faceCount = 0;
    mesh.normalCount = 0;
    mesh.vertexCount = 0;
    const int fd = openMeshFile(path, true);
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
        split = readInParts(s, options, path, blockBytes);
    }
    mesh.vertexCount = s.out.vertexCount;
    mesh.normalCount = s.out.normalCount;
    mesh.faceCount = s.out.faceCount;
    ::close(fd);
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
