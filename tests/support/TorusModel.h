#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "ModelFiles.h"

// A torus about the z axis as a dense binary STL file, written at run time (models over
// the viewer's capacity are tens of megabytes), and the distance of a point from the
// torus's true surface, to check how far a simplified copy strays from it.
namespace torus {

constexpr double majorRadius = 1.0;  // from the axis to the middle of the tube
constexpr double minorRadius = 0.4;  // of the tube
constexpr double pi = 3.14159265358979323846;

// The diagonal of its bounding box.
inline double diagonal() {
    const double across = 2 * (majorRadius + minorRadius), high = 2 * minorRadius;
    return std::sqrt(2 * across * across + high * high);
}

inline double distanceToSurface(double x, double y, double z) {
    const double fromTube = std::hypot(x, y) - majorRadius;
    return std::fabs(std::hypot(fromTube, z) - minorRadius);
}

// `rings` steps around the axis by `sides` around the tube: 2 * rings * sides triangles,
// wound counter-clockwise seen from outside, each with its facet normal. Shared corners
// have the very same coordinates, as exporters write them.
inline std::string binaryStl(int rings, int sides) {
    using modelfiles::Point;
    std::vector<Point> grid;
    grid.reserve(static_cast<std::size_t>(rings) * static_cast<std::size_t>(sides));
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < sides; ++j) {
            const double u = 2 * pi * i / rings, v = 2 * pi * j / sides;
            const double out = majorRadius + minorRadius * std::cos(v);
            grid.push_back({static_cast<float>(out * std::cos(u)), static_cast<float>(out * std::sin(u)),
                            static_cast<float>(minorRadius * std::sin(v))});
        }
    const auto at = [&](int i, int j) -> const Point& {
        return grid[static_cast<std::size_t>((i % rings) * sides + (j % sides))];
    };
    const std::uint32_t triangles = 2u * static_cast<std::uint32_t>(rings) * static_cast<std::uint32_t>(sides);
    std::string s = "binary STL of a torus, written by a test";
    s.resize(80, ' ');
    s.reserve(84 + 50 * std::size_t{triangles});
    modelfiles::put(s, triangles);
    const auto facet = [&](const Point& a, const Point& b, const Point& c) {
        const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
        const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (double x : n)
            modelfiles::put(s, static_cast<float>(len > 0 ? x / len : 0));
        for (const Point* p : {&a, &b, &c})
            for (float x : *p)
                modelfiles::put(s, x);
        modelfiles::put<std::uint16_t>(s, 0);
    };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < sides; ++j) {
            facet(at(i, j), at(i + 1, j), at(i + 1, j + 1));
            facet(at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
    return s;
}

}  // namespace torus
