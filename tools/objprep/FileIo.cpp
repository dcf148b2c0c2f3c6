#include "FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
constexpr std::size_t chunkBytes = 1 << 16;
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
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        problem = std::strerror(errno);
        return false;
    }
    bytes.clear();
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
    std::string temporary = path + ".objprep-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        problem = std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; give it the mode a new file would get, or keep the old one's.
    struct stat old;
    mode_t mode;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const bool written = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0;
    const int writeErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        problem = std::strerror(!written ? writeErrno : errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}
