// --frame checked through the start-up camera: the main model's box lands in the view,
// centred and about half its height, its front toward the camera; a grid model fits the
// copies' spacing and stands on the grid's plane.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "objprep_support.h"
#include "render/SceneLayout.h"

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double aspect = 4.0 / 3.0;  // the narrowest screen framed for

// A box of the given size away from the origin, its front face (+z) and back face only:
// the front wound counter-clockwise seen from +z.
std::string box(double w, double h, double d) {
    const double x0 = 100, y0 = 50, z0 = -7;
    std::string s;
    for (double z : {d, 0.0})
        for (const auto& xy : {std::pair{0.0, 0.0}, {w, 0.0}, {w, h}, {0.0, h}})
            s += "v " + std::to_string(x0 + xy.first) + " " + std::to_string(y0 + xy.second) + " " +
                 std::to_string(z0 + z) + "\n";
    return s + "f 1 2 3 4\nf 8 7 6 5\n";
}

// A main-model point in the start-up camera's eye space: turned, scaled and moved as the
// frame draws it.
std::array<double, 3> eyeSpace(const prep::Vec& p) {
    const Vec3 o = scene::mainModelOffset, c = scene::startPosition;
    const double x = (p[0] + double(o.x) + c.x) * scene::viewScale, y = (p[1] + double(o.y) + c.y) * scene::viewScale,
                 z = (p[2] + double(o.z) + c.z) * scene::viewScale;
    const double a = scene::startYaw * pi / 180;
    return {x * std::cos(a) + z * std::sin(a), y, -x * std::sin(a) + z * std::cos(a)};
}

struct Extent {
    double low = INFINITY, high = -INFINITY;
    void add(double v) { low = std::min(low, v), high = std::max(high, v); }
};

ConvertOptions framed(Target target) {
    ConvertOptions o;
    o.placement.target = target;
    o.placement.frame = true;
    return o;
}

}  // namespace

TEST(Frame, MainModelFillsHalfTheStartUpViewCentredAndFacingIt) {
    const double f = 1 / std::tan(scene::fieldOfView / 2 * pi / 180);
    struct Case {
        double w, h, d;
        bool heightFilled;  // a tall model fills half the height; a wide one is held by the width
    };
    for (const Case c : {Case{1, 3, 2, true}, Case{10, 1, 1, false}}) {
        const std::vector<prep::Drawn> faces = prep::convertAndLoad(box(c.w, c.h, c.d), framed(Target::Main));
        ASSERT_EQ(faces.size(), 4u);
        Extent across, up;
        for (const prep::Drawn& t : faces)
            for (const prep::Vec& p : t.p) {
                const std::array<double, 3> e = eyeSpace(p);
                ASSERT_LT(e[2], 0) << "behind the camera";
                across.add(f / aspect * e[0] / -e[2]);
                up.add(f * e[1] / -e[2]);
            }
        const std::string what = std::to_string(c.w) + " by " + std::to_string(c.h);
        EXPECT_GE(across.low, -1) << what;
        EXPECT_LE(across.high, 1) << what;
        EXPECT_NEAR(across.low + across.high, 0, 1e-4) << what << " is not centred";
        EXPECT_NEAR(up.low + up.high, 0, 1e-4) << what << " is not centred";
        if (c.heightFilled)
            EXPECT_NEAR(up.high - up.low, 2 * 0.5, 1e-4) << what;
        else
            EXPECT_LT(up.high - up.low, 2 * 0.5) << what;
        // The source's front (the first two triangles) turns toward the eye: +z in eye space.
        const std::array<double, 3> a = eyeSpace(faces[0].p[0]), b = eyeSpace(faces[0].p[1]), d = eyeSpace(faces[0].p[2]);
        const double nz = (b[0] - a[0]) * (d[1] - a[1]) - (b[1] - a[1]) * (d[0] - a[0]);
        EXPECT_GT(nz, 0) << what << ": the front faces away from the camera";
    }
}

TEST(Frame, GridModelFitsTheSpacingAndStandsOnThePlaneAtItsOrigin) {
    for (const std::string& model : {box(1, 3, 0.5), box(4, 0.5, 4)}) {
        const std::vector<prep::Drawn> faces = prep::convertAndLoad(model, framed(Target::Grid));
        Extent x, y, height;
        double radius = 0;
        for (const prep::Drawn& t : faces)
            for (const prep::Vec& p : t.p) {
                x.add(p[0]), y.add(p[1]), height.add(p[2]);
                radius = std::max(radius, std::hypot(double(p[0]), double(p[1])));
            }
        EXPECT_NEAR(x.low + x.high, 0, 1e-5);
        EXPECT_NEAR(y.low + y.high, 0, 1e-5);
        EXPECT_NEAR(height.low, 0, 1e-6) << "not standing on the plane";
        // Turning about its origin, a copy keeps clear of its neighbours, and it is held by
        // its footprint or by the most height a copy takes.
        EXPECT_LE(2 * radius, 0.9 * scene::gridSpacing + 1e-5);
        EXPECT_LE(height.high, 2 * scene::gridSpacing + 1e-5);
        EXPECT_TRUE(std::fabs(2 * radius - 0.9 * scene::gridSpacing) < 1e-5 ||
                    std::fabs(height.high - 2 * scene::gridSpacing) < 1e-5)
            << "radius " << radius << ", height " << height.high;
    }
}
