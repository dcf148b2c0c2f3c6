#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <random>

#include "PlatformFiles.h"

namespace {
constexpr int uniqueAttempts = 100;

// Windows refuses to open a folder with "permission denied"; say what it is.
void nameFolderRefusal(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) errno = EISDIR;
}

int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_DISK_FULL: return ENOSPC;
    default: return EIO;
    }
}
}  // namespace

int openForReading(const std::string& path) {
    const int fd = ::_open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) nameFolderRefusal(path);
    return fd;
}

int createUniqueFile(const std::string& stem, std::string& path) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < uniqueAttempts; ++attempt) {
        path = stem + std::to_string(random() % 1000000);
        const int fd = ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                               _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Windows files carry no permission bits but read-only, and the new file is created
// writable as any new file is.
bool takeModeFor(int /*fd*/, const std::string& /*path*/) { return true; }

// The C runtime's rename refuses to replace an existing file.
bool moveOver(const std::string& from, const std::string& to) {
    if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    errno = errnoOf(::GetLastError());
    return false;
}

int openNullDevice() { return ::_open("NUL", _O_WRONLY | _O_BINARY | _O_NOINHERIT); }

std::string temporaryFolder() {
    char folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathA(sizeof folder, folder);
    return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string(".\\");
}

const char* folderSeparators() { return "/\\"; }
