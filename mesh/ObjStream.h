#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// A mesh file as the loader reads it: text mode (a CR LF pair reads as one line feed, a
// 0x1A byte ends the file), taken from the descriptor in large blocks, and the token
// reader that is the loader's only way of reading it.
struct ObjStream {
    enum Stop { Delimiter, Full, EndOfFile };  // why the last readToken ended

    static constexpr std::size_t blockBytes = 64 * 1024;  // one read() of the file; fits in L2

    int fd = -1;
    std::size_t readBytes = blockBytes;  // asked of each read(); tests use tiny blocks
    const unsigned char* next = block;   // first unread byte of the block
    const unsigned char* last = block;   // one past the block's last byte
    long blockOffset = 0;                // file offset of block[0]
    bool ended = false;                  // the end-of-file flag: set by the first read that finds nothing
    bool drained = false;                // the descriptor will give no more (end, 0x1A or an error)
    int readError = 0;                   // errno of a failed read(), 0 when none failed
    Stop stop = Delimiter;
    unsigned char block[blockBytes];

    explicit ObjStream(int descriptor) : fd(descriptor) {}
    ObjStream(const ObjStream&) = delete;
    ObjStream& operator=(const ObjStream&) = delete;

    // Raw file offset of the next byte to read (a CR LF pair counts two).
    long offset() const { return blockOffset + (next - block); }

    // Stores characters into `out` until `delimiter` (consumed, not stored), the end of the
    // file, or capacity - 1 stored (the next character is left unread); NUL-terminates and
    // returns the count stored. Once the end-of-file flag is set, reads nothing.
    int readToken(char* out, int capacity, unsigned char delimiter) {
        int stored = 0;
        stop = EndOfFile;
        if (!ended) {
            const int limit = capacity - 1;
            stop = Full;
            // Eight bytes at a time while they fit in both the block and the token; the
            // first delimiter or CR among them is left to the byte loop.
            while (stored + wordBytes <= limit && last - next >= wordBytes) {
                std::uint64_t word;
                std::memcpy(&word, next, wordBytes);
                std::memcpy(out + stored, &word, wordBytes);
                const std::uint64_t hits = zeroBytes(word ^ everyByte(delimiter)) | zeroBytes(word ^ everyByte('\r'));
                if (hits != 0) {
                    const int before = __builtin_ctzll(hits) / 8;
                    stored += before;
                    next += before;
                    break;
                }
                stored += wordBytes;
                next += wordBytes;
            }
            while (stored < limit) {
                if (next == last && !refill()) {
                    ended = true;
                    stop = EndOfFile;
                    break;
                }
                unsigned char c = *next++;
                if (c == '\r' && (next != last || refill()) && *next == '\n') {
                    c = '\n';
                    ++next;
                }
                if (c == delimiter) {
                    stop = Delimiter;
                    break;
                }
                out[stored++] = static_cast<char>(c);
            }
        }
        out[stored] = '\0';
        return stored;
    }

    // The next field where it lies in the block, when that is plain: no CR before its
    // delimiter, which comes within capacity - 2 bytes and is followed by at least `spare`
    // bytes of the block. Consumes it as readToken would and returns its first byte, with
    // its length (its bytes are not NUL-terminated); else null, and consumes nothing.
    const char* takeInPlace(int capacity, unsigned char delimiter, int spare, int& length) {
        if (ended || last - next < capacity + spare) return nullptr;
        const unsigned char* const full = next + capacity - 1;  // a field this long stops Full
        for (const unsigned char* p = next; p < full; p += wordBytes) {
            std::uint64_t word;
            std::memcpy(&word, p, wordBytes);
            const std::uint64_t hits = zeroBytes(word ^ everyByte(delimiter)) | zeroBytes(word ^ everyByte('\r'));
            if (hits == 0) continue;
            p += __builtin_ctzll(hits) / 8;
            if (p >= full || *p == '\r') return nullptr;
            const char* field = reinterpret_cast<const char*>(next);
            length = static_cast<int>(p - next);
            next = p + 1;
            stop = Delimiter;
            return field;
        }
        return nullptr;
    }

    // Replaces the consumed block with the next one; false when no byte is left.
    bool refill();

    // The file's length in bytes, or -1 when it cannot be told; moves the read position.
    long length();
    // Reading continues at raw offset `at`; false when the descriptor cannot seek there.
    bool seek(long at);
    // Consumes up to and including the next line feed byte (raw: not after a 0x1A byte);
    // false when there is none.
    bool skipPastLineFeed();

private:
    static constexpr int wordBytes = 8;
    static constexpr std::uint64_t everyByte(unsigned char b) { return b * 0x0101010101010101u; }
    // High bit set in each zero byte of x; the lowest such bit is always exact.
    static constexpr std::uint64_t zeroBytes(std::uint64_t x) {
        return (x - 0x0101010101010101u) & ~x & 0x8080808080808080u;
    }
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the first byte of a word is its lowest");
};
