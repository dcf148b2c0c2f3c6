#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstddef>
#include <fstream>
#include <memory>
#include <string>

#include "TempFiles.h"
#include "mesh/Mesh.h"
#include "mesh/ObjLoad.h"

// Mesh files for the tests, written under the test temp dir, never in the source tree.
namespace meshfiles {

using tempfiles::scratch;
using tempfiles::write;

// A mesh loaded from `bytes`, with what the load wrote on each stream.
struct Loaded {
    std::unique_ptr<Mesh> mesh;
    std::string out;
    std::string err;
};

inline Loaded loadPath(const std::string& path, const ObjLoadOptions& options = {}) {
    // Created from an empty file, so that only the load under test writes anything.
    std::unique_ptr<Mesh> mesh(Mesh::create(write("empty.obj", "").c_str()));
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    mesh->load(path.c_str(), options);
    std::string err = ::testing::internal::GetCapturedStderr();
    std::string out = ::testing::internal::GetCapturedStdout();
    return {std::move(mesh), out, err};
}

inline Loaded load(const std::string& bytes, std::size_t blockBytes = ObjLoadOptions::mostBlockBytes) {
    ObjLoadOptions options;
    options.blockBytes = blockBytes;
    return loadPath(write("mesh.obj", bytes), options);
}

}  // namespace meshfiles
