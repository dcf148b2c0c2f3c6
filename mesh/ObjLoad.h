#pragma once

#include <cstddef>

#include "mesh/ObjTrace.h"

// Where a load's messages go: each unrecognized command token, as a C string.
using ObjMessageFn = void (*)(void* context, const char* token);

// The choices of a load that the viewer leaves at their defaults, for the tests, the
// fuzzer, the benchmark and tools. Whatever they are, a load stores the same, says the same
// in the same order, and writes the same lines on standard error.
struct ObjLoadOptions {
    static constexpr std::size_t mostBlockBytes = 64 * 1024;  // one read() of the file; fits in L2

    // Common lines read in one pass (mesh/ObjFastLines.h); off, the reference reader reads
    // every line (mesh/ObjReferenceReader.h).
    bool fastLines = true;
    // Bytes asked of each read() of the file, taken between 1 and mostBlockBytes, so that
    // tests can put block boundaries inside tokens and between the bytes of a CR LF pair.
    std::size_t blockBytes = mostBlockBytes;
    ObjMessageFn message = nullptr;  // null: standard output, as printf
    void* messageContext = nullptr;
    // Each record as the reference reader reads it; a traced load reads every line that way.
    ObjTraceFn trace = nullptr;
    void* traceContext = nullptr;
};
