#include "ObjRead.h"

#include <tiny_obj_loader.h>

#include <istream>
#include <streambuf>
#include <string>

#include "ByteOrderMark.h"

namespace {

// A read-only stream over the file's bytes that can tell its position, so that each
// record the library reports can be tied to its line.
class MemoryBuffer : public std::streambuf {
public:
    explicit MemoryBuffer(std::string_view bytes) {
        char* begin = const_cast<char*>(bytes.data());  // get area only: never written
        setg(begin, begin, begin + bytes.size());
    }

protected:
    pos_type seekoff(off_type offset, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
        if (offset != 0 || dir != std::ios_base::cur || !(which & std::ios_base::in))
            return pos_type(off_type(-1));
        return pos_type(gptr() - eback());
    }
};

struct ReadState {
    SourceModel& model;
    std::istream& stream;
    Diagnostics& diagnostics;
    std::size_t base;  // bytes skipped before the stream (a byte order mark)

    // A byte of the line the library has just read: it calls back after the whole line.
    std::size_t lineOffset() {
        const std::streamoff after = stream.tellg();
        return base + (after > 0 ? static_cast<std::size_t>(after - 1) : 0);
    }
};

constexpr int invalidIndex = -2;  // apart from SourceModel::noNormal

// OBJ indices are 1-based; negative ones count back from the last entry read so far.
int resolve(int raw, std::size_t countSoFar) {
    if (raw > 0)
        return raw - 1;  // checked against the final count once the whole file is read
    const long long index = static_cast<long long>(countSoFar) + raw;
    return raw < 0 && index >= 0 ? static_cast<int>(index) : invalidIndex;
}

void onVertex(void* user, tinyobj::real_t x, tinyobj::real_t y, tinyobj::real_t z, tinyobj::real_t /*w*/) {
    ReadState& s = *static_cast<ReadState*>(user);
    s.model.positions.push_back({x, y, z});
    s.model.positionOffsets.push_back(s.lineOffset());
}

void onNormal(void* user, tinyobj::real_t x, tinyobj::real_t y, tinyobj::real_t z) {
    static_cast<ReadState*>(user)->model.normals.push_back({x, y, z});
}

void onFace(void* user, tinyobj::index_t* indices, int count) {
    ReadState& s = *static_cast<ReadState*>(user);
    SourceModel& m = s.model;
    const std::size_t offset = s.lineOffset();
    if (count < 3) {
        s.diagnostics.warningAt(offset, "a face needs at least 3 corners; this one is left out");
        return;
    }
    const std::size_t first = m.corners.size();
    for (int k = 0; k < count; ++k) {
        const int vertex = resolve(indices[k].vertex_index, m.positions.size());
        const int raw = indices[k].normal_index;
        const int normal = raw == 0 ? SourceModel::noNormal : resolve(raw, m.normals.size());
        if (vertex == invalidIndex || normal == invalidIndex) {
            const bool badVertex = vertex == invalidIndex;
            s.diagnostics.errorAt(offset, "corner " + std::to_string(k + 1) + " of the face has " +
                                              (badVertex ? "vertex" : "normal") + " index " +
                                              std::to_string(badVertex ? indices[k].vertex_index : raw) +
                                              ", which names no " + (badVertex ? "vertex" : "normal"));
            m.corners.resize(first);
            return;
        }
        m.corners.push_back({vertex, normal});
    }
    m.polygons.push_back({first, count, offset});
}

// Positive indices may point forward, so they can only be checked at the end.
void checkForwardIndices(const SourceModel& m, Diagnostics& diagnostics) {
    for (const SourceModel::Polygon& p : m.polygons) {
        for (int k = 0; k < p.cornerCount; ++k) {
            const SourceModel::Corner& c = m.corners[p.firstCorner + static_cast<std::size_t>(k)];
            const bool badVertex = static_cast<std::size_t>(c.vertex) >= m.positions.size();
            const bool badNormal = c.normal != SourceModel::noNormal &&
                                   static_cast<std::size_t>(c.normal) >= m.normals.size();
            if (badVertex || badNormal) {
                const std::size_t count = badVertex ? m.positions.size() : m.normals.size();
                const char* kind = badVertex ? "vertex" : "normal";
                diagnostics.errorAt(p.fileOffset, "corner " + std::to_string(k + 1) + " of the face names " + kind +
                                                      " " + std::to_string((badVertex ? c.vertex : c.normal) + 1) +
                                                      " but the file has " + std::to_string(count) + " " +
                                                      (badVertex ? (count == 1 ? "vertex" : "vertices")
                                                                 : (count == 1 ? "normal" : "normals")));
                break;
            }
        }
    }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// tinyobjloader's exponent reading overflows a signed int (undefined behaviour) on an
// exponent of 2147483648 or more. Any exponent of four or more significant digits is
// beyond every double anyway, so such exponents are rewritten as 999, padded to the same
// length (the same infinity or zero), before the library sees them. Empty when the text
// has none.
std::string tameExponents(std::string_view bytes) {
    constexpr std::size_t harmlessDigits = 3;
    std::string tamed;
    for (std::size_t i = 1; i + 1 < bytes.size(); ++i) {
        if ((bytes[i] != 'e' && bytes[i] != 'E') || !(isDigit(bytes[i - 1]) || bytes[i - 1] == '.'))
            continue;
        std::size_t start = i + 1;
        if (bytes[start] == '+' || bytes[start] == '-')
            ++start;
        std::size_t end = start;
        while (end < bytes.size() && isDigit(bytes[end]))
            ++end;
        std::size_t first = start;  // first significant digit
        while (first < end && bytes[first] == '0')
            ++first;
        if (end - first <= harmlessDigits)
            continue;
        if (tamed.empty())
            tamed.assign(bytes);
        tamed.replace(start, end - start, std::string(end - start - harmlessDigits, '0') + "999");
        i = end - 1;
    }
    return tamed;
}

}  // namespace

void readObj(std::string_view bytes, SourceModel& model, Diagnostics& diagnostics) {
    // A byte order mark would hide the first record from the library.
    const std::size_t base = byteOrderMarkLength(bytes);
    const std::string tamed = tameExponents(bytes);
    MemoryBuffer buffer((tamed.empty() ? bytes : std::string_view(tamed)).substr(base));
    std::istream stream(&buffer);
    ReadState state{model, stream, diagnostics, base};

    tinyobj::callback_t callbacks;
    callbacks.vertex_cb = onVertex;
    callbacks.normal_cb = onNormal;
    callbacks.index_cb = onFace;
    std::string warning;
    std::string error;
    if (!tinyobj::LoadObjWithCallback(stream, callbacks, &state, nullptr, &warning, &error))
        diagnostics.error("not an OBJ file the reader accepts: " + error);
    checkForwardIndices(model, diagnostics);
}
