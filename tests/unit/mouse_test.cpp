#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "GlRecorder.h"
#include "app/Viewer.h"

namespace {
bool sameBits(const Quat& a, const Quat& b) { return std::memcmp(&a, &b, sizeof(Quat)) == 0; }

class MouseLook : public ::testing::Test {
protected:
    void SetUp() override {
        glrec::reset();
        glrec::setPointerRest(320, 240);
        viewer.anchorX = 320;
        viewer.anchorY = 240;
        viewer.orientation = Quat();
        viewer.pitch = 0.0f;
    }
    // Every call of the handler: one placement, on the anchor, and nothing drawn.
    void expectOnlyPlacementAt(int x, int y) {
        ASSERT_EQ(glrec::names(), std::vector<std::string>{"placePointerInWindow"});
        EXPECT_EQ(glrec::calls()[0].arg(0), x);
        EXPECT_EQ(glrec::calls()[0].arg(1), y);
    }
    Viewer viewer;
};
}  // namespace

TEST_F(MouseLook, OffsetsFromTheAnchorTurnByATenthOfADegreePerPixel) {
    viewer.motion(330, 250);
    EXPECT_NEAR(viewer.orientation.w, 0.9999619f, 1e-7);
    EXPECT_EQ(viewer.orientation.x, 0.0f);
    EXPECT_NEAR(viewer.orientation.y, 0.0087265f, 1e-7);
    EXPECT_EQ(viewer.orientation.z, 0.0f);
    EXPECT_EQ(viewer.pitch, 1.0f);
    expectOnlyPlacementAt(320, 240);

    glrec::clearCalls();
    viewer.motion(300, 200);  // 2 degrees back to the left, 4 up
    EXPECT_NEAR(viewer.orientation.w, 0.9999619f, 1e-7);
    EXPECT_NEAR(viewer.orientation.y, -0.0087265f, 1e-7);
    EXPECT_FLOAT_EQ(viewer.pitch, -3.0f);
    expectOnlyPlacementAt(320, 240);
}

TEST_F(MouseLook, EventOnTheAnchorChangesNothingButStillPlacesThePointer) {
    viewer.orientation = Quat(0.0f, 37.0f, 0.0f);
    viewer.pitch = 12.5f;
    const Quat before = viewer.orientation;
    viewer.motion(320, 240);
    EXPECT_TRUE(sameBits(viewer.orientation, before));
    EXPECT_EQ(viewer.pitch, 12.5f);
    expectOnlyPlacementAt(320, 240);
}

TEST_F(MouseLook, PitchIsNotClampedAtNinetyDegrees) {
    viewer.pitch = 89.0f;
    viewer.motion(320, 1240);
    EXPECT_EQ(viewer.pitch, 189.0f);
    glrec::clearCalls();
    viewer.motion(320, -4760);
    EXPECT_EQ(viewer.pitch, -311.0f);
}

TEST_F(MouseLook, YawIsAppliedAfterTheOrientationNotBeforeIt) {
    viewer.orientation = Quat(40.0f, 0.0f, 0.0f);
    viewer.motion(420, 240);  // yaw 10
    EXPECT_NEAR(viewer.orientation.w, 0.9361168f, 1e-6);
    EXPECT_NEAR(viewer.orientation.x, 0.3407187f, 1e-6);
    EXPECT_NEAR(viewer.orientation.y, 0.0818996f, 1e-6);
    EXPECT_NEAR(viewer.orientation.z, -0.0298090f, 1e-6);  // +0.0298090 in the other order
}

TEST_F(MouseLook, OrientationIsNotRenormalised) {
    viewer.orientation.w = 2.0f;  // squared length 4
    viewer.motion(420, 240);
    const Quat& q = viewer.orientation;
    const double length2 = double(q.w) * q.w + double(q.x) * q.x + double(q.y) * q.y + double(q.z) * q.z;
    EXPECT_NEAR(length2, 4.0, 1e-5);
}

TEST_F(MouseLook, LeftPressMovesTheAnchorThatLaterMotionUses) {
    viewer.leftButtonDown(123, 456);
    EXPECT_EQ(viewer.anchorX, 123);
    EXPECT_EQ(viewer.anchorY, 456);
    // The pointer is where it was pressed, so that is where it rests now.
    ASSERT_EQ(glrec::names(), std::vector<std::string>{"notePointerRest"});
    EXPECT_EQ(glrec::calls()[0].arg(0), 123);
    EXPECT_EQ(glrec::calls()[0].arg(1), 456);

    glrec::clearCalls();
    viewer.motion(133, 446);
    EXPECT_NEAR(viewer.orientation.y, 0.0087265f, 1e-7);
    EXPECT_EQ(viewer.pitch, -1.0f);
    expectOnlyPlacementAt(123, 456);
}

TEST_F(MouseLook, ReleaseAndRightButtonChangeNothing) {
    viewer.orientation = Quat(0.0f, 37.0f, 0.0f);
    const Viewer before = viewer;
    viewer.leftButtonUp(1, 2);
    viewer.rightButton(3, 4);
    EXPECT_EQ(viewer.anchorX, before.anchorX);
    EXPECT_EQ(viewer.anchorY, before.anchorY);
    EXPECT_TRUE(sameBits(viewer.orientation, before.orientation));
    EXPECT_EQ(viewer.pitch, before.pitch);
    EXPECT_TRUE(glrec::calls().empty());
}

TEST_F(MouseLook, ExtremeOffsetsStayFinite) {
    viewer.anchorX = -2147483647 - 1;
    viewer.anchorY = -2147483647 - 1;
    glrec::setPointerRest(-2147483647 - 1, -2147483647 - 1);
    viewer.motion(2147483647, 2147483647);  // the int difference would overflow
    EXPECT_TRUE(std::isfinite(viewer.pitch));
    EXPECT_GT(viewer.pitch, 4.0e8f);
    EXPECT_TRUE(std::isfinite(viewer.orientation.w));
}

// Motion the user did not make: before any placement has come to rest, and the echo of a
// placement the screen clamped off the anchor. Neither may turn the camera.
TEST_F(MouseLook, MotionAwayFromTheAnchorThatTheUserDidNotMakeTurnsNothing) {
    const Quat before = viewer.orientation;
    glrec::forgetPointerRest();
    viewer.motion(900, 700);
    EXPECT_TRUE(sameBits(viewer.orientation, before));
    EXPECT_EQ(viewer.pitch, 0.0f);
    EXPECT_TRUE(glrec::calls().empty()) << "a pending placement must not be overtaken";

    glrec::setPointerRest(319, 199);  // the anchor lies past the screen's corner
    viewer.motion(319, 199);
    EXPECT_TRUE(sameBits(viewer.orientation, before));
    EXPECT_EQ(viewer.pitch, 0.0f);
    glrec::setPointerRest(319, 199);
    viewer.motion(309, 209);  // the user's move: measured from where the pointer rested
    EXPECT_NEAR(viewer.orientation.y, -0.0087265f, 1e-7);
    EXPECT_EQ(viewer.pitch, 1.0f);
}
