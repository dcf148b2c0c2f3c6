#include "StlRead.h"

#include <meshoptimizer.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ByteOrderMark.h"
#include "ByteReader.h"
#include "Words.h"

namespace {

// Collects facets; once all are read, corners of equal coordinates become one vertex,
// numbered in the order of their first use.
class FacetSink {
public:
    explicit FacetSink(SourceModel& model) : model_(model) {}

    void reserve(std::size_t triangles) {
        model_.normals.reserve(triangles);
        model_.polygons.reserve(triangles);
        model_.corners.reserve(3 * triangles);
        places_.reserve(3 * triangles);
        offsets_.reserve(3 * triangles);
    }

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
        model_.polygons.push_back({model_.corners.size(), count, offset});
        for (int k = 0; k < count; ++k) {
            model_.corners.push_back({0, normalIndex});  // the vertex is known once all are read
            places_.push_back(corners[k] + Point3{0.0, 0.0, 0.0});  // -0 and 0 are one place
            offsets_.push_back(offset);
        }
        return true;
    }

    // Joins equal corners (by their bits, with meshoptimizer's hashing).
    void finish() {
        std::vector<unsigned> vertex(places_.size());
        const std::size_t count =
            meshopt_generateVertexRemap(vertex.data(), nullptr, places_.size(), places_.data(), places_.size(), sizeof(Point3));
        model_.positions.resize(count);
        model_.positionOffsets.resize(count);
        for (std::size_t c = places_.size(); c-- > 0;) {  // the first corner's offset wins
            model_.positions[vertex[c]] = places_[c];
            model_.positionOffsets[vertex[c]] = offsets_[c];
            model_.corners[c].vertex = static_cast<int>(vertex[c]);
        }
    }

private:
    SourceModel& model_;
    std::vector<Point3> places_;  // per corner
    std::vector<std::size_t> offsets_;
};

void readBinary(std::string_view bytes, FacetSink& sink, Diagnostics& diagnostics) {
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
    sink.reserve(static_cast<std::size_t>(count));
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

void readText(std::string_view bytes, FacetSink& sink, Diagnostics& diagnostics) {
    Words words(bytes, byteOrderMarkLength(bytes));
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
    FacetSink sink(model);
    if (binary)
        readBinary(bytes, sink, diagnostics);
    else
        readText(bytes, sink, diagnostics);
    if (!diagnostics.failed())
        sink.finish();
}
