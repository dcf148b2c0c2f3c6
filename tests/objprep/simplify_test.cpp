// Models the viewer cannot hold, and grid models over their budget, simplified: what is
// written loads completely, stays on the source's surface, and keeps the source's normals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "TorusModel.h"
#include "objprep_support.h"

namespace {

constexpr double surfaceTolerance = 0.01;  // of the model's diagonal
constexpr double unitTolerance = 1e-6;

struct Simplified {
    prep::Run run;
    std::vector<prep::Drawn> faces;
};

// Converts `path` on the command line and loads what it wrote with the viewer's loader,
// which must read it completely.
Simplified convertAndLoad(const std::string& path, std::vector<std::string> options = {}) {
    const std::string out = path + ".out.obj";
    options.insert(options.begin(), {path, "-o", out});
    Simplified s{prep::run(options), {}};
    EXPECT_EQ(s.run.status, exitDone) << s.run.err;
    const prep::Loaded loaded = prep::viewerLoad(prep::readBack(out));
    std::remove(out.c_str());
    EXPECT_EQ(loaded.printed, "");
    s.faces = prep::drawnFaces(*loaded.mesh);
    EXPECT_NE(s.run.err.find(", " + std::to_string(s.faces.size()) + " triangle"), std::string::npos)
        << "the viewer did not read every triangle written: " << s.run.err;
    return s;
}

// The largest error the summary line gives, as a share.
double saidError(const std::string& summary) {
    const std::string mark = "largest error ";
    const std::size_t at = summary.find(mark);
    return at == std::string::npos ? NAN : std::atof(summary.c_str() + at + mark.size()) / 100;
}

// The farthest any corner, or any point of a 4 x 4 sampling of each triangle, lies from
// the torus's true surface, as a share of its diagonal. `toModel` undoes the turn of
// the output's axes.
template <typename ToModel>
double farthestFromTorus(const std::vector<prep::Drawn>& faces, ToModel toModel) {
    constexpr int steps = 4;
    double farthest = 0;
    for (const prep::Drawn& d : faces)
        for (int s = 0; s <= steps; ++s)
            for (int t = 0; s + t <= steps; ++t) {
                double q[3];
                for (int k = 0; k < 3; ++k)
                    q[k] = d.p[0][k] + (d.p[1][k] - d.p[0][k]) * s / steps + (d.p[2][k] - d.p[0][k]) * t / steps;
                const std::array<double, 3> m = toModel(q);
                farthest = std::max(farthest, torus::distanceToSurface(m[0], m[1], m[2]));
            }
    return farthest / torus::diagonal();
}

std::array<double, 3> asWritten(const double* q) { return {q[0], q[1], q[2]}; }
// --for grid stands a y-up model along z: the torus's axis (its z) is then y.
std::array<double, 3> fromGrid(const double* q) { return {q[0], q[2], q[1]}; }

// A flat-shaded source stays flat: each face's corners carry the face's own direction.
void expectFlatNormals(const std::vector<prep::Drawn>& faces) {
    for (const prep::Drawn& d : faces) {
        const std::array<double, 3> a = prep::areaVector(d.p);
        const double len = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
        for (const prep::Vec& n : d.n)
            for (int k = 0; k < 3; ++k)
                ASSERT_NEAR(n[k], a[k] / len, 1e-5) << "a corner's normal is not its face's";
    }
}

// A closed cylinder along z, radius 1, height 2: smooth sides (one radial normal per
// vertex) and flat caps, so that each rim vertex carries two normals with a hard edge
// between them.
std::string cylinderObj(int around, int rings) {
    std::string s;
    for (int r = 0; r <= rings; ++r)
        for (int i = 0; i < around; ++i) {
            const double a = 2 * torus::pi * i / around;
            s += "v " + std::to_string(std::cos(a)) + " " + std::to_string(std::sin(a)) + " " +
                 std::to_string(2.0 * r / rings) + "\nvn " + std::to_string(std::cos(a)) + " " +
                 std::to_string(std::sin(a)) + " 0\n";
        }
    s += "vn 0 0 -1\nvn 0 0 1\n";
    const int down = around * (rings + 1) + 1, up = down + 1;
    const auto at = [&](int r, int i) { return std::to_string(r * around + i % around + 1); };
    for (int r = 0; r < rings; ++r)
        for (int i = 0; i < around; ++i) {
            const std::string a = at(r, i), b = at(r, i + 1), c = at(r + 1, i + 1), d = at(r + 1, i);
            s += "f " + a + "//" + a + " " + b + "//" + b + " " + c + "//" + c + "\n";
            s += "f " + a + "//" + a + " " + c + "//" + c + " " + d + "//" + d + "\n";
        }
    for (int i = 1; i + 1 < around; ++i) {  // fans, wound outward
        s += "f " + at(0, 0) + "//" + std::to_string(down) + " " + at(0, i + 1) + "//" + std::to_string(down) + " " +
             at(0, i) + "//" + std::to_string(down) + "\n";
        s += "f " + at(rings, 0) + "//" + std::to_string(up) + " " + at(rings, i) + "//" + std::to_string(up) + " " +
             at(rings, i + 1) + "//" + std::to_string(up) + "\n";
    }
    return s;
}

// A flat disc of `slices` triangles around one centre vertex: a vertex of very many
// triangles, which the careful simplifier cannot take in reasonable time.
std::string discObj(int slices) {
    std::string s = "v 0 0 0\n";
    for (int i = 0; i < slices; ++i) {
        const double a = 2 * torus::pi * i / slices;
        s += "v " + std::to_string(std::cos(a)) + " " + std::to_string(std::sin(a)) + " 0\n";
    }
    for (int i = 0; i < slices; ++i)
        s += "f 1 " + std::to_string(i + 2) + " " + std::to_string((i + 1) % slices + 2) + "\n";
    return s;
}

}  // namespace

TEST(Simplify, OverCapacityModelFitsLoadsCompletelyAndStaysOnTheSurface) {
    // 266,240 triangles over 133,120 vertices: just over what the viewer holds.
    const std::string path = prep::write("torus-over-capacity.stl", torus::binaryStl(520, 256));
    const Simplified s = convertAndLoad(path);
    std::remove(path.c_str());
    EXPECT_NE(s.run.err.find("simplified from 266240 (at most 262144;"), std::string::npos) << s.run.err;
    EXPECT_LE(s.faces.size(), std::size_t{Mesh::capacity});
    EXPECT_GE(s.faces.size(), std::size_t{Mesh::capacity} * 99 / 100) << "far fewer triangles kept than fit";
    const double said = saidError(s.run.err);
    EXPECT_GT(said, 0);
    EXPECT_LT(said, surfaceTolerance);
    EXPECT_LT(farthestFromTorus(s.faces, asWritten), surfaceTolerance);
    expectFlatNormals(s.faces);  // STL facets
}

TEST(Simplify, GridModelsKeepToTheFrameBudgetUnlessToldOtherwise) {
    const std::string ring = prep::write("torus-20000.stl", torus::binaryStl(100, 100));
    const Simplified grid = convertAndLoad(ring, {"--for", "grid"});
    EXPECT_NE(grid.run.err.find("simplified from 20000 (at most 10000;"), std::string::npos) << grid.run.err;
    EXPECT_LE(grid.faces.size(), 10000u);
    EXPECT_GE(grid.faces.size(), 9900u);
    EXPECT_LT(farthestFromTorus(grid.faces, fromGrid), surfaceTolerance);
    EXPECT_LE(saidError(grid.run.err), surfaceTolerance);

    EXPECT_LE(convertAndLoad(ring, {"--for", "grid", "--frame"}).faces.size(), 10000u);
    EXPECT_LE(convertAndLoad(ring, {"--for", "grid", "--triangles", "500"}).faces.size(), 500u);
    const Simplified whole = convertAndLoad(ring, {"--for", "grid", "--no-simplify"});
    EXPECT_EQ(whole.faces.size(), 20000u);
    EXPECT_EQ(whole.run.err.find("simplified"), std::string::npos) << whole.run.err;
    EXPECT_EQ(convertAndLoad(ring, {"--triangles", "30000"}).faces.size(), 20000u);

    // One vertex of 20,000 triangles goes to the grid-based simplifier; the budget holds.
    const Simplified disc = convertAndLoad(prep::write("disc.obj", discObj(20000)), {"--for", "grid"});
    EXPECT_LE(disc.faces.size(), 10000u);
    EXPECT_GT(disc.faces.size(), 0u);
}

TEST(Simplify, KeptCornersTakeTheSourceNormalsAndHardEdgesStayHard) {
    const Simplified s = convertAndLoad(prep::write("cylinder.obj", cylinderObj(64, 8)), {"--triangles", "200"});
    ASSERT_LE(s.faces.size(), 200u);
    ASSERT_GT(s.faces.size(), 0u);
    for (const prep::Drawn& d : s.faces) {
        const std::array<double, 3> a = prep::areaVector(d.p);
        const bool cap = std::fabs(a[2]) > 0.9 * std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
        for (int k = 0; k < 3; ++k) {
            const prep::Vec& p = d.p[static_cast<std::size_t>(k)];
            const prep::Vec& n = d.n[static_cast<std::size_t>(k)];
            if (cap) {  // the cap's own normal, never a blend with the side's
                EXPECT_EQ(n, (prep::Vec{0, 0, a[2] > 0 ? 1.0f : -1.0f}));
            } else {  // the side's normal at that very vertex, as the file gives it
                const double r = std::hypot(p[0], p[1]);
                EXPECT_NEAR(n[0], p[0] / r, 1e-5);
                EXPECT_NEAR(n[1], p[1] / r, 1e-5);
                EXPECT_EQ(n[2], 0.0f);
            }
            EXPECT_NEAR(prep::lengthOf(n), 1.0, unitTolerance);
        }
    }
}
