#pragma once

#include <array>
#include <cstddef>
#include <vector>

// How far a simplified surface strays from the source: the largest distance from any of
// `points` (x, y, z after one another) to the nearest of `triangles` (indices of those
// points). Measured exactly, point by point, with the triangles sorted into a uniform grid
// of cells so that each point looks only at the cells around it.
double largestDistance(const std::vector<float>& points, const std::vector<unsigned>& triangles);
