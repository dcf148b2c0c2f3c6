#include "Simplify.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <tuple>

#include "Normals.h"
#include "SurfaceDistance.h"

namespace {

// Past this many distinct normals at one vertex (the tip of a finely faceted cone, say)
// each new face there takes its own normal; this also bounds the search per corner.
constexpr unsigned mostCandidates = 64;
constexpr unsigned tooManyNormals = 0;  // a vertex's candidate count when it has more
// The simplifier stops at the triangle count alone, never at an error.
constexpr float anyError = FLT_MAX;
// The careful simplifier looks through each vertex's triangles for each of its edges,
// which takes the square of their number: a vertex of 300,000 triangles (a finely cut
// disc) takes minutes. Past this sum of squares over busy vertices the grid-based one
// works alone.
constexpr double mostCarefulWork = 1e8;
constexpr unsigned busyVertex = 64;  // triangles at a vertex
constexpr std::size_t floatsPerPosition = 3;

// A normal as written, and whether its triangle was flat-shaded: two corners with equal
// keys are one candidate.
std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, bool> candidateKey(Point3 n, bool flat) {
    const std::array<float, 3> f = asWritten(n);
    std::uint32_t bits[3];
    std::memcpy(bits, f.data(), sizeof bits);
    return {bits[0], bits[1], bits[2], flat};
}

Point3 pointOf(const std::array<float, 3>& p) { return {p[0], p[1], p[2]}; }

}  // namespace

Simplifier::Simplifier(const std::vector<std::array<float, 3>>& positions,
                       const std::vector<std::array<int, 3>>& triangles, const std::vector<Point3>& cornerNormals)
    : positions_(positions), sourceNormals_(cornerNormals) {
    // Equal positions become one vertex, numbered in the order of their first use.
    const std::size_t count = positions.size();
    std::vector<unsigned> remap(count);
    const std::size_t joined =
        meshopt_generateVertexRemap(remap.data(), nullptr, count, positions.data(), count, sizeof positions[0]);
    joined_.resize(floatsPerPosition * joined);
    firstOf_.assign(joined, -1);
    for (std::size_t i = 0; i < count; ++i)
        if (firstOf_[remap[i]] < 0) {
            firstOf_[remap[i]] = static_cast<int>(i);
            std::copy(positions[i].begin(), positions[i].end(), joined_.begin() + floatsPerPosition * remap[i]);
        }
    indices_.reserve(3 * triangles.size());
    flat_.reserve(triangles.size());
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        for (int v : triangles[t])
            indices_.push_back(remap[static_cast<std::size_t>(v)]);
        const std::array<float, 3> first = asWritten(cornerNormals[3 * t]);
        flat_.push_back(first == asWritten(cornerNormals[3 * t + 1]) && first == asWritten(cornerNormals[3 * t + 2]));
    }
    keepUniqueTriangles();

    // The source corners at each vertex, grouped by vertex.
    count_.assign(joined, 0);
    for (unsigned id : indices_)
        ++count_[id];
    start_.assign(joined, 0);
    for (std::size_t id = 1; id < joined; ++id)
        start_[id] = start_[id - 1] + count_[id - 1];
    corners_.resize(indices_.size());
    std::vector<unsigned> filled(start_);
    for (std::size_t c = 0; c < indices_.size(); ++c)
        corners_[filled[indices_[c]]++] = static_cast<unsigned>(c);
    std::vector<unsigned> valence(joined);  // of the triangles the simplifier gets
    for (unsigned id : unique_)
        ++valence[id];
    double work = 0;
    for (unsigned n : valence)
        if (n > busyVertex)
            work += static_cast<double>(n) * n;
    careful_ = work <= mostCarefulWork;
    // Busy vertices keep each distinct candidate once.
    const auto key = [&](unsigned c) { return candidateKey(cornerNormals[c], flat_[c / 3]); };
    for (std::size_t id = 0; id < joined; ++id) {
        if (count_[id] <= mostCandidates)
            continue;
        const auto begin = corners_.begin() + start_[id], end = begin + count_[id];
        std::sort(begin, end, [&](unsigned a, unsigned b) { return key(a) < key(b); });
        const auto last = std::unique(begin, end, [&](unsigned a, unsigned b) { return key(a) == key(b); });
        const unsigned distinct = static_cast<unsigned>(last - begin);
        count_[id] = distinct > mostCandidates ? tooManyNormals : distinct;
    }

    Point3 low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
    for (std::size_t i = 0; i < joined_.size(); i += floatsPerPosition) {
        low = {std::min<double>(low.x, joined_[i]), std::min<double>(low.y, joined_[i + 1]),
               std::min<double>(low.z, joined_[i + 2])};
        high = {std::max<double>(high.x, joined_[i]), std::max<double>(high.y, joined_[i + 1]),
                std::max<double>(high.z, joined_[i + 2])};
    }
    diagonal_ = joined > 0 ? length(high - low) : 0;
}

void Simplifier::keepUniqueTriangles() {
    // A triangle the file repeats (the same corners in the same turn, from whichever
    // corner) is drawn once: to the simplifier, repeats make every edge of theirs look torn.
    const std::size_t count = indices_.size() / 3;
    std::vector<std::array<unsigned, 3>> canonical(count);
    for (std::size_t t = 0; t < count; ++t) {
        const unsigned* v = &indices_[3 * t];
        const std::size_t first = static_cast<std::size_t>(std::min_element(v, v + 3) - v);
        canonical[t] = {v[first], v[(first + 1) % 3], v[(first + 2) % 3]};
    }
    std::vector<unsigned> id(count);
    meshopt_generateVertexRemap(id.data(), nullptr, count, canonical.data(), count, sizeof canonical[0]);
    unsigned next = 0;  // ids come in the order of first use: a repeat's is an old one
    unique_.reserve(indices_.size());
    for (std::size_t t = 0; t < count; ++t)
        if (id[t] == next) {
            ++next;
            unique_.insert(unique_.end(), &indices_[3 * t], &indices_[3 * t] + 3);
        }
}

Point3 Simplifier::cornerNormal(unsigned id, Point3 face) const {
    const unsigned first = corners_[start_[id]];
    if (count_[id] == tooManyNormals)
        return unitOr(face, sourceNormals_[first]);
    unsigned best = first;
    double bestDot = -INFINITY;
    for (unsigned j = 0; j < count_[id]; ++j) {
        const unsigned c = corners_[start_[id] + j];
        const double d = dot(sourceNormals_[c], face);
        if (d > bestDot) {
            best = c;
            bestDot = d;
        }
    }
    // A flat-shaded source stays flat: the new face's direction, not an old face's.
    return flat_[best / 3] ? unitOr(face, sourceNormals_[best]) : sourceNormals_[best];
}

bool Simplifier::reduce(std::size_t target, Result& result) const {
    const std::size_t vertices = firstOf_.size();
    const std::size_t stride = sizeof(float) * floatsPerPosition;
    const std::size_t wanted = std::min(3 * target, unique_.size());
    std::vector<unsigned> kept(unique_);
    std::size_t count = kept.size();
    if (careful_)
        count = meshopt_simplify(kept.data(), unique_.data(), unique_.size(), joined_.data(), vertices, stride, wanted,
                                 anyError, 0, nullptr);
    if (count > wanted) {
        // The careful simplifier stops where collapsing would tear the surface (many
        // separate small parts), or was not used; the grid-based one goes the rest of
        // the way.
        std::vector<unsigned> coarse(count);
        count = meshopt_simplifySloppy(coarse.data(), kept.data(), count, joined_.data(), vertices, stride, wanted,
                                       anyError, nullptr);
        kept.swap(coarse);
    }
    if (count == 0 || count > wanted)
        return false;
    kept.resize(count);

    result.triangles.clear();
    result.cornerNormals.clear();
    result.triangles.reserve(count / 3);
    result.cornerNormals.reserve(count);
    for (std::size_t i = 0; i < count; i += 3) {
        const std::array<int, 3> t = {firstOf_[kept[i]], firstOf_[kept[i + 1]], firstOf_[kept[i + 2]]};
        const auto at = [&](int k) { return pointOf(positions_[static_cast<std::size_t>(t[static_cast<std::size_t>(k)])]); };
        const Point3 face = areaNormal(at(0), at(1), at(2));
        result.triangles.push_back(t);
        for (int k = 0; k < 3; ++k)
            result.cornerNormals.push_back(cornerNormal(kept[i + static_cast<std::size_t>(k)], face));
    }
    result.joined.swap(kept);
    return true;
}

// Measured, not the simplifier's own estimate (a weighted mean, which can read far
// lower): how far the farthest source vertex lies from the surface kept.
double Simplifier::errorShare(const Result& kept) const {
    return diagonal_ > 0 ? largestDistance(joined_, kept.joined) / diagonal_ : 0;
}
