#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "GlRecorder.h"
#include "app/Viewer.h"

namespace {
constexpr double pi = 3.14159265358979323846;
bool sameBits(const Quat& a, const Quat& b) { return std::memcmp(&a, &b, sizeof(Quat)) == 0; }

class Keys : public ::testing::Test {
protected:
    void SetUp() override {
        glrec::reset();
        viewer.orientation = Quat(0.0f, 180.0f, 0.0f);  // the start-up turn
        viewer.position = Vec3{5.0f, 6.0f, 7.0f};
        viewer.target = Vec3{0.0f, 0.0f, 0.0f};
    }
    // The change a special key makes to `target`, which starts at the origin.
    Vec3 moveOf(int key) {
        viewer.target = Vec3{0.0f, 0.0f, 0.0f};
        viewer.special(key, 0, 0);
        return viewer.target;
    }
    Viewer viewer;
};
}  // namespace

using KeysDeathTest = Keys;

// A key that must not quit is pressed in a child process: quitting there ends it with
// status 0, which the test would otherwise take for success.
constexpr int returned = 3;
#define EXPECT_RETURNS(statement) \
    EXPECT_EXIT({ statement; std::_Exit(returned); }, ::testing::ExitedWithCode(returned), "")

TEST_F(KeysDeathTest, EscapeAndCtrlQEndTheProcessWithStatusZero) {
    EXPECT_EXIT(viewer.keyboard(27, 0, 0), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(viewer.keyboard(17, 0, 0), ::testing::ExitedWithCode(0), "");
}

TEST_F(KeysDeathTest, OtherCharactersDoNothing) {
    const Viewer before = viewer;
    for (int key : {int('q'), int('Q'), 0, 1, 16, 18, 26, 28, 127, 155, 200, 255}) {
        EXPECT_RETURNS(viewer.keyboard(key, 10, 20)) << "key " << key;
        if (HasFailure()) return;  // it would end this process too
        viewer.keyboard(key, 10, 20);
    }
    EXPECT_TRUE(glrec::calls().empty());
    EXPECT_EQ(std::memcmp(&viewer.target, &before.target, sizeof(Vec3)), 0);
    EXPECT_TRUE(sameBits(viewer.orientation, before.orientation));
}

TEST_F(KeysDeathTest, AltF4AloneEndsTheProcess) {
    glrec::setModifiers(GLUT_ACTIVE_ALT);
    EXPECT_EXIT(viewer.special(GLUT_KEY_F4, 0, 0), ::testing::ExitedWithCode(0), "");
}

TEST_F(KeysDeathTest, F4WithAnyOtherModifierCombinationDoesNothing) {
    const int others[] = {0,
                          GLUT_ACTIVE_SHIFT,
                          GLUT_ACTIVE_CTRL,
                          GLUT_ACTIVE_SHIFT | GLUT_ACTIVE_CTRL,
                          GLUT_ACTIVE_SHIFT | GLUT_ACTIVE_ALT,
                          GLUT_ACTIVE_CTRL | GLUT_ACTIVE_ALT,
                          GLUT_ACTIVE_SHIFT | GLUT_ACTIVE_CTRL | GLUT_ACTIVE_ALT};
    for (int modifiers : others) {
        glrec::reset();
        glrec::setModifiers(modifiers);
        EXPECT_RETURNS(viewer.special(GLUT_KEY_F4, 0, 0)) << "modifiers " << modifiers;
        if (HasFailure()) return;  // it would end this process too
        viewer.special(GLUT_KEY_F4, 0, 0);
        EXPECT_EQ(glrec::names(), std::vector<std::string>{"glutGetModifiers"}) << "modifiers " << modifiers;
    }
}

TEST_F(Keys, F11SavesGeometryInOrderOnEnteringAndRestoresSizeThenPositionOnLeaving) {
    viewer.fullscreen = false;
    viewer.anchorX = 77;
    viewer.anchorY = 88;
    glrec::setGet(GLUT_WINDOW_X, 11);
    glrec::setGet(GLUT_WINDOW_Y, 22);
    glrec::setGet(GLUT_WINDOW_WIDTH, 333);
    glrec::setGet(GLUT_WINDOW_HEIGHT, 444);
    viewer.special(GLUT_KEY_F11, 0, 0);
    EXPECT_TRUE(viewer.fullscreen);
    // The reported position is turned into the one the toolkit places the window by.
    const std::vector<std::string> entering = {"glutGet",        "glutGet",
                                               "glutGet",        "glutGet",
                                               "toPlacementPosition", "enterFullScreen",
                                               "placePointerWhenSettled"};
    ASSERT_EQ(glrec::names(), entering);
    EXPECT_EQ(glrec::calls()[4].arg(0), 11.0);
    EXPECT_EQ(glrec::calls()[4].arg(1), 22.0);
    EXPECT_EQ(glrec::calls()[6].arg(0), 77.0);  // the pointer goes back to the anchor
    EXPECT_EQ(glrec::calls()[6].arg(1), 88.0);
    EXPECT_EQ(glrec::calls()[6].arg(2), 1.0);  // once full screen
    const std::vector<GlCall> gets = glrec::all("glutGet");
    EXPECT_EQ(gets[0].arg(0), GLUT_WINDOW_X);
    EXPECT_EQ(gets[1].arg(0), GLUT_WINDOW_Y);
    EXPECT_EQ(gets[2].arg(0), GLUT_WINDOW_WIDTH);
    EXPECT_EQ(gets[3].arg(0), GLUT_WINDOW_HEIGHT);
    EXPECT_EQ(viewer.savedX, 11);
    EXPECT_EQ(viewer.savedY, 22);
    EXPECT_EQ(viewer.savedWidth, 333);
    EXPECT_EQ(viewer.savedHeight, 444);

    // Leaving: the toolkit now reports the full-screen geometry, which must not be read.
    glrec::reset();
    glrec::setGet(GLUT_WINDOW_WIDTH, 1024);
    glrec::setGet(GLUT_WINDOW_HEIGHT, 768);
    viewer.special(GLUT_KEY_F11, 0, 0);
    EXPECT_FALSE(viewer.fullscreen);
    ASSERT_EQ(glrec::names(),
              (std::vector<std::string>{"glutReshapeWindow", "glutPositionWindow", "keepWindowedSize",
                                        "placePointerWhenSettled"}));
    EXPECT_EQ(glrec::calls()[0].arg(0), 333.0);
    EXPECT_EQ(glrec::calls()[0].arg(1), 444.0);
    EXPECT_EQ(glrec::calls()[1].arg(0), 11.0);
    EXPECT_EQ(glrec::calls()[1].arg(1), 22.0);

    // Entering again saves the window's geometry afresh.
    glrec::reset();
    glrec::setGet(GLUT_WINDOW_X, 50);
    glrec::setGet(GLUT_WINDOW_Y, 60);
    glrec::setGet(GLUT_WINDOW_WIDTH, 700);
    glrec::setGet(GLUT_WINDOW_HEIGHT, 500);
    viewer.special(GLUT_KEY_F11, 0, 0);
    EXPECT_TRUE(viewer.fullscreen);
    EXPECT_EQ(glrec::count("enterFullScreen"), 1u);
    EXPECT_EQ(viewer.savedX, 50);
    EXPECT_EQ(viewer.savedY, 60);
    EXPECT_EQ(viewer.savedWidth, 700);
    EXPECT_EQ(viewer.savedHeight, 500);
}

TEST_F(Keys, NavigationAtStartUpYawMovesTargetAlongTheTurnedAxes) {
    // Yaw 180: forward is -z, and the float degree factor leaves tiny cross terms.
    const Vec3 up = moveOf(GLUT_KEY_UP);
    EXPECT_NEAR(up.x, -2.4e-9, 0.05e-9);
    EXPECT_EQ(up.y, 0.0f);
    EXPECT_FLOAT_EQ(up.z, -0.1f);
    const Vec3 down = moveOf(GLUT_KEY_DOWN);
    EXPECT_NEAR(down.x, 2.4e-9, 0.05e-9);
    EXPECT_EQ(down.y, 0.0f);
    EXPECT_FLOAT_EQ(down.z, 0.1f);
    const Vec3 left = moveOf(GLUT_KEY_LEFT);
    EXPECT_FLOAT_EQ(left.x, -0.1f);
    EXPECT_EQ(left.y, 0.0f);
    EXPECT_NEAR(left.z, 3.4e-9, 0.1e-9);
    const Vec3 right = moveOf(GLUT_KEY_RIGHT);
    EXPECT_FLOAT_EQ(right.x, 0.1f);
    EXPECT_EQ(right.y, 0.0f);
    EXPECT_NEAR(right.z, 3.4e-9, 0.1e-9);
    const Vec3 pageUp = moveOf(GLUT_KEY_PAGE_UP);
    EXPECT_EQ(pageUp.x, 0.0f);
    EXPECT_FLOAT_EQ(pageUp.y, -0.1f);
    EXPECT_NEAR(pageUp.z, 3.4e-9, 0.1e-9);
    const Vec3 pageDown = moveOf(GLUT_KEY_PAGE_DOWN);
    EXPECT_EQ(pageDown.x, 0.0f);
    EXPECT_FLOAT_EQ(pageDown.y, 0.1f);
    EXPECT_NEAR(pageDown.z, 3.4e-9, 0.1e-9);
}

TEST_F(Keys, NavigationAtYaw30FollowsTheTurnAndIgnoresPitch) {
    viewer.orientation = Quat(0.0f, 30.0f, 0.0f);
    viewer.pitch = 45.0f;  // looking down must not tilt the movement
    const Vec3 up = moveOf(GLUT_KEY_UP);
    EXPECT_NEAR(up.x, -0.05, 1e-8);
    EXPECT_EQ(up.y, 0.0f);
    EXPECT_NEAR(up.z, 0.0866025, 1e-7);
    const Vec3 down = moveOf(GLUT_KEY_DOWN);
    EXPECT_NEAR(down.x, 0.05, 1e-8);
    EXPECT_NEAR(down.z, -0.0866025, 1e-7);
    const Vec3 left = moveOf(GLUT_KEY_LEFT);
    EXPECT_NEAR(left.x, 0.0866025, 1e-7);
    EXPECT_NEAR(left.y, 0.0, 1e-8);
    EXPECT_NEAR(left.z, 0.05, 1e-8);
    const Vec3 right = moveOf(GLUT_KEY_RIGHT);
    EXPECT_NEAR(right.x, -0.0866025, 1e-7);
    EXPECT_NEAR(right.z, -0.05, 1e-8);
    for (int key : {GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN}) {
        const Vec3 vertical = moveOf(key);
        EXPECT_FLOAT_EQ(vertical.y, key == GLUT_KEY_PAGE_UP ? -0.1f : 0.1f);
        EXPECT_LT(std::fabs(vertical.x), 1e-8);
        EXPECT_LT(std::fabs(vertical.z), 1e-8);
    }
    EXPECT_EQ(viewer.pitch, 45.0f);
}

TEST_F(Keys, StepsAccumulateOnTheTarget) {
    viewer.orientation = Quat(0.0f, 30.0f, 0.0f);
    viewer.target = Vec3{1.0f, 2.0f, 3.0f};
    viewer.special(GLUT_KEY_UP, 0, 0);
    viewer.special(GLUT_KEY_UP, 0, 0);
    EXPECT_NEAR(viewer.target.x, 0.9, 1e-6);
    EXPECT_EQ(viewer.target.y, 2.0f);
    EXPECT_NEAR(viewer.target.z, 3.173205, 1e-6);
}

TEST_F(Keys, SideAndVerticalKeysLeaveADriftedOrientationUntouchedWhileUpAndDownRenormaliseIt) {
    Quat drifted = Quat(0.0f, 30.0f, 0.0f);
    drifted.w *= 1.01f;
    drifted.y *= 1.01f;
    for (int key : {GLUT_KEY_LEFT, GLUT_KEY_RIGHT, GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN}) {
        viewer.orientation = drifted;
        viewer.special(key, 0, 0);
        EXPECT_TRUE(sameBits(viewer.orientation, drifted)) << "key " << key;
    }
    for (int key : {GLUT_KEY_UP, GLUT_KEY_DOWN}) {
        viewer.orientation = drifted;
        viewer.special(key, 0, 0);
        const Quat& q = viewer.orientation;
        const double length2 = double(q.w) * q.w + double(q.x) * q.x + double(q.y) * q.y + double(q.z) * q.z;
        EXPECT_NEAR(length2, 1.0, 1e-6) << "key " << key;
        // Only the length changes: the turn is still 30 degrees about y.
        EXPECT_NEAR(q.w, std::cos(15.0 * pi / 180.0), 1e-6);
        EXPECT_NEAR(q.y, std::sin(15.0 * pi / 180.0), 1e-6);
    }
}

TEST_F(Keys, KeysNeverMoveThePositionNorDraw) {
    viewer.pitch = 12.0f;
    for (int key : {GLUT_KEY_UP, GLUT_KEY_DOWN, GLUT_KEY_LEFT, GLUT_KEY_RIGHT, GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN})
        viewer.special(key, 0, 0);
    EXPECT_EQ(viewer.position.x, 5.0f);
    EXPECT_EQ(viewer.position.y, 6.0f);
    EXPECT_EQ(viewer.position.z, 7.0f);
    EXPECT_EQ(viewer.pitch, 12.0f);
    EXPECT_TRUE(glrec::calls().empty());
}

TEST_F(Keys, UnlistedSpecialKeysChangeNothing) {
    const Viewer before = viewer;
    for (int key : {GLUT_KEY_F1, GLUT_KEY_F5, GLUT_KEY_F12, GLUT_KEY_HOME, GLUT_KEY_END, GLUT_KEY_INSERT, 0, 106, -1})
        viewer.special(key, 0, 0);
    EXPECT_EQ(std::memcmp(&viewer.target, &before.target, sizeof(Vec3)), 0);
    EXPECT_TRUE(sameBits(viewer.orientation, before.orientation));
    EXPECT_EQ(viewer.fullscreen, before.fullscreen);
    EXPECT_TRUE(glrec::calls().empty());
}
