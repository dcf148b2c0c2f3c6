#include "mesh/ObjReferenceReader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "mesh/ObjNumber.h"

namespace {
constexpr int fieldCapacity = 32;  // every field but "g" and "usemtl" text: at most 31 characters
constexpr unsigned char space = ' ';
constexpr unsigned char lineFeed = '\n';
constexpr unsigned char slash = '/';
constexpr unsigned char endOfFileByte = 0x1A;  // text mode stops reading here

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
}  // namespace

ObjReferenceReader::ObjReferenceReader(int descriptor, Mesh& target, const ObjLoadOptions& choices)
    : next(block()),
      last(block()),
      mesh(target),
      options(choices),
      fd(descriptor),
      readBytes(std::clamp(options.blockBytes, std::size_t{1}, ObjLoadOptions::mostBlockBytes)) {
    std::memset(buffer, 0, frontBytes);
}

int ObjReferenceReader::readToken(char* out, int capacity, unsigned char delimiter) {
    int stored = 0;
    stop = ObjToken::EndOfFile;
    if (!ended) {
        stop = ObjToken::Full;
        while (stored < capacity - 1) {
            if (next == last && !refill()) {
                ended = true;
                stop = ObjToken::EndOfFile;
                break;
            }
            unsigned char c = *next++;
            if (c == '\r' && (next != last || refill()) && *next == '\n') {
                c = '\n';
                ++next;
            }
            if (c == delimiter) {
                stop = ObjToken::Delimiter;
                break;
            }
            out[stored++] = static_cast<char>(c);
        }
    }
    out[stored] = '\0';
    return stored;
}

bool ObjReferenceReader::refill() {
    blockOffset += last - block();
    next = last = block();
    if (drained) return false;
    unsigned char* const into = buffer + frontBytes;
    ssize_t got;
    do {
        got = ::read(fd, into, readBytes);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        // A failing descriptor would otherwise never end the file.
        if (got < 0) readError = errno;
        drained = true;
        return false;
    }
    last = into + got;
    if (const void* end = std::memchr(into, endOfFileByte, static_cast<std::size_t>(got))) {
        last = static_cast<const unsigned char*>(end);
        drained = true;
    }
    return next != last;
}

const char* ObjReferenceReader::read(int slot, int capacity, unsigned char delimiter) {
    const long begin = offset();
    const int length = readToken(token[slot], capacity, delimiter);
    if (options.trace != nullptr) {
        ObjToken& t = slot == 0 ? record.command : record.fields[slot - 1];
        t = ObjToken{begin, offset(), length, token[slot], stop};
        record.fieldCount = slot;
    }
    return token[slot];
}

bool ObjReferenceReader::readVector(Vec3* array, int& count, long& dropped) {
    Vec3 v;
    v.x = parseCoordinate(read(1, fieldCapacity, space));
    v.y = parseCoordinate(read(2, fieldCapacity, space));
    v.z = parseCoordinate(read(3, fieldCapacity, lineFeed));
    if (count >= Mesh::capacity) {
        ++dropped;
        return false;
    }
    array[count++] = v;
    return true;
}

bool ObjReferenceReader::readFace() {
    Face f;
    for (int k = 0; k < 3; ++k) {
        f.vertexIndex[k] = parseIndex(read(3 * k + 1, fieldCapacity, slash));
        read(3 * k + 2, fieldCapacity, slash);  // the texture index is read past
        f.normalIndex[k] = parseIndex(read(3 * k + 3, fieldCapacity, k < 2 ? space : lineFeed));
    }
    if (mesh.faceCount >= Mesh::capacity) {
        ++droppedFaces;
        return false;
    }
    mesh.faces[mesh.faceCount++] = f;
    return true;
}

void ObjReferenceReader::say(const char* text) const {
    if (options.message != nullptr)
        options.message(options.messageContext, text);
    else
        std::printf("OBJ Unrecognized Command: \"%s\"\n", text);
}

void ObjReferenceReader::readRecord() {
    const char* const command = read(0, tokenCapacity, space);
    const ObjRecordKind kind = classify(command);
    bool stored = false;
    switch (kind) {
    case ObjRecordKind::Group:
    case ObjRecordKind::Material: read(1, tokenCapacity, lineFeed); break;
    case ObjRecordKind::Vertex: stored = readVector(mesh.vertices, mesh.vertexCount, droppedVertices); break;
    case ObjRecordKind::TexCoord:
        read(1, fieldCapacity, space);
        read(2, fieldCapacity, lineFeed);
        break;
    case ObjRecordKind::Normal: stored = readVector(mesh.normals, mesh.normalCount, droppedNormals); break;
    case ObjRecordKind::Smoothing: read(1, fieldCapacity, lineFeed); break;
    case ObjRecordKind::Face: stored = readFace(); break;
    case ObjRecordKind::Unrecognized: say(command); break;
    case ObjRecordKind::Empty: break;
    }
    if (options.trace != nullptr) {
        record.kind = kind;
        record.stored = stored;
        options.trace(options.traceContext, record);
    }
}
