#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "math/Quat.h"

namespace {
std::uint32_t bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

void expectBitsEqual(const Quat& a, const Quat& b) {
    EXPECT_EQ(bits(a.w), bits(b.w));
    EXPECT_EQ(bits(a.x), bits(b.x));
    EXPECT_EQ(bits(a.y), bits(b.y));
    EXPECT_EQ(bits(a.z), bits(b.z));
}

void expectNear(const Quat& q, float w, float x, float y, float z, float tolerance = 1e-7f) {
    EXPECT_NEAR(q.w, w, tolerance);
    EXPECT_NEAR(q.x, x, tolerance);
    EXPECT_NEAR(q.y, y, tolerance);
    EXPECT_NEAR(q.z, z, tolerance);
}

Quat make(float w, float x, float y, float z) {
    Quat q;
    q.w = w;
    q.x = x;
    q.y = y;
    q.z = z;
    return q;
}
}  // namespace

TEST(QuatBuild, DefaultIsIdentityAndItsDirectionIsZAxis) {
    Quat q;
    expectBitsEqual(q, make(1, 0, 0, 0));
    float dx, dy, dz;
    q.direction(dx, dy, dz);
    EXPECT_EQ(dx, 0.0f);
    EXPECT_EQ(dy, 0.0f);
    EXPECT_EQ(dz, 1.0f);
    expectBitsEqual(q, make(1, 0, 0, 0));
}

TEST(QuatBuild, AxisLengthDoesNotMatter) {
    const Quat a(90.0f, 0.0f, 2.0f, 0.0f);
    const Quat b(90.0f, 0.0f, 1.0f, 0.0f);
    expectBitsEqual(a, b);
    expectNear(a, 0.70710677f, 0, 0.70710677f, 0, 0);
}

TEST(QuatBuild, ZeroAngleGivesExactIdentityWhateverTheAxis) {
    expectBitsEqual(Quat(0.0f, 1.0f, 1.0f, 1.0f), make(1, 0, 0, 0));
}

// The float degree factor is slightly above pi/180, so a half turn leaves w a hair above 0.
TEST(QuatBuild, HalfTurnUsesTheFloatDegreeFactor) {
    const Quat q(180.0f, 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(q.w, 1.2167964e-8f);
    EXPECT_EQ(q.x, 0.0f);
    EXPECT_EQ(q.y, 1.0f);
    EXPECT_EQ(q.z, 0.0f);
    expectBitsEqual(Quat(0.0f, 180.0f, 0.0f), q);
}

TEST(QuatBuild, EulerWithOneAngleEqualsThatAxisRotationBitForBit) {
    expectBitsEqual(Quat(0.0f, 37.0f, 0.0f), Quat(37.0f, 0.0f, 1.0f, 0.0f));
    expectBitsEqual(Quat(0.0f, 0.0f, 271.0f), Quat(271.0f, 0.0f, 0.0f, 1.0f));
    // A negative angle gives -0 in the axis-angle form and +0 through the products:
    // the same value, which is all the callers compare.
    const Quat euler(-12.5f, 0.0f, 0.0f);
    const Quat axis(-12.5f, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(bits(euler.w), bits(axis.w));
    EXPECT_EQ(bits(euler.x), bits(axis.x));
    EXPECT_EQ(euler.y, axis.y);
    EXPECT_EQ(euler.z, axis.z);
}

TEST(QuatBuild, EulerComposesZThenYThenXInThatOrder) {
    const Quat q(10.0f, 20.0f, 30.0f);
    expectNear(q, 0.9515485f, 0.0381346f, 0.1893079f, 0.2392983f);
}

// The inverse axis length is rounded to float: computing it in double changes the result.
TEST(QuatBuild, InverseAxisLengthIsRoundedToFloat) {
    const Quat q(1.0f, 1.0f, 2.0f, 1.0f);
    EXPECT_EQ(q.x, 0.00356259337f);  // with the length kept in double: 0.00356259313
    EXPECT_EQ(q.z, q.x);
}

TEST(QuatMultiply, ArgumentStandsOnTheLeft) {
    Quat q = make(0.9f, 0.1f, 0.2f, 0.3f);
    q.multiply(make(0.5f, -0.4f, 0.6f, 0.7f));
    expectNear(q, 0.16f, -0.27f, 0.83f, 0.64f);
}

TEST(QuatMultiply, SetProductPutsSecondArgumentOnTheLeft) {
    Quat q;
    q.setProduct(make(0.9f, 0.1f, 0.2f, 0.3f), make(0.5f, -0.4f, 0.6f, 0.7f));
    expectNear(q, 0.16f, -0.27f, 0.83f, 0.64f);
}

// Each component is one double expression narrowed once; float arithmetic rounds
// every product and lands on other bits for these inputs.
TEST(QuatMultiply, ComponentsAreComputedInDouble) {
    const Quat a = make(0.3f, 0.7f, 0.1f, 0.6f);
    const Quat b = make(0.8f, 0.2f, 0.5f, 0.9f);
    Quat q;
    q.setProduct(a, b);
    const double aw = a.w, ax = a.x, ay = a.y, az = a.z, bw = b.w, bx = b.x, by = b.y, bz = b.z;
    EXPECT_EQ(q.w, static_cast<float>(aw * bw - bx * ax - by * ay - bz * az));
    EXPECT_EQ(q.x, static_cast<float>(ax * bw + bx * aw + by * az - bz * ay));
    EXPECT_EQ(q.y, static_cast<float>(ay * bw - bx * az + by * aw + bz * ax));
    EXPECT_EQ(q.z, static_cast<float>(az * bw + bx * ay - by * ax + bz * aw));
    int differsInFloat = 0;
    for (int i = 0; i < 1000; ++i) {
        const Quat c = make(0.001f * i, 0.3f + 0.0007f * i, 0.7f - 0.0003f * i, 0.2f);
        Quat d;
        d.setProduct(c, b);
        const float fw = c.w * b.w - b.x * c.x - b.y * c.y - b.z * c.z;
        differsInFloat += d.w != fw;
    }
    EXPECT_GT(differsInFloat, 0);
}

TEST(QuatNormalize, ScalesToUnitLength) {
    Quat a = make(2, 0, 0, 0);
    expectBitsEqual(a.normalize(), make(1, 0, 0, 0));
    Quat b = make(1, 1, 1, 1);
    expectBitsEqual(b.normalize(), make(0.5f, 0.5f, 0.5f, 0.5f));
}

TEST(QuatNormalize, LeavesExactUnitLengthBitForBit) {
    Quat unit = make(1, 0, 0, 0);
    expectBitsEqual(unit.normalize(), make(1, 0, 0, 0));
    Quat half = make(0.5f, 0.5f, -0.5f, 0.5f);
    expectBitsEqual(half.normalize(), make(0.5f, 0.5f, -0.5f, 0.5f));
}

TEST(QuatNormalize, ResultHasSquaredLengthOneInDouble) {
    for (int i = 1; i < 200; ++i) {
        Quat q = make(0.01f * i, 0.3f, -0.02f * i, 0.7f);
        q.normalize();
        const double s2 = double(q.w) * q.w + double(q.x) * q.x + double(q.y) * q.y + double(q.z) * q.z;
        EXPECT_NEAR(s2, 1.0, 1e-6);
    }
}

TEST(QuatDirection, NormalisesTheReceiverFirst) {
    Quat q = make(0.9f, 0.1f, 0.2f, 0.3f);
    float dx, dy, dz;
    q.direction(dx, dy, dz);
    expectNear(q, 0.9233805f, 0.1025978f, 0.2051957f, 0.3077935f);
    EXPECT_NEAR(dx, -0.3157895f, 1e-7f);
    EXPECT_NEAR(dy, 0.3157895f, 1e-7f);
    EXPECT_NEAR(dz, 0.8947368f, 1e-7f);
}

TEST(QuatDirection, OfYawIsBackwardAxis) {
    Quat q(30.0f, 0.0f, 1.0f, 0.0f);
    float dx, dy, dz;
    q.direction(dx, dy, dz);
    EXPECT_NEAR(dx, -0.5f, 1e-7f);
    EXPECT_EQ(dy, 0.0f);
    EXPECT_NEAR(dz, 0.8660254f, 1e-7f);
}
