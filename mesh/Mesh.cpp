#include "mesh/Mesh.h"

#include <cstdio>
#include <new>

#include "mesh/MeshMemory.h"

Mesh::Mesh(const char* path) { load(path); }

void* Mesh::operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return allocateMeshMemory(bytes); }

void Mesh::operator delete(void* memory) noexcept { releaseMeshMemory(memory); }

Mesh* Mesh::create(const char* path) {
    Mesh* mesh = new (std::nothrow) Mesh(path);
    if (mesh == nullptr)
        std::fprintf(stderr, "viewer: not enough memory for the mesh of %s; it is not drawn\n", path);
    return mesh;
}

namespace {
// Indices are 1-based; anything else would read outside the stored entries.
inline bool inRange(int index, int count) { return index >= 1 && index <= count; }
}  // namespace

void Mesh::draw(GLenum mode) const {
    glBegin(mode);
    for (int i = 0; i < faceCount; ++i) {
        const Face& f = faces[i];
        if (!inRange(f.vertexIndex[0], vertexCount) || !inRange(f.vertexIndex[1], vertexCount) ||
            !inRange(f.vertexIndex[2], vertexCount) || !inRange(f.normalIndex[0], normalCount) ||
            !inRange(f.normalIndex[1], normalCount) || !inRange(f.normalIndex[2], normalCount))
            continue;
        for (int k = 0; k < 3; ++k) {
            const Vec3& n = normals[f.normalIndex[k] - 1];
            const Vec3& p = vertices[f.vertexIndex[k] - 1];
            glNormal3f(n.x, n.y, n.z);
            glVertex3f(p.x, p.y, p.z);
        }
    }
    glEnd();
}
