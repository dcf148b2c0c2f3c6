#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "Point3.h"

// Fewer triangles for a model the viewer cannot hold (or a grid copy that would cost
// too much a frame), with meshoptimizer's simplifier, which collapses edges in the order
// of least change to the shape (its grid-based one where that cannot go far enough).
// Vertices at the same place are joined first, so that the simplifier sees one surface;
// kept vertices stay where they were. The normals are the source's own: each corner of a
// kept triangle takes, of the normals the source gives at its vertex, the one nearest the
// new face's direction, so hard edges stay hard; where the source was flat-shaded the new
// face gets its own.
class Simplifier {
public:
    // `cornerNormals`: the unit normal of each corner of `triangles`, three per triangle.
    Simplifier(const std::vector<std::array<float, 3>>& positions, const std::vector<std::array<int, 3>>& triangles,
               const std::vector<Point3>& cornerNormals);

    struct Result {
        std::vector<std::array<int, 3>> triangles;  // indices into the positions given
        std::vector<Point3> cornerNormals;          // three per triangle
        std::vector<unsigned> joined;               // the same triangles over the joined vertices
    };

    // At most `target` triangles; false when the simplifier cannot come that low without
    // leaving nothing.
    bool reduce(std::size_t target, Result& result) const;

    // The largest distance of a source vertex from the surface `kept`, as a share of the
    // model's diagonal: measured, and only for the result taken, as it costs about as much
    // as a reduction.
    double errorShare(const Result& kept) const;

private:
    void keepUniqueTriangles();
    Point3 cornerNormal(unsigned id, Point3 face) const;

    const std::vector<std::array<float, 3>>& positions_;
    const std::vector<Point3>& sourceNormals_;
    std::vector<unsigned> indices_;  // the triangles over joined vertices
    std::vector<unsigned> unique_;   // the same, each repeated triangle once
    bool careful_ = true;            // the edge-collapsing simplifier, not only the grid one
    std::vector<float> joined_;      // x, y, z of each joined vertex
    std::vector<int> firstOf_;       // the first position of each joined vertex
    std::vector<bool> flat_;         // per source triangle: its corners share one normal
    // The source corners at each joined vertex: corners_[start_[id]] on, count_[id] of
    // them, or none usable (tooManyNormals) where too many distinct normals meet.
    std::vector<unsigned> start_;
    std::vector<unsigned> count_;
    std::vector<unsigned> corners_;
    double diagonal_ = 0;
};
