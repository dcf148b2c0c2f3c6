#include "Triangulate.h"

#include <cmath>
#include <cstddef>

namespace {

// Ear clipping costs up to n^3 steps; beyond this many corners a fan is cut instead.
constexpr int earClippingCornerLimit = 256;

struct Point2 {
    double u, v;
};

double turn(Point2 a, Point2 b, Point2 c) { return (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u); }

// Inside or on the edge of the counter-clockwise triangle abc.
bool inTriangle(Point2 p, Point2 a, Point2 b, Point2 c) {
    return turn(a, b, p) >= 0 && turn(b, c, p) >= 0 && turn(c, a, p) >= 0;
}

void fan(int first, const std::vector<int>& ring, std::vector<std::array<int, 3>>& out) {
    for (std::size_t i = static_cast<std::size_t>(first) + 1; i + 1 < ring.size(); ++i)
        out.push_back({ring[static_cast<std::size_t>(first)], ring[i], ring[i + 1]});
}

// The polygon seen along its Newell normal, mirrored so that it runs counter-clockwise.
std::vector<Point2> project(const std::vector<Point3>& corners, Point3 normal) {
    const double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    std::vector<Point2> flat;
    flat.reserve(corners.size());
    for (const Point3& p : corners) {
        if (az >= ax && az >= ay)
            flat.push_back(normal.z > 0 ? Point2{p.x, p.y} : Point2{p.y, p.x});
        else if (ay >= ax)
            flat.push_back(normal.y > 0 ? Point2{p.z, p.x} : Point2{p.x, p.z});
        else
            flat.push_back(normal.x > 0 ? Point2{p.y, p.z} : Point2{p.z, p.y});
    }
    return flat;
}

bool isEar(const std::vector<Point2>& flat, const std::vector<int>& ring, std::size_t i) {
    const std::size_t n = ring.size();
    const int a = ring[(i + n - 1) % n], b = ring[i], c = ring[(i + 1) % n];
    if (turn(flat[a], flat[b], flat[c]) <= 0)
        return false;  // a reflex or flat corner is no ear
    for (int other : ring) {
        if (other == a || other == b || other == c)
            continue;
        if (inTriangle(flat[other], flat[a], flat[b], flat[c]))
            return false;
    }
    return true;
}

}  // namespace

void triangulate(const std::vector<Point3>& corners, std::vector<std::array<int, 3>>& out) {
    const int n = static_cast<int>(corners.size());
    std::vector<int> ring(corners.size());
    for (int i = 0; i < n; ++i)
        ring[static_cast<std::size_t>(i)] = i;
    if (n < 3)
        return;
    // Twice the area vector, taken about corner 0 so that far-off models keep their digits.
    Point3 normal{0, 0, 0};
    for (std::size_t i = 1; i + 1 < corners.size(); ++i)
        normal = normal + cross(corners[i] - corners[0], corners[i + 1] - corners[0]);
    if (n == 3 || n > earClippingCornerLimit || !(length(normal) > 0)) {
        fan(0, ring, out);
        return;
    }
    const std::vector<Point2> flat = project(corners, normal);
    // Starting at corner 1 and moving on after each cut gives the fan from corner 0
    // for a convex polygon.
    std::size_t i = 1;
    std::size_t misses = 0;
    while (ring.size() > 3) {
        if (misses == ring.size()) {  // no ear left (a self-touching polygon): fan the rest
            fan(0, ring, out);
            return;
        }
        if (i >= ring.size())
            i = 0;
        if (isEar(flat, ring, i)) {
            const std::size_t m = ring.size();
            out.push_back({ring[(i + m - 1) % m], ring[i], ring[(i + 1) % m]});
            ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(i));
            misses = 0;
        } else {
            ++i;
            ++misses;
        }
    }
    out.push_back({ring[0], ring[1], ring[2]});
}
