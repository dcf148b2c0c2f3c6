#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "NewTempDir.h"

// Files a test binary writes live in one temp folder per run, never in the source tree.
namespace tempfiles {

inline const std::string& scratch() {
    static const std::string dir = [] {
        return newTempDir(::testing::TempDir(), "viewer-test-").string() + "/";
    }();
    return dir;
}

inline std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = scratch() + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

}  // namespace tempfiles
