#pragma once

#include <array>
#include <vector>

#include "Point3.h"

// Splits a polygon (its corner positions, in order) into triangles of corner numbers
// 0..n-1 that keep the polygon's winding; concave polygons are cut by ear clipping.
// Appends n - 2 triangles to `out` (none when n < 3).
void triangulate(const std::vector<Point3>& corners, std::vector<std::array<int, 3>>& out);
