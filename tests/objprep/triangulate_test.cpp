#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "Triangulate.h"

namespace {
constexpr double pi = 3.14159265358979323846;
using Tris = std::vector<std::array<int, 3>>;

// Twice the area vector of the polygon (Newell).
Point3 polygonArea(const std::vector<Point3>& p) {
    Point3 n{0, 0, 0};
    for (std::size_t i = 1; i + 1 < p.size(); ++i)
        n = n + cross(p[i] - p[0], p[i + 1] - p[0]);
    return n;
}

// The triangles tile the polygon: each turns as the polygon does, and together they
// cover exactly its area (an overlap or a triangle outside it would add area).
void expectTiles(const std::vector<Point3>& polygon) {
    Tris tris;
    triangulate(polygon, tris);
    ASSERT_EQ(tris.size(), polygon.size() - 2);
    const Point3 whole = polygonArea(polygon);
    double sum = 0;
    for (const auto& t : tris) {
        const Point3 a = cross(polygon[t[1]] - polygon[t[0]], polygon[t[2]] - polygon[t[0]]);
        EXPECT_GT(dot(a, whole), 0) << "triangle " << t[0] << " " << t[1] << " " << t[2] << " turns the wrong way";
        sum += length(a);
    }
    EXPECT_NEAR(sum, length(whole), 1e-9 * length(whole));
}

std::vector<Point3> turned(std::vector<Point3> p) {
    // The same outline tilted out of every axis plane and moved far from the origin.
    for (Point3& q : p)
        q = Point3{0.6 * q.x - 0.8 * q.y, 0.48 * q.x + 0.36 * q.y - 0.8 * q.z, 0.64 * q.x + 0.48 * q.y + 0.6 * q.z} +
            Point3{1000, -2000, 500};
    return p;
}

std::vector<Point3> mirrored(std::vector<Point3> p) {
    std::vector<Point3> r(p.rbegin(), p.rend());
    return r;
}
}  // namespace

TEST(Triangulate, ConvexPolygonIsAFanFromItsFirstCorner) {
    const std::vector<Point3> quad = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    Tris tris;
    triangulate(quad, tris);
    EXPECT_EQ(tris, (Tris{{0, 1, 2}, {0, 2, 3}}));
    std::vector<Point3> hexagon;
    for (int i = 0; i < 6; ++i)
        hexagon.push_back({std::cos(i * pi / 3), std::sin(i * pi / 3), 0});
    expectTiles(hexagon);
    expectTiles(turned(hexagon));
}

TEST(Triangulate, ConcavePolygonsAreCutInsideTheirOutline) {
    // A dart whose fan from corner 0 would overlap itself, and an L whose reflex corner
    // comes late; each also mirrored (clockwise) and tilted in space.
    const std::vector<Point3> dart = {{0, 0, 0}, {4, 2, 0}, {0, 4, 0}, {1, 2, 0}};
    const std::vector<Point3> ell = {{0, 2, 0}, {0, 0, 0}, {3, 0, 0}, {3, 1, 0}, {1, 1, 0}, {1, 2, 0}};
    for (const auto& shape : {dart, ell}) {
        expectTiles(shape);
        expectTiles(mirrored(shape));
        expectTiles(turned(shape));
        expectTiles(turned(mirrored(shape)));
    }
}

TEST(Triangulate, DegeneratePolygonsStillGiveOneTriangleFewerPerCorner) {
    const std::vector<std::vector<Point3>> shapes = {
        {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}},             // all on a line
        {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},  // a repeated corner
        {{0, 0, 0}, {2, 2, 0}, {2, 0, 0}, {0, 2, 0}},             // a bow tie
    };
    for (const auto& shape : shapes) {
        Tris tris;
        triangulate(shape, tris);
        EXPECT_EQ(tris.size(), shape.size() - 2);
        for (const auto& t : tris)
            for (int c : t)
                EXPECT_TRUE(c >= 0 && c < static_cast<int>(shape.size()));
    }
}
