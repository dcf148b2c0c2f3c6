#pragma once

#include "mesh/Mesh.h"

// What the loader read, record by record, for tools that explain a file. The viewer
// itself loads without a trace; with one, the very same reading code runs.

// One read of the token reader.
struct ObjToken {
    enum Stop { Delimiter, Full, EndOfFile };
    long begin;        // file offset of the first byte the read looked at
    long end;          // file offset just past the last byte it consumed (delimiter included)
    int length;        // bytes stored
    const char* text;  // the stored bytes, NUL-terminated; valid during the callback only
    Stop stop;         // why the read ended
};

enum class ObjRecordKind { Group, Vertex, TexCoord, Normal, Smoothing, Material, Face, Unrecognized, Empty };

// One command token and the reads its keyword makes.
struct ObjRecord {
    ObjRecordKind kind;
    ObjToken command;
    ObjToken fields[9];
    int fieldCount;
    // False for kinds that store nothing, and for a "v", "vn" or "f" dropped because
    // its array is full.
    bool stored;
};

using ObjTraceFn = void (*)(void* context, const ObjRecord& record);

// Loads `path` into `mesh` exactly as Mesh::load does, reporting each record to `trace`
// (which may be null) after its reads.
void loadObjTraced(Mesh& mesh, const char* path, ObjTraceFn trace, void* context);
