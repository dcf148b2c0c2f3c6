#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>

#include "mesh/OpenFile.h"

// Binary mode: in the C runtime's default text mode a CR LF would be turned into LF
// before the reader sees it, and a 0x1A byte would end the file early.
int openMeshFile(const char* path, bool create) {
    const int flags = _O_RDONLY | _O_BINARY | _O_NOINHERIT | (create ? _O_CREAT : 0);
    const int fd = ::_open(path, flags, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        // Windows refuses a folder with "permission denied"; say what it is.
        const DWORD attributes = ::GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) errno = EISDIR;
    }
    return fd;
}
