#include "Normals.h"

#include <cmath>
#include <cstddef>

std::vector<Point3> smoothNormals(const std::vector<Point3>& positions,
                                  const std::vector<std::array<int, 3>>& triangles) {
    std::vector<Point3> sums(positions.size(), Point3{0, 0, 0});
    for (const std::array<int, 3>& t : triangles) {
        const auto at = [&](int k) { return positions[static_cast<std::size_t>(t[static_cast<std::size_t>(k)])]; };
        const Point3 n = areaNormal(at(0), at(1), at(2));
        for (int k = 0; k < 3; ++k) {
            Point3& sum = sums[static_cast<std::size_t>(t[static_cast<std::size_t>(k)])];
            sum = sum + n;
        }
    }
    return sums;
}

Point3 unitOr(Point3 v, Point3 fallback) {
    const double len = length(v);
    if (!(len > 0) || !std::isfinite(len))
        return fallback;
    return {v.x / len, v.y / len, v.z / len};
}
