#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "NewTempDir.h"
#include "mesh/Mesh.h"

// A fresh temporary folder that is the working directory while it lives, so the mesh
// files the viewer reads (and creates when missing) never touch the source tree.
class ScratchDir {
public:
    ScratchDir() {
        path_ = newTempDir(std::filesystem::temp_directory_path(), "viewer-test-");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~ScratchDir() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    void write(const char* name, const std::string& text) const {
        std::ofstream(path_ / name, std::ios::binary) << text;
    }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// A mesh of `triangles` copies of one triangle whose corners are told apart by their
// coordinates (corner k of the triangle sits at (k, base, 0) with normal (0, 0, k)).
// It is made through the real creation path (from a file that does not exist, in a
// scratch folder), then filled directly, so it does not depend on the OBJ reader.
inline Mesh* makeTriangles(int triangles, float base) {
    Mesh* mesh = Mesh::create("absent.obj");
    if (mesh == nullptr) std::abort();
    for (int k = 0; k < 3; ++k) {
        mesh->vertices[k] = Vec3{static_cast<float>(k + 1), base, 0.0f};
        mesh->normals[k] = Vec3{0.0f, 0.0f, static_cast<float>(k + 1)};
    }
    mesh->vertexCount = 3;
    mesh->normalCount = 3;
    mesh->faceCount = triangles;
    for (int i = 0; i < triangles; ++i) mesh->faces[i] = Face{{1, 2, 3}, {1, 2, 3}};
    return mesh;
}
