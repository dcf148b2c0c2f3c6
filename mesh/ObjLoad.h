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
    // Files at least `splitFrom` bytes long are read by two threads: cut at line starts into
    // parts, the first at the line start after byte `splitNear` (when negative, the cuts
    // are spread evenly over the file). The first thread reads from the start of the file
    // and on into each part while its reading arrives where a command token would start
    // exactly at the part's beginning; the second takes parts from the end. One of its
    // parts is kept only when the reading before it ends exactly at its beginning; from
    // the first that is not, the first thread reads on alone. Negative: one thread always.
    long splitFrom = defaultSplitFrom;
    long splitNear = -1;
    // False: the first thread stops at the first cut and the second reads every part, so
    // that tests and the fuzzer check the keeping of parts on any input, however short.
    bool firstReadsOn = true;
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

// Loads `path` into `mesh`; true when it was read in parts: the reading from the start
// arrived exactly at the first cut.
bool loadObj(Mesh& mesh, const char* path, const ObjLoadOptions& options);

// The viewer's load with reads of `blockBytes` (and with a trace, the reference reader).
void loadObjInBlocks(Mesh& mesh, const char* path, ObjTraceFn trace, void* context, std::size_t blockBytes);
