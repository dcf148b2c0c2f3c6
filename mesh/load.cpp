#include <cstdio>

#include "mesh/Mesh.h"

// Placeholder until the OBJ reader lands: every mesh starts empty.
void Mesh::load(const char* path) {
    faceCount = 0;
    normalCount = 0;
    vertexCount = 0;
    (void)path;
}
