#pragma once

#include <array>
#include <vector>

#include "Point3.h"

// Twice the triangle's area times its unit normal, by its winding (counter-clockwise
// seen from the front).
inline Point3 areaNormal(Point3 a, Point3 b, Point3 c) { return cross(b - a, c - a); }

// Smooth normals, one per position: the sum of the area normals of the triangles that
// use it, so large faces weigh more than slivers. Not yet of unit length.
std::vector<Point3> smoothNormals(const std::vector<Point3>& positions,
                                  const std::vector<std::array<int, 3>>& triangles);

// `v` scaled to unit length, or `fallback` when `v` has no usable direction.
Point3 unitOr(Point3 v, Point3 fallback);

// A normal as the file holds it: floats, with -0 made 0 so that both are one normal.
inline std::array<float, 3> asWritten(Point3 n) {
    return {static_cast<float>(n.x) + 0.0f, static_cast<float>(n.y) + 0.0f, static_cast<float>(n.z) + 0.0f};
}
