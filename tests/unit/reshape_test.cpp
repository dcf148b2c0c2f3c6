#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <string>
#include <vector>

#include "GlRecorder.h"
#include "app/Viewer.h"

namespace {
class Reshape : public ::testing::Test {
protected:
    void SetUp() override {
        glrec::reset();
        glrec::recordVertices(false);
        viewer.orientation = Quat(0.0f, 180.0f, 0.0f);
        viewer.position = Vec3{0.0f, 0.0f, 0.0f};
        viewer.target = Vec3{10.0f, 0.0f, 0.0f};
    }
    const GlCall& perspective() const { return glrec::calls()[glrec::find("gluPerspective")]; }
    Viewer viewer;
};
}  // namespace

TEST_F(Reshape, SetsViewportAndPerspectiveThenDrawsAFrame) {
    viewer.reshape(1024, 768);
    const std::vector<std::string> head = {"glViewport",   "glMatrixMode",   "glLoadIdentity", "gluPerspective",
                                           "glMatrixMode", "glLoadIdentity", "glMatrixMode"};
    const std::vector<std::string> names = glrec::names();
    ASSERT_GE(names.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 7), head);
    const std::vector<GlCall>& c = glrec::calls();
    EXPECT_EQ(c[0].arg(0), 0.0);
    EXPECT_EQ(c[0].arg(1), 0.0);
    EXPECT_EQ(c[0].arg(2), 1024.0);
    EXPECT_EQ(c[0].arg(3), 768.0);
    EXPECT_EQ(c[1].arg(0), GL_PROJECTION);
    EXPECT_EQ(c[3].arg(0), 50.0);
    EXPECT_EQ(c[3].arg(1), 1.3333333333333333);
    EXPECT_EQ(c[3].arg(2), 0.0010000000474974513);  // the float 0.001, not the double
    EXPECT_EQ(c[3].arg(3), 4000.0);
    EXPECT_EQ(c[4].arg(0), GL_MODELVIEW);
    // Then one whole frame, which is also one easing step.
    EXPECT_EQ(glrec::count("glutSwapBuffers"), 1u);
    EXPECT_EQ(names.back(), "glutSwapBuffers");
    EXPECT_EQ(viewer.position.x, 1.0f);
}

TEST_F(Reshape, AspectIsAFloatingPointQuotient) {
    viewer.reshape(640, 480);
    EXPECT_EQ(perspective().arg(1), 1.3333333333333333);
    glrec::reset();
    viewer.reshape(480, 640);
    EXPECT_EQ(perspective().arg(1), 0.75);
}

TEST_F(Reshape, ZeroHeightKeepsAFiniteProjectionAndTheNextSizeReplacesIt) {
    viewer.reshape(800, 0);
    EXPECT_EQ(perspective().arg(1), 800.0);
    EXPECT_EQ(glrec::count("glutSwapBuffers"), 1u);
    glrec::reset();
    viewer.reshape(0, 0);
    EXPECT_TRUE(std::isfinite(perspective().arg(1)));
    glrec::reset();
    viewer.reshape(800, 600);
    EXPECT_EQ(glrec::calls()[glrec::find("gluPerspective") - 1].name, std::string("glLoadIdentity"));
    EXPECT_EQ(perspective().arg(1), 800.0 / 600.0);
}

TEST_F(Reshape, SameSizeAgainStillResetsBothMatricesAndDraws) {
    viewer.reshape(640, 480);
    glrec::reset();
    viewer.reshape(640, 480);
    EXPECT_EQ(glrec::count("gluPerspective"), 1u);
    EXPECT_EQ(glrec::count("glutSwapBuffers"), 1u);
    EXPECT_EQ(viewer.position.x, 1.9f);  // the second easing step
}
