#pragma once

#include <cstddef>

#include "mesh/Mesh.h"
#include "mesh/ObjLoad.h"
#include "mesh/ObjTrace.h"

// The loader's reference: the file as one stream of characters, read only through the
// token reader, one record after another by the rules of the format. The stream is the
// file as text (a CR LF pair reads as one line feed, a 0x1A byte ends it), read in blocks
// into the reader itself, which lives on the stack of the load. The fast path
// (mesh/ObjFastLines.h) reads common lines straight from the block; it must store exactly
// what this reader would.
struct ObjReferenceReader {
    // Zero bytes in front of the block: the fast path's loads may start before a line.
    static constexpr std::size_t frontBytes = 64;

    ObjReferenceReader(int fd, Mesh& mesh, const ObjLoadOptions& options);
    ObjReferenceReader(const ObjReferenceReader&) = delete;
    ObjReferenceReader& operator=(const ObjReferenceReader&) = delete;

    // Stores characters into `out` until `delimiter` (consumed, not stored), the end of the
    // file, or capacity - 1 stored (the next character is left unread); NUL-terminates and
    // returns the count stored. Once the end-of-file flag is set, reads nothing.
    int readToken(char* out, int capacity, unsigned char delimiter);

    // One record: the command token, the reads its keyword makes, and its effect. Records
    // past an array's capacity are dropped and counted.
    void readRecord();

    // Raw file offset of the next byte to read (a CR LF pair counts two).
    long offset() const { return blockOffset + (next - block()); }

    const unsigned char* next;  // first unread byte of the block
    const unsigned char* last;  // one past the block's last byte
    bool ended = false;         // the end-of-file flag: set by the first read that finds nothing
    ObjToken::Stop stop = ObjToken::Delimiter;  // why the last readToken ended
    int readError = 0;  // errno of a failed read(), 0 when none failed
    long droppedVertices = 0;
    long droppedNormals = 0;
    long droppedFaces = 0;

private:
    static constexpr int tokenCapacity = 256;  // the command token and "g" or "usemtl" text

    const unsigned char* block() const { return buffer + frontBytes; }
    // Replaces the consumed block with the next one; false when no byte is left.
    bool refill();
    // The read that fills token[slot] (0: the command token, 1 to 9: the fields after it).
    const char* read(int slot, int capacity, unsigned char delimiter);
    bool readVector(Vec3* array, int& count, long& dropped);
    bool readFace();
    void say(const char* token) const;

    Mesh& mesh;
    const ObjLoadOptions& options;
    int fd;
    std::size_t readBytes;
    long blockOffset = 0;  // file offset of block()[0]
    bool drained = false;  // the descriptor will give no more (end, 0x1A or an error)
    ObjRecord record{};    // filled only for a trace
    char token[1 + 9][tokenCapacity];
    unsigned char buffer[frontBytes + ObjLoadOptions::mostBlockBytes];
};
