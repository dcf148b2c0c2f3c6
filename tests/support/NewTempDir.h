#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

// A new, empty folder `parent`/`stem`XXXXXXXX, made for this caller alone (a folder
// that already exists is never reused). Aborts when none can be made.
inline std::filesystem::path newTempDir(const std::filesystem::path& parent, const std::string& stem) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path dir = parent / (stem + std::to_string(random() % 100000000));
        std::error_code error;
        if (std::filesystem::create_directory(dir, error)) return dir;
    }
    std::abort();
}
