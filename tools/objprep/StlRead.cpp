#include "StlRead.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "ByteOrderMark.h"
#include "ByteReader.h"
#include "Words.h"

namespace {

// Collects facets, sharing corners of equal coordinates.
class FacetSink {
public:
    explicit FacetSink(SourceModel& model) : model_(model) {}

    // `corners` positions of one facet; false when a coordinate is not finite.
    bool add(Point3 normal, const Point3* corners, int count, std::size_t offset) {
        for (int k = 0; k < count; ++k)
            if (!finite(corners[k]))
                return false;
        int normalIndex = SourceModel::noNormal;
        if (finite(normal) && length(normal) > 0) {
            normalIndex = static_cast<int>(model_.normals.size());
            model_.normals.push_back(normal);
        }
        const std::size_t first = model_.corners.size();
        for (int k = 0; k < count; ++k)
            model_.corners.push_back({vertexOf(corners[k], offset), normalIndex});
        model_.polygons.push_back({first, count, offset});
        return true;
    }

private:
    int vertexOf(Point3 p, std::size_t offset) {
        std::array<std::uint64_t, 3> key;
        const double c[3] = {p.x + 0.0, p.y + 0.0, p.z + 0.0};  // -0 and 0 are one place
        std::memcpy(key.data(), c, sizeof c);
        const auto [it, added] = index_.emplace(key, static_cast<int>(model_.positions.size()));
        if (added) {
            model_.positions.push_back(p);
            model_.positionOffsets.push_back(offset);
        }
        return it->second;
    }

    SourceModel& model_;
    std::map<std::array<std::uint64_t, 3>, int> index_;
};

void readBinary(std::string_view bytes, SourceModel& model, Diagnostics& diagnostics) {
    ByteReader in(bytes, stlHeaderBytes, false);
    std::uint64_t count = 0;
    if (!in.unsignedOf(4, count)) {
        diagnostics.error("a binary STL file needs an 84-byte header; this one has " + std::to_string(bytes.size()) +
                          " bytes");
        return;
    }
    const std::size_t held = in.left() / stlTriangleBytes;
    if (count > held) {
        diagnostics.error("the STL header says " + std::to_string(count) + " triangles but the file holds only " +
                          std::to_string(held) + ": it is cut short");
        return;
    }
    if (in.left() != count * stlTriangleBytes)
        diagnostics.warning(std::to_string(in.left() - count * stlTriangleBytes) + " bytes after the " +
                            std::to_string(count) + " triangles the header counts are ignored");
    FacetSink sink(model);
    for (std::uint64_t t = 0; t < count; ++t) {
        const std::size_t offset = in.offset();
        double v[12];
        for (double& x : v)
            in.float32(x);
        std::uint64_t attribute;
        in.unsignedOf(2, attribute);
        const Point3 corners[3] = {{v[3], v[4], v[5]}, {v[6], v[7], v[8]}, {v[9], v[10], v[11]}};
        if (!sink.add({v[0], v[1], v[2]}, corners, 3, offset)) {
            diagnostics.error("triangle " + std::to_string(t + 1) + " has a corner that is not a finite number");
            return;
        }
    }
}

void readText(std::string_view bytes, SourceModel& model, Diagnostics& diagnostics) {
    Words words(bytes, byteOrderMarkLength(bytes));
    FacetSink sink(model);
    std::vector<Point3> loop;
    const auto fail = [&](const std::string& what) {
        diagnostics.errorAt(words.start(), what);
    };
    const auto expect = [&](std::string_view word) {
        const std::string_view got = words.next();
        if (got == word)
            return true;
        fail("expected \"" + std::string(word) + "\" but found " +
             (got.empty() ? std::string("the end of the file: it is cut short") : "\"" + std::string(got) + "\""));
        return false;
    };
    const auto number = [&](double& value) { return finiteNumber(words.next(), value); };
    const auto skipName = [&] {  // the solid's name, up to its first facet or its end
        while (words.peek() != "facet" && words.peek() != "endsolid" && !words.peek().empty())
            words.next();
    };
    if (!expect("solid"))
        return;
    skipName();
    for (;;) {
        const std::string_view word = words.next();
        if (word == "endsolid") {
            while (words.peek() != "solid" && !words.peek().empty())
                words.next();  // the name again
            if (words.peek().empty())
                return;
            words.next();  // some files hold several solids
            skipName();
            continue;
        }
        if (word != "facet") {
            fail(word.empty() ? "the file ends without \"endsolid\": it is cut short"
                              : "expected \"facet\" or \"endsolid\" but found \"" + std::string(word) + "\"");
            return;
        }
        const std::size_t offset = words.start();
        Point3 normal;
        if (!expect("normal"))
            return;
        if (!number(normal.x) || !number(normal.y) || !number(normal.z))
            return fail("a facet normal needs three finite numbers");
        if (!expect("outer") || !expect("loop"))
            return;
        loop.clear();
        while (words.peek() == "vertex") {
            words.next();
            Point3 p;
            if (!number(p.x) || !number(p.y) || !number(p.z))
                return fail("a vertex needs three finite numbers");
            loop.push_back(p);
        }
        if (!expect("endloop") || !expect("endfacet"))
            return;
        if (loop.size() < 3)
            return diagnostics.errorAt(offset, "a facet needs at least 3 vertices; this one has " +
                                                   std::to_string(loop.size()));
        sink.add(normal, loop.data(), static_cast<int>(loop.size()), offset);
    }
}

}  // namespace

void readStl(std::string_view bytes, bool binary, SourceModel& model, Diagnostics& diagnostics) {
    model.textLines = !binary;
    if (binary)
        readBinary(bytes, model, diagnostics);
    else
        readText(bytes, model, diagnostics);
}
