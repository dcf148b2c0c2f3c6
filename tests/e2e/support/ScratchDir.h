#pragma once

#include <string>

namespace e2e {

// A fresh, empty folder under the system's temporary folder, removed with its contents
// when the object goes.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& purpose);  // throws std::runtime_error
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir();

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace e2e
