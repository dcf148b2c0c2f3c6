#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// Reads fixed-size numbers from a byte string in either byte order, refusing to read
// past its end.
class ByteReader {
public:
    ByteReader(std::string_view bytes, std::size_t at, bool bigEndian)
        : bytes_(bytes), at_(at), bigEndian_(bigEndian) {}

    std::size_t offset() const { return at_; }
    std::size_t left() const { return at_ <= bytes_.size() ? bytes_.size() - at_ : 0; }

    // The next `size` bytes as an unsigned number (size 1, 2, 4 or 8); false at the end.
    bool unsignedOf(int size, std::uint64_t& value) {
        if (left() < static_cast<std::size_t>(size))
            return false;
        value = 0;
        for (int k = 0; k < size; ++k) {
            const int byte = bigEndian_ ? k : size - 1 - k;
            value = (value << 8) | static_cast<unsigned char>(bytes_[at_ + static_cast<std::size_t>(byte)]);
        }
        at_ += static_cast<std::size_t>(size);
        return true;
    }
    bool float32(double& value) {
        std::uint64_t bits;
        if (!unsignedOf(4, bits))
            return false;
        const std::uint32_t narrow = static_cast<std::uint32_t>(bits);
        float f;
        std::memcpy(&f, &narrow, sizeof f);
        value = f;
        return true;
    }
    bool float64(double& value) {
        std::uint64_t bits;
        if (!unsignedOf(8, bits))
            return false;
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t at_;
    bool bigEndian_;
};
