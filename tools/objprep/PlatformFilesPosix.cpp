#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "PlatformFiles.h"

int openForReading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }

int createUniqueFile(const std::string& stem, std::string& path) {
    path = stem + "XXXXXX";
    return ::mkostemp(path.data(), O_CLOEXEC);
}

// mkstemp makes the file private; give it the mode a new file would get, or keep the old one's.
bool takeModeFor(int fd, const std::string& path) {
    struct stat old;
    mode_t mode;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    return ::fchmod(fd, mode) == 0;
}

bool moveOver(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

int openNullDevice() { return ::open("/dev/null", O_WRONLY | O_CLOEXEC); }

const char* folderSeparators() { return "/"; }

std::string temporaryFolder() {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/";
}
