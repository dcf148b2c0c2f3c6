#include "SurfaceDistance.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Point3.h"

namespace {

// Cells about as wide as a triangle is long, but no more cells than this (a few bytes
// each), nor many more than triangles, whatever the model's proportions.
constexpr double mostCells = 1 << 22;
constexpr double cellsPerTriangle = 16;
constexpr double cellGrowth = 1.25;

Point3 pointAt(const std::vector<float>& xyz, unsigned i) {
    return {xyz[3 * std::size_t{i}], xyz[3 * std::size_t{i} + 1], xyz[3 * std::size_t{i} + 2]};
}

double component(Point3 p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }

// The squared distance from p to the triangle abc (its closest point found by the
// region p projects into: a corner, an edge or the face).
double squaredDistance(Point3 p, Point3 a, Point3 b, Point3 c) {
    const Point3 ab = b - a, ac = c - a, ap = p - a;
    const auto from = [&](Point3 q) { return dot(p - q, p - q); };
    const double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0)
        return from(a);
    const Point3 bp = p - b;
    const double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3)
        return from(b);
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return from(a + ab * (d1 / (d1 - d3)));
    const Point3 cp = p - c;
    const double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6)
        return from(c);
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return from(a + ac * (d2 / (d2 - d6)));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0)
        return from(b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6))));
    const double sum = va + vb + vc;
    if (!(sum > 0))  // no area: its longest edge is what is left
        return std::min({from(a), from(b), from(c)});
    return from(a + ab * (vb / sum) + ac * (vc / sum));
}

class Grid {
public:
    Grid(const std::vector<float>& xyz, const std::vector<unsigned>& triangles) : xyz_(xyz), triangles_(triangles) {
        low_ = high_ = pointAt(xyz, 0);
        for (unsigned i = 1; 3 * std::size_t{i} < xyz.size(); ++i) {
            const Point3 p = pointAt(xyz, i);
            low_ = {std::min(low_.x, p.x), std::min(low_.y, p.y), std::min(low_.z, p.z)};
            high_ = {std::max(high_.x, p.x), std::max(high_.y, p.y), std::max(high_.z, p.z)};
        }
        double area = 0;
        for (std::size_t t = 0; t < triangles.size(); t += 3)
            area += length(cross(corner(t, 1) - corner(t, 0), corner(t, 2) - corner(t, 0))) / 2;
        const double extent = std::max({high_.x - low_.x, high_.y - low_.y, high_.z - low_.z});
        const double typical = std::sqrt(2 * area / static_cast<double>(triangles.size() / 3));
        cell_ = typical > 0 ? typical : extent > 0 ? extent : 1;
        while (!sizeCells())
            cell_ *= cellGrowth;
        start_.assign(cellCount() + 1, 0);
        forEachCell([&](std::size_t cell, unsigned) { ++start_[cell + 1]; });
        for (std::size_t c = 0; c < cellCount(); ++c)
            start_[c + 1] += start_[c];
        entries_.resize(start_.back());
        std::vector<unsigned> filled(start_.begin(), start_.end() - 1);
        forEachCell([&](std::size_t cell, unsigned t) { entries_[filled[cell]++] = t; });
    }

    double squaredDistanceTo(Point3 p) const {
        const std::array<int, 3> home = {cellOf(p.x, 0), cellOf(p.y, 1), cellOf(p.z, 2)};
        // A point far from every triangle (where simplifying took a whole part away)
        // would search shell after shell: past one look per triangle, look at each once.
        const std::size_t mostLooks = triangles_.size() / 3;
        std::size_t looks = 0;
        double best = INFINITY;
        for (int shell = 0;; ++shell) {
            // p lies in its home cell, so every cell of this shell is at least `shell - 1`
            // cells away.
            const double reach = std::max(shell - 1, 0) * cell_;
            if (best <= reach * reach)
                return best;
            if (looks > mostLooks)
                return nearestOfAll(p);
            bool anyCell = false;
            forEachShellCell(home, shell, [&](int i, int j, int k) {
                if (i < 0 || j < 0 || k < 0 || i >= size_[0] || j >= size_[1] || k >= size_[2])
                    return;
                anyCell = true;
                ++looks;
                if (squaredDistanceToCell(p, {i, j, k}) >= best)
                    return;
                const std::size_t c = index(i, j, k);
                looks += start_[c + 1] - start_[c];
                for (std::size_t e = start_[c]; e < start_[c + 1]; ++e) {
                    const std::size_t t = 3 * std::size_t{entries_[e]};
                    best = std::min(best, squaredDistance(p, corner(t, 0), corner(t, 1), corner(t, 2)));
                }
            });
            if (!anyCell)  // past the grid on every side
                return best;
        }
    }

private:
    Point3 corner(std::size_t t, int k) const { return pointAt(xyz_, triangles_[t + static_cast<std::size_t>(k)]); }

    bool sizeCells() {
        const double most = std::min(mostCells, cellsPerTriangle * static_cast<double>(triangles_.size() / 3 + 1));
        double cells = 1;
        for (int a = 0; a < 3; ++a) {
            const double n = std::floor((component(high_, a) - component(low_, a)) / cell_) + 1;
            if (n > most)
                return false;
            size_[a] = static_cast<int>(n);
            cells *= n;
        }
        return cells <= most;
    }
    std::size_t cellCount() const {
        return static_cast<std::size_t>(size_[0]) * static_cast<std::size_t>(size_[1]) * static_cast<std::size_t>(size_[2]);
    }
    std::size_t index(int i, int j, int k) const {
        return (static_cast<std::size_t>(k) * static_cast<std::size_t>(size_[1]) + static_cast<std::size_t>(j)) *
                   static_cast<std::size_t>(size_[0]) +
               static_cast<std::size_t>(i);
    }
    double nearestOfAll(Point3 p) const {
        double best = INFINITY;
        for (std::size_t t = 0; t < triangles_.size(); t += 3)
            best = std::min(best, squaredDistance(p, corner(t, 0), corner(t, 1), corner(t, 2)));
        return best;
    }

    // The cells at Chebyshev distance `shell` from `home`: the surface of a cube.
    template <typename Visit>
    static void forEachShellCell(std::array<int, 3> home, int shell, Visit&& visit) {
        for (int dk = -shell; dk <= shell; ++dk)
            for (int dj = -shell; dj <= shell; ++dj) {
                const bool face = std::abs(dk) == shell || std::abs(dj) == shell;
                for (int di = -shell; di <= shell; di += face || shell == 0 ? 1 : 2 * shell)
                    visit(home[0] + di, home[1] + dj, home[2] + dk);
            }
    }

    double squaredDistanceToCell(Point3 p, std::array<int, 3> cell) const {
        double sum = 0;
        for (int axis = 0; axis < 3; ++axis) {
            const double lo = component(low_, axis) + cell[static_cast<std::size_t>(axis)] * cell_;
            const double v = component(p, axis);
            const double gap = std::max({lo - v, 0.0, v - (lo + cell_)});
            sum += gap * gap;
        }
        return sum;
    }
    int cellOf(double v, int axis) const {
        const double n = std::floor((v - component(low_, axis)) / cell_);
        return static_cast<int>(std::clamp(n, 0.0, static_cast<double>(size_[axis] - 1)));
    }

    // Calls visit(cell, triangle) for every cell of a triangle's box that its plane
    // passes through, so that a large slanted triangle does not fill its whole box.
    template <typename Visit>
    void forEachCell(Visit&& visit) const {
        for (std::size_t t = 0; t < triangles_.size(); t += 3) {
            const Point3 a = corner(t, 0), b = corner(t, 1), c = corner(t, 2);
            const Point3 n = cross(b - a, c - a);
            const double halfWidth = cell_ / 2 * (std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z));
            std::array<int, 3> from, to;
            for (int axis = 0; axis < 3; ++axis) {
                const double lo = std::min({component(a, axis), component(b, axis), component(c, axis)});
                const double hi = std::max({component(a, axis), component(b, axis), component(c, axis)});
                from[static_cast<std::size_t>(axis)] = cellOf(lo, axis);
                to[static_cast<std::size_t>(axis)] = cellOf(hi, axis);
            }
            for (int k = from[2]; k <= to[2]; ++k)
                for (int j = from[1]; j <= to[1]; ++j)
                    for (int i = from[0]; i <= to[0]; ++i) {
                        const Point3 middle = low_ + Point3{(i + 0.5) * cell_, (j + 0.5) * cell_, (k + 0.5) * cell_};
                        if (std::fabs(dot(n, middle - a)) <= halfWidth)
                            visit(index(i, j, k), static_cast<unsigned>(t / 3));
                    }
        }
    }

    const std::vector<float>& xyz_;
    const std::vector<unsigned>& triangles_;
    Point3 low_, high_;
    double cell_ = 1;
    std::array<int, 3> size_{1, 1, 1};
    std::vector<std::size_t> start_;
    std::vector<unsigned> entries_;
};

}  // namespace

double largestDistance(const std::vector<float>& points, const std::vector<unsigned>& triangles) {
    if (points.empty() || triangles.empty())
        return 0;
    const Grid grid(points, triangles);
    std::vector<bool> onSurface(points.size() / 3);  // a corner of a triangle is at distance 0
    for (unsigned v : triangles)
        onSurface[v] = true;
    double largest = 0;
    for (unsigned i = 0; 3 * std::size_t{i} < points.size(); ++i)
        if (!onSurface[i])
            largest = std::max(largest, grid.squaredDistanceTo(pointAt(points, i)));
    return std::sqrt(largest);
}
