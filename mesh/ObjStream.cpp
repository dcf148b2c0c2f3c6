#include "mesh/ObjStream.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr unsigned char endOfFileByte = 0x1A;  // text mode stops reading here
}  // namespace

bool ObjStream::refill() {
    blockOffset += last - block;
    next = last = block;
    if (drained) return false;
    ssize_t got;
    do {
        got = ::read(fd, block, readBytes);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        // A failing descriptor would otherwise never end the file.
        if (got < 0) readError = errno;
        drained = true;
        return false;
    }
    last = block + got;
    if (const void* end = std::memchr(block, endOfFileByte, static_cast<std::size_t>(got))) {
        last = static_cast<const unsigned char*>(end);
        drained = true;
    }
    return next != last;
}

long ObjStream::length() {
    const off_t end = ::lseek(fd, 0, SEEK_END);
    return end < 0 ? -1 : static_cast<long>(end);
}

bool ObjStream::seek(long at) {
    if (::lseek(fd, static_cast<off_t>(at), SEEK_SET) != static_cast<off_t>(at)) return false;
    blockOffset = at;
    next = last = block;
    ended = drained = false;
    return true;
}

bool ObjStream::skipPastLineFeed() {
    for (;;) {
        if (const void* p = std::memchr(next, '\n', static_cast<std::size_t>(last - next))) {
            next = static_cast<const unsigned char*>(p) + 1;
            return true;
        }
        next = last;
        if (!refill()) return false;
    }
}
