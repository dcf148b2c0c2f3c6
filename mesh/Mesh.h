#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <new>

#include "mesh/Face.h"
#include "mesh/ObjLoad.h"
#include "mesh/Vec3.h"

// A triangle mesh in three arrays of fixed capacity embedded in the object, so a
// mesh is one allocation and loading or drawing never allocates.
struct Mesh {
    static constexpr int capacity = 262144;  // entries in each array (2^18)

    int faceCount;
    int normalCount;
    // Kept beside the file's counts so drawing can reject an index past the stored data.
    int vertexCount;
    Face faces[capacity];
    Vec3 vertices[capacity];
    Vec3 normals[capacity];

    // Creating a mesh loads it from the file at `path`.
    explicit Mesh(const char* path);
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // A new mesh on the heap, loaded from `path`; null (with a line on standard
    // error) when there is no memory for it.
    static Mesh* create(const char* path);

    // Meshes live in memory of their own (mesh/MeshMemory.h); only create makes one.
    static void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept;
    static void operator delete(void* memory) noexcept;

    // Fills the mesh from an OBJ file; a missing file is created empty (mesh/MeshLoad.cpp).
    void load(const char* path, const ObjLoadOptions& options = ObjLoadOptions{});

    // Sends every drawable face between one glBegin(mode) and glEnd(), normal before
    // vertex for each corner. Faces with an index outside the stored data are skipped.
    void draw(GLenum mode) const;
};
