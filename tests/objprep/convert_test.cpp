#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "objprep_support.h"

using prep::Drawn;
using prep::Vec;

namespace {
Vec f3(double x, double y, double z) { return {float(x), float(y), float(z)}; }

void expectNear(const Vec& a, const Vec& b, double tolerance = 1e-6) {
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(a[i], b[i], tolerance) << "component " << i;
}

void expectUnitNormals(const std::vector<Drawn>& faces) {
    for (const Drawn& d : faces)
        for (const Vec& n : d.n)
            EXPECT_NEAR(prep::lengthOf(n), 1.0, 1e-6);
}

std::string errorsOf(const std::string& text, const ConvertOptions& options = {}) {
    Diagnostics diagnostics("model.obj", text);
    ConvertResult result;
    EXPECT_FALSE(convertModel(text, "", options, diagnostics, result));
    std::string all;
    for (const std::string& e : diagnostics.errors)
        all += e + "\n";
    return all;
}

// The lowest and highest value of coordinate `axis` over all drawn corners.
std::pair<float, float> extent(const std::vector<Drawn>& faces, int axis) {
    float lo = INFINITY, hi = -INFINITY;
    for (const Drawn& d : faces)
        for (const Vec& p : d.p) {
            lo = std::min(lo, p[axis]);
            hi = std::max(hi, p[axis]);
        }
    return {lo, hi};
}

// A 1 by 2 billboard standing upright along +y and facing +z (counter-clockwise seen from +z).
const std::string billboard = "v -0.5 0 0\nv 0.5 0 0\nv 0.5 2 0\nv -0.5 2 0\nf 1 2 3 4\n";
}  // namespace

TEST(Convert, RoundTripLoadsCompletelyWithTheSameTrianglesAndPositions) {
    // Awkward numbers, file normals of any length, v/vt/vn corners and a fourth coordinate.
    const std::string text =
        "v 0.1 -123456.789 1e-7\nv 3.4e38 -1.17549435e-38 1e-40 1.0\nv 0.3333333333 2.5 -0\n"
        "vt 0 0\nvn 0 0 2\nvn 3 4 0\nf 1/1/1 2/1/2 3/1/1\nf 3//2 2//1 1//2\n";
    const std::vector<Drawn> faces = prep::convertAndLoad(text);
    ASSERT_EQ(faces.size(), 2u);
    const Vec a = f3(0.1, -123456.789, 1e-7), b = {3.4e38f, -1.17549435e-38f, 1e-40f}, c = f3(0.3333333333, 2.5, -0.0);
    EXPECT_EQ(faces[0].p, (std::array<Vec, 3>{a, b, c}));
    EXPECT_EQ(faces[1].p, (std::array<Vec, 3>{c, b, a}));
    expectNear(faces[0].n[0], {0, 0, 1});
    expectNear(faces[0].n[1], {0.6f, 0.8f, 0});
    expectUnitNormals(faces);
}

TEST(Convert, QuadsAndPolygonsBecomeTrianglesCoveringTheSameArea) {
    // A unit quad facing +z and a concave L of area 4 facing -z (clockwise seen from +z).
    const std::string text =
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n"
        "v 0 2 5\nv 1 2 5\nv 1 1 5\nv 3 1 5\nv 3 0 5\nv 0 0 5\nf 5 6 7 8 9 10\n";
    const std::vector<Drawn> faces = prep::convertAndLoad(text);
    ASSERT_EQ(faces.size(), 2u + 4u);
    double quadArea = 0, ellArea = 0;
    for (std::size_t i = 0; i < faces.size(); ++i) {
        const std::array<double, 3> a = prep::areaVector(faces[i].p);
        const double facing = i < 2 ? 1 : -1;
        EXPECT_GT(a[2] * facing, 0) << "triangle " << i << " is turned over";
        EXPECT_NEAR(faces[i].n[0][2], facing, 1e-6);
        (i < 2 ? quadArea : ellArea) += std::fabs(a[2]) / 2;
    }
    EXPECT_DOUBLE_EQ(quadArea, 1);
    EXPECT_DOUBLE_EQ(ellArea, 4);
}

TEST(Convert, NegativeIndicesCountBackFromTheRecordsReadSoFar) {
    const std::string text =
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf -3//-1 -2//-1 -1//-1\n"
        "v 5 0 0\nv 6 0 0\nv 5 1 0\nvn 0 0 -1\nf -3//-1 -1//-1 -2//-1\n";
    const std::vector<Drawn> faces = prep::convertAndLoad(text);
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_EQ(faces[0].p, (std::array<Vec, 3>{f3(0, 0, 0), f3(1, 0, 0), f3(0, 1, 0)}));
    EXPECT_EQ(faces[1].p, (std::array<Vec, 3>{f3(5, 0, 0), f3(5, 1, 0), f3(6, 0, 0)}));
    EXPECT_EQ(faces[0].n[0], f3(0, 0, 1));
    EXPECT_EQ(faces[1].n[0], f3(0, 0, -1));
}

TEST(Convert, MissingNormalsAreSmoothAndWeightedByAreaOrFlatOnRequest) {
    // Two triangles meet at vertex 1 on a ridge: a large one facing +z and a small one
    // facing +x. The smooth normal at the ridge leans toward the large face.
    const std::string text = "v 0 0 0\nv 0 4 0\nv -4 0 0\nv 0 0 -1\nv 0 1 0\nf 1 2 3\nf 1 4 5\n";
    const std::vector<Drawn> smooth = prep::convertAndLoad(text);
    ASSERT_EQ(smooth.size(), 2u);
    // Area vectors: (0, 0, 16) and (1, 0, 0): summed and scaled to unit length.
    const double len = std::sqrt(16.0 * 16 + 1);
    expectNear(smooth[0].n[0], f3(1 / len, 0, 16 / len));
    expectNear(smooth[1].n[0], smooth[0].n[0]);
    expectNear(smooth[0].n[2], f3(0, 0, 1));
    expectUnitNormals(smooth);

    ConvertOptions flat;
    flat.flatNormals = true;
    const std::vector<Drawn> faceted = prep::convertAndLoad(text, flat);
    ASSERT_EQ(faceted.size(), 2u);
    for (const Vec& n : faceted[0].n)
        expectNear(n, f3(0, 0, 1));
    for (const Vec& n : faceted[1].n)
        expectNear(n, f3(1, 0, 0));
}

TEST(Convert, FileNormalsWinOverComputedOnesCornerByCorner) {
    const std::vector<Drawn> faces = prep::convertAndLoad("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 1 0\nvn 0 0 0\nf 1//1 2 3//2\n");
    ASSERT_EQ(faces.size(), 1u);
    expectNear(faces[0].n[0], f3(0, 1, 0));  // given
    expectNear(faces[0].n[1], f3(0, 0, 1));  // none given: computed
    expectNear(faces[0].n[2], f3(0, 0, 1));  // given without a direction: computed
}

TEST(Convert, GridTargetStandsTheModelAlongZAndFacesItTowardPlusY) {
    ConvertOptions grid;
    grid.placement.target = Target::Grid;
    for (const std::string& text : {billboard, billboard + "vn 0 0 1\nf 1//1 2//1 3//1\n"}) {
        const std::vector<Drawn> faces = prep::convertAndLoad(text, grid);
        ASSERT_FALSE(faces.empty());
        EXPECT_EQ(extent(faces, 2), std::make_pair(0.0f, 2.0f));  // the height
        EXPECT_EQ(extent(faces, 1), std::make_pair(0.0f, 0.0f));  // flat, facing along y
        EXPECT_EQ(extent(faces, 0), std::make_pair(-0.5f, 0.5f));
        for (const Drawn& d : faces) {
            EXPECT_GT(prep::areaVector(d.p)[1], 0) << "the winding no longer faces +y";
            for (const Vec& n : d.n)
                expectNear(n, f3(0, 1, 0));
        }
    }
}

TEST(Convert, ZUpInputIsStoodUprightForEitherTarget) {
    // The billboard as a z-up tool writes it: height along +z, facing -y.
    const std::string zUp = "v -0.5 0 0\nv 0.5 0 0\nv 0.5 0 2\nv -0.5 0 2\nf 1 2 3 4\n";
    ConvertOptions main;
    main.placement.up = UpAxis::Z;
    const std::vector<Drawn> upright = prep::convertAndLoad(zUp, main);
    EXPECT_EQ(extent(upright, 1), std::make_pair(0.0f, 2.0f));
    expectNear(upright[0].n[0], f3(0, 0, 1));
    ConvertOptions grid = main;
    grid.placement.target = Target::Grid;
    const std::vector<Drawn> copy = prep::convertAndLoad(zUp, grid);
    EXPECT_EQ(extent(copy, 2), std::make_pair(0.0f, 2.0f));
    expectNear(copy[0].n[0], f3(0, 1, 0));
}

TEST(Convert, FitScalesToTheHeightAndPlaceMovesAfterwards) {
    ConvertOptions options;
    options.placement.fitHeight = 0.5;
    options.placement.offset = {10, 20, 30};
    const std::vector<Drawn> faces = prep::convertAndLoad(billboard, options);
    EXPECT_EQ(extent(faces, 1), std::make_pair(20.0f, 20.5f));
    EXPECT_EQ(extent(faces, 0), std::make_pair(9.875f, 10.125f));
    EXPECT_EQ(extent(faces, 2), std::make_pair(30.0f, 30.0f));
    EXPECT_NE(errorsOf("v 0 1 0\nv 1 1 0\nv 0 1 1\nf 1 2 3\n", options).find("no height"), std::string::npos);
}

TEST(Convert, WithoutSimplifyingRefusesMoreTrianglesThanTheViewerHoldsAndSaysHowMany) {
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i <= Mesh::capacity; ++i)
        text += "f 1 2 3\n";
    const std::string in = prep::write("over-capacity.obj", text);
    const std::string out = in + ".out.obj";
    const prep::Run r = prep::run({in, "-o", out, "--no-simplify"});
    EXPECT_EQ(r.status, exitNotViewable);
    EXPECT_NE(r.err.find("262145 triangles"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("at most 262144"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("wrote"), std::string::npos) << r.err;
    EXPECT_FALSE(prep::exists(out));
    // Simplified instead, the repeats of one triangle are that triangle.
    const prep::Run simplified = prep::run({in, "-o", out});
    EXPECT_EQ(simplified.status, exitDone) << simplified.err;
    EXPECT_NE(simplified.err.find(": 3 vertices, 1 normal, 1 triangle, simplified from 262145"), std::string::npos)
        << simplified.err;
}

TEST(Convert, BrokenIndicesAndEmptyModelsAreErrorsWithFileAndLine) {
    EXPECT_NE(errorsOf("v 0 0 0\nv 1 0 0\nv 0 1 0\n\nf 1 2 4\n").find("model.obj:5: corner 3 of the face names vertex 4 but the file has 3 vertices"),
              std::string::npos);
    EXPECT_NE(errorsOf("v 0 0 0\nv 1 0 0\nf 1 2 -3\n").find("model.obj:3: corner 3 of the face has vertex index -3"),
              std::string::npos);
    EXPECT_NE(errorsOf("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 0 2\n").find("model.obj:4: corner 2"), std::string::npos);
    EXPECT_NE(errorsOf("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1//1 2//1 3//1\n").find("model.obj:4: corner 1 of the face names normal 1"),
              std::string::npos);
    EXPECT_NE(errorsOf("v 0 0 0\nv 1e39 0 0\nv 0 1 0\nf 1 2 3\n").find("model.obj:2: a vertex coordinate is out of the range"),
              std::string::npos);
    EXPECT_NE(errorsOf("# only points\nv 0 0 0\np 1\nl 1 1\n").find("model.obj: no faces"), std::string::npos);
    EXPECT_NE(errorsOf("").find("model.obj: no faces"), std::string::npos);
    // CR-only line ends count as lines too.
    EXPECT_NE(errorsOf("v 0 0 0\rv 1 0 0\rf 1 2 7\r").find("model.obj:3:"), std::string::npos);
}

TEST(Convert, ShortFacesAreLeftOutWithAWarningAndForwardIndicesAreKept) {
    const std::string text = "f 1 2\nf 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n";
    Diagnostics diagnostics("model.obj", text);
    ConvertResult result;
    ASSERT_TRUE(convertModel(text, "", {}, diagnostics, result));
    ASSERT_EQ(diagnostics.warnings.size(), 1u);
    EXPECT_NE(diagnostics.warnings[0].find("model.obj:1: a face needs at least 3 corners"), std::string::npos);
    EXPECT_EQ(result.triangleCount, 1);
}

TEST(Convert, ByteOrderMarkCommentsAndCrLfAreReadPast) {
    // Without the mark skipped, the first vertex is lost and the face names a missing one.
    const std::vector<Drawn> faces =
        prep::convertAndLoad("\xEF\xBB\xBFv 0 0 0\r\n# note\r\nv 1 0 0\r\nv 0 1 0\r\n\r\nf 1 2 3\r\n");
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(faces[0].p[0], f3(0, 0, 0));
}

TEST(Convert, OnlyUsedVerticesAreWrittenInFileOrderAndNormalsOncePerValue) {
    const std::string out = prep::convert("v 9 9 9\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 2 3 4\nf 3 5 4\n");
    EXPECT_EQ(out, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\nf 2//1 4//1 3//1\n");
}

TEST(Convert, ExponentsPastTheIntRangeReadAsInfinityOrZero) {
    // The reader's int exponent would overflow on these (and wrap 1e+2147483648 to 0).
    EXPECT_NE(errorsOf("v 1e+2147483648 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n").find("model.obj:1: a vertex coordinate is out"),
              std::string::npos);
    const std::vector<Drawn> faces = prep::convertAndLoad("v 0 0 0\nv 1E-0002147483648 1 0\nv 1.5e+002 0 0\nf 1 2 3\n");
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(faces[0].p[1], f3(0, 1, 0));
    EXPECT_EQ(faces[0].p[2], f3(150, 0, 0));
}
