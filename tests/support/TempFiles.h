#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>

// Files a test binary writes live in one temp folder per run, never in the source tree.
namespace tempfiles {

inline const std::string& scratch() {
    static const std::string dir = [] {
        std::string pattern = ::testing::TempDir() + "viewer-test-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no temp dir";
        return pattern + "/";
    }();
    return dir;
}

inline std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = scratch() + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

}  // namespace tempfiles
