#pragma once

// What the loader read, record by record, for tools that explain a file. A traced load is
// the reference reader's (mesh/ObjReferenceReader.h), every line through the token reader;
// the viewer's own load reads common lines in one pass (mesh/ObjFastLines.h), and is checked
// (tests/unit/mesh_fast_lines_test.cpp, fuzz/obj_fuzzer.cpp) to store and say the same.
//
// Offsets are raw file bytes from the start of the file: a CR LF pair read as one line
// feed counts 2. A 0x1A byte ends the data: reads from there on find nothing.

// One read of the token reader.
struct ObjToken {
    enum Stop {
        Delimiter,  // met its delimiter and consumed it (not stored)
        Full,       // stored capacity - 1 bytes; the next byte is left for the next read
        EndOfFile,  // found no byte left, or the end-of-file flag was already set
    };
    long begin;        // file offset of the first byte the read looked at (its start position)
    long end;          // file offset just past the last byte it consumed (delimiter included)
    int length;        // bytes stored; they may include NUL bytes
    const char* text;  // the stored bytes, text[length] == '\0'; valid during the callback only
    Stop stop;         // why the read ended
};
// A read made after the flag was set consumes nothing: stop EndOfFile, length 0, and
// begin == end == the offset where the data ended. Each read begins where the previous ended.

enum class ObjRecordKind { Group, Vertex, TexCoord, Normal, Smoothing, Material, Face, Unrecognized, Empty };

// One command token and the reads its keyword makes. The kind is decided on the token as a
// C string (a NUL byte ends it): Empty when that string is empty (skipped silently),
// Unrecognized when it is no keyword (the loader's message is written, to standard
// output, before the record is reported).
struct ObjRecord {
    ObjRecordKind kind;
    ObjToken command;
    // The reads after the command token, in order: 1 for "g", "s" and "usemtl", 2 for "vt",
    // 3 for "v" and "vn", 9 for "f" (vertex, texture, normal of each corner), 0 otherwise.
    ObjToken fields[9];
    int fieldCount;
    // False for kinds that store nothing, and for a "v", "vn" or "f" dropped because
    // its array is full.
    bool stored;
};

using ObjTraceFn = void (*)(void* context, const ObjRecord& record);
