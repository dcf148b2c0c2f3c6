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
