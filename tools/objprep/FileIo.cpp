#include "FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "PlatformFiles.h"

namespace {
constexpr std::size_t chunkBytes = 1 << 20;
}  // namespace

bool writeAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string& problem) {
    const int fd = openForReading(path);
    if (fd < 0) {
        problem = std::strerror(errno);
        return false;
    }
    bytes.clear();
    struct stat file;
    if (::fstat(fd, &file) == 0 && S_ISREG(file.st_mode))
        bytes.reserve(static_cast<std::size_t>(file.st_size));  // read without regrowing
    std::vector<char> chunk(chunkBytes);
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            problem = std::strerror(errno);  // a directory fails here, with EISDIR
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(chunk.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool replaceFile(const std::string& path, const std::string& bytes, std::string& problem) {
    std::string temporary;
    const int fd = createUniqueFile(path + ".objprep-", temporary);
    if (fd < 0) {
        problem = std::strerror(errno);
        return false;
    }
    const bool written = writeAll(fd, bytes) && takeModeFor(fd, path);
    const int writeErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || !moveOver(temporary, path)) {
        problem = std::strerror(!written ? writeErrno : errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}
