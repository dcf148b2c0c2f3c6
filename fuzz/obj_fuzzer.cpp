// Loads each input with the reference reader twice, once in the viewer's large blocks and
// once in blocks of a few bytes, and stops on any difference in what was stored or read, or
// on a read that does not follow the previous one. Then loads it as the viewer does, common
// lines in one pass, in large blocks or small, and stops unless that stores and says exactly
// what the reference did. The sanitizers catch reads and writes out of bounds.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mesh/Mesh.h"
#include "mesh/ObjLoad.h"
#include "mesh/ObjTrace.h"

namespace {
constexpr std::size_t mostSmallBlockBytes = 7;  // the second load reads 1 to this many bytes at a time

// A digest of every read, and whether each followed the last.
struct TraceCheck {
    std::uint64_t digest = 1469598103934665603u;
    long position = 0;
    long size = 0;
    int records = 0;

    void mix(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) digest = (digest ^ ((v >> (8 * i)) & 0xFF)) * 1099511628211u;
    }
    void token(const ObjToken& t) {
        if (t.begin != position || t.end < t.begin || t.end > size || t.length < 0 || t.length > 255 ||
            t.text[t.length] != '\0')
            fail("a read does not follow the previous one, or leaves the file");
        position = t.end;
        mix(static_cast<std::uint64_t>(t.begin) << 32 | static_cast<std::uint64_t>(t.end));
        mix(static_cast<std::uint64_t>(t.length) << 8 | static_cast<std::uint64_t>(t.stop));
        for (int i = 0; i < t.length; ++i) mix(static_cast<unsigned char>(t.text[i]));
    }
    [[noreturn]] static void fail(const char* why) {
        std::fprintf(stderr, "obj_fuzzer: %s\n", why);
        std::abort();
    }
};

void onRecord(void* context, const ObjRecord& r) {
    auto& check = *static_cast<TraceCheck*>(context);
    ++check.records;
    check.mix(static_cast<std::uint64_t>(r.kind) << 8 | r.stored);
    check.token(r.command);
    for (int i = 0; i < r.fieldCount; ++i) check.token(r.fields[i]);
}

bool sameStore(const Mesh& a, const Mesh& b) {
    return a.vertexCount == b.vertexCount && a.normalCount == b.normalCount && a.faceCount == b.faceCount &&
           std::memcmp(a.vertices, b.vertices, sizeof(Vec3) * a.vertexCount) == 0 &&
           std::memcmp(a.normals, b.normals, sizeof(Vec3) * a.normalCount) == 0 &&
           std::memcmp(a.faces, b.faces, sizeof(Face) * a.faceCount) == 0;
}

// Every message a load says, in order.
void onMessage(void* context, const char* token) {
    static_cast<std::vector<std::string>*>(context)->emplace_back(token);
}

const std::string& inputPath() {
    static const std::string path = [] {
        // A file in memory when there is such a place: a disk makes every run wait.
        const char* dir = std::getenv("TMPDIR");
        if (dir == nullptr) dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(dir) + "/obj_fuzzer." + std::to_string(::getpid()) + ".obj";
    }();
    return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* path = inputPath().c_str();
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size) || ::close(fd) != 0)
        TraceCheck::fail("cannot write the input file");
    static Mesh* whole = Mesh::create(path);
    static Mesh* pieces = Mesh::create(path);
    if (whole == nullptr || pieces == nullptr) TraceCheck::fail("no memory for the meshes");

    TraceCheck first, second;
    first.size = second.size = static_cast<long>(size);
    std::vector<std::string> said, saidToo;
    ObjLoadOptions reference;
    reference.trace = onRecord;
    reference.traceContext = &first;
    reference.message = onMessage;
    reference.messageContext = &said;
    whole->load(path, reference);
    ObjLoadOptions smallBlocks = reference;
    smallBlocks.traceContext = &second;
    smallBlocks.messageContext = &saidToo;
    smallBlocks.blockBytes = size == 0 ? 1 : 1 + data[0] % mostSmallBlockBytes;
    pieces->load(path, smallBlocks);
    if (first.records != second.records || first.digest != second.digest)
        TraceCheck::fail("the reads depend on the block size");
    if (!sameStore(*whole, *pieces)) TraceCheck::fail("the stored mesh depends on the block size");
    if (said != saidToo) TraceCheck::fail("the messages depend on the block size");

    // The viewer's reading: common lines in one pass, in large blocks or in blocks that end
    // every few lines.
    ObjLoadOptions viewer;
    if (size > 1 && data[1] % 4 == 0) viewer.blockBytes = 1 + data[0] * size / 256;
    viewer.message = onMessage;
    viewer.messageContext = &saidToo;
    saidToo.clear();
    pieces->load(path, viewer);
    if (!sameStore(*whole, *pieces)) TraceCheck::fail("the viewer's reading stores other than the reference");
    if (said != saidToo) TraceCheck::fail("the viewer's reading says other than the reference");

    // The viewer's own load, messages on standard output, must store the same.
    pieces->load(path);
    if (!sameStore(*whole, *pieces)) TraceCheck::fail("the viewer's load stores other than the reference");
    return 0;
}
