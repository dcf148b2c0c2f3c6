#include <gtest/gtest.h>

#include <GL/glut.h>
#include <unistd.h>

#include <cstdio>

#include "GlRecorder.h"
#include "Scratch.h"
#include "app/Viewer.h"
#include "app/entry.h"

namespace {
class EntryTest : public ::testing::Test {
protected:
    void SetUp() override { glrec::reset(); }
    void TearDown() override {
        if (theViewer != nullptr) {
            delete theViewer->mainModel;
            delete theViewer->gridModel;
        }
        delete theViewer;
        theViewer = nullptr;
    }
    ScratchDir scratch;  // start-up reads (and may create) the mesh files here
};

// A Viewer whose operations are observed through the calls they make.
class WiredViewer : public ::testing::Test {
protected:
    void SetUp() override {
        glrec::reset();
        glrec::setPointerRest(320, 240);
        viewer = Viewer();
        viewer.orientation = Quat(0.0f, 180.0f, 0.0f);
        viewer.anchorX = 320;
        viewer.anchorY = 240;
        theViewer = &viewer;
    }
    void TearDown() override { theViewer = nullptr; }
    Viewer viewer;
};
}  // namespace

TEST_F(EntryTest, StartsInTheDocumentedOrder) {
    int argc = 1;
    char program[] = "viewer";
    char* argv[] = {program, nullptr};
    EXPECT_EQ(runViewer(argc, argv), 0);
    ASSERT_NE(theViewer, nullptr);

    const std::size_t init = glrec::find("glutInit");
    ASSERT_EQ(init, 0u) << "glutInit must be the first toolkit call";
    EXPECT_EQ(glrec::calls()[init].pointer, &argc);
    EXPECT_EQ(glrec::calls()[init].text, "viewer");

    // Viewer::init runs between glutInit and the registrations: it opens the window.
    const std::size_t window = glrec::find("glutCreateWindow");
    const std::size_t firstRegistration = glrec::find("glutDisplayFunc");
    ASSERT_NE(window, glrec::npos);
    EXPECT_LT(window, firstRegistration);

    const std::vector<std::string> tail = glrec::names(firstRegistration);
    const std::vector<std::string> expected = {
        "glutDisplayFunc",       "glutReshapeFunc", "glutMouseFunc", "glutKeyboardFunc", "glutSpecialFunc",
        "glutPassiveMotionFunc", "glutMotionFunc",  "glutTimerFunc", "glutMainLoop"};
    EXPECT_EQ(tail, expected);

    const GlCall& timer = glrec::calls()[glrec::find("glutTimerFunc")];
    EXPECT_EQ(timer.arg(0), 5.0);
    EXPECT_EQ(timer.arg(1), 0.0);
    EXPECT_EQ(timer.pointer, reinterpret_cast<const void*>(&timerCallback));

    const GlutCallbacks& cb = glrec::callbacks();
    EXPECT_EQ(cb.display, &displayCallback);
    EXPECT_EQ(cb.reshape, &reshapeCallback);
    EXPECT_EQ(cb.mouse, &mouseCallback);
    EXPECT_EQ(cb.keyboard, &keyboardCallback);
    EXPECT_EQ(cb.special, &specialCallback);
    EXPECT_EQ(cb.passiveMotion, &motionCallback);
    EXPECT_EQ(cb.motion, &motionCallback);
}

TEST_F(WiredViewer, TimerDrawsAFrameThenRearmsWithTheValueItReceived) {
    timerCallback(0);
    const std::size_t swap = glrec::find("glutSwapBuffers");
    const std::size_t rearm = glrec::find("glutTimerFunc");
    ASSERT_NE(swap, glrec::npos);
    ASSERT_NE(rearm, glrec::npos);
    EXPECT_LT(swap, rearm);
    EXPECT_EQ(glrec::calls()[rearm].arg(0), 5.0);
    EXPECT_EQ(glrec::calls()[rearm].arg(1), 0.0);
    EXPECT_EQ(glrec::calls()[rearm].pointer, reinterpret_cast<const void*>(&timerCallback));

    glrec::reset();
    timerCallback(7);
    EXPECT_EQ(glrec::calls()[glrec::find("glutTimerFunc")].arg(1), 7.0);
}

TEST_F(WiredViewer, DisplayAndReshapeCallbacksDrawAFrame) {
    displayCallback();
    EXPECT_EQ(glrec::count("glutSwapBuffers"), 1u);
    glrec::reset();
    reshapeCallback(800, 600);
    EXPECT_EQ(glrec::calls().front().arg(2), 800.0);
    EXPECT_EQ(glrec::count("glutSwapBuffers"), 1u);
}

TEST_F(WiredViewer, MouseDispatchLeftDownMovesTheAnchor) {
    mouseCallback(GLUT_LEFT_BUTTON, GLUT_DOWN, 123, 456);
    EXPECT_EQ(viewer.anchorX, 123);
    EXPECT_EQ(viewer.anchorY, 456);
}

TEST_F(WiredViewer, MouseDispatchOtherStatesAndButtonsChangeNothing) {
    const Viewer before = viewer;
    mouseCallback(GLUT_LEFT_BUTTON, GLUT_UP, 10, 20);
    mouseCallback(GLUT_LEFT_BUTTON, 7, 10, 20);  // any state but down is a release
    mouseCallback(GLUT_RIGHT_BUTTON, GLUT_DOWN, 10, 20);
    mouseCallback(GLUT_RIGHT_BUTTON, GLUT_UP, 10, 20);
    mouseCallback(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 10, 20);
    mouseCallback(GLUT_MIDDLE_BUTTON, GLUT_UP, 10, 20);
    mouseCallback(3, GLUT_DOWN, 10, 20);  // wheel
    EXPECT_EQ(viewer.anchorX, before.anchorX);
    EXPECT_EQ(viewer.anchorY, before.anchorY);
    EXPECT_TRUE(glrec::calls().empty());
}

TEST_F(WiredViewer, MotionCallbackForwardsThePointerPosition) {
    motionCallback(320, 250);
    EXPECT_EQ(viewer.pitch, 1.0f);
    EXPECT_EQ(glrec::count("placePointerInWindow"), 1u);
}

TEST_F(WiredViewer, EscapeAndCtrlQQuitWithStatusZero) {
    EXPECT_EXIT(keyboardCallback(27, 0, 0), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(keyboardCallback(17, 0, 0), ::testing::ExitedWithCode(0), "");
}

TEST_F(WiredViewer, QuitFlushesBufferedStandardOutput) {
    EXPECT_EXIT(
        {
            dup2(2, 1);  // let the death test see what reaches standard output
            std::fputs("still in the buffer", stdout);
            theViewer->quit();
        },
        ::testing::ExitedWithCode(0), "still in the buffer");
}
