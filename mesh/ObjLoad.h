#pragma once

#include <cstddef>

#include "mesh/ObjStream.h"
#include "mesh/ObjTrace.h"

// Where a load's messages go: each unrecognized command token, as a C string.
using ObjMessageFn = void (*)(void* context, const char* token);

// The loader with the choices the viewer fixes left open, for the tests, the fuzzer and
// the benchmark. Whatever they are, a load stores the same, says the same in the same
// order, and writes the same lines on standard error.
struct ObjLoadOptions {
    // Below this length a second thread costs more than it saves.
    static constexpr long defaultSplitFrom = 1L << 20;

    // Size of each read() of the file, taken between 1 and ObjStream::blockBytes, so that
    // tests can put block boundaries inside tokens and between the bytes of a CR LF pair.
    std::size_t blockBytes = ObjStream::blockBytes;
    // Common in-step lines read in one pass; off, every line goes through the token reader.
    bool plainLines = true;
    // Files at least `splitFrom` bytes long are read by two threads, the second from the
    // first line start after byte `splitNear` (half the file when negative). Its part is
    // kept only when the first thread's reading starts a command token exactly there;
    // else the first thread reads on alone. Negative: one thread always.
    long splitFrom = defaultSplitFrom;
    long splitNear = -1;
    ObjMessageFn message = nullptr;  // null: standard output, as printf
    void* messageContext = nullptr;
    // A traced load is the reference reader: one thread, every line through the token reader.
    ObjTraceFn trace = nullptr;
    void* traceContext = nullptr;
};

// The options of the plain sequential reader that every faster reading is checked against.
inline ObjLoadOptions referenceLoadOptions() {
    ObjLoadOptions o;
    o.plainLines = false;
    o.splitFrom = -1;
    return o;
}

// Loads `path` into `mesh`; true when a second thread's part was used.
bool loadObj(Mesh& mesh, const char* path, const ObjLoadOptions& options);

// The viewer's load with reads of `blockBytes` (and with a trace, the reference reader).
void loadObjInBlocks(Mesh& mesh, const char* path, ObjTraceFn trace, void* context, std::size_t blockBytes);
