#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "mesh/Mesh.h"
#include "mesh/ObjFastLines.h"
#include "mesh/ObjReferenceReader.h"
#include "mesh/OpenFile.h"

// The loader: record after record by the reference reader, and wherever the fast path can
// take the lines ahead, those in one pass. Its state, the block read from the file
// included, is on the stack; it allocates nothing.
void Mesh::load(const char* path, const ObjLoadOptions& options) {
    faceCount = 0;
    normalCount = 0;
    vertexCount = 0;
    const int fd = openMeshFile(path, true);
    if (fd < 0) {
        std::fprintf(stderr, "viewer: cannot open or create %s (%s); its mesh stays empty\n", path,
                     std::strerror(errno));
        return;
    }
    ObjReferenceReader reader(fd, *this, options);
    const bool fast = options.fastLines && options.trace == nullptr;
    while (!reader.ended) {
        if (fast) reader.next = readFastLines(reader.next, reader.last, *this);
        reader.readRecord();
    }
    ::close(fd);
    if (reader.readError != 0)
        std::fprintf(stderr, "viewer: reading %s failed (%s); its mesh holds what was read before\n", path,
                     std::strerror(reader.readError));
    if (reader.droppedVertices + reader.droppedNormals + reader.droppedFaces > 0)
        std::fprintf(stderr,
                     "viewer: %s has more records than a mesh holds (%d of each kind); dropped %ld \"v\", "
                     "%ld \"vn\", %ld \"f\"\n",
                     path, Mesh::capacity, reader.droppedVertices, reader.droppedNormals, reader.droppedFaces);
}
