#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "GlRecorder.h"
#include "Scratch.h"
#include "app/Viewer.h"

namespace {
struct Call {
    const char* name;
    std::vector<double> args;
};

// Compares the whole recorded log with `expected`, call by call and argument by argument.
void expectCalls(const std::vector<Call>& expected, std::size_t from = 0) {
    const std::vector<GlCall>& log = glrec::calls();
    ASSERT_EQ(log.size() - from, expected.size()) << "number of calls";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const GlCall& got = log[from + i];
        ASSERT_STREQ(got.name, expected[i].name) << "call " << i;
        ASSERT_EQ(static_cast<std::size_t>(got.argCount), expected[i].args.size()) << expected[i].name;
        for (std::size_t a = 0; a < expected[i].args.size(); ++a)
            EXPECT_EQ(got.arg(static_cast<int>(a)), expected[i].args[a]) << expected[i].name << " argument " << a;
    }
}

class ViewerInit : public ::testing::Test {
protected:
    void SetUp() override {
        glrec::reset();
        // Values that start-up must overwrite.
        viewer.fullscreen = true;
        viewer.pitch = 7.0f;
        viewer.anchorX = viewer.anchorY = -1;
        viewer.position = viewer.target = Vec3{1.0f, 2.0f, 3.0f};
        glrec::setGet(GLUT_WINDOW_X, 101);
        glrec::setGet(GLUT_WINDOW_Y, 123);
        glrec::setGet(GLUT_WINDOW_WIDTH, 640);
        glrec::setGet(GLUT_WINDOW_HEIGHT, 480);
    }
    void TearDown() override {
        delete viewer.mainModel;
        delete viewer.gridModel;
    }
    ScratchDir scratch;
    Viewer viewer;
};

const double linearFog = 9729.0;  // GL_LINEAR passed as a float
const double sky[4] = {0.53515625, 0.66796875, 0.77734375, 1.0};
}  // namespace

TEST_F(ViewerInit, MakesEveryStartUpCallInOrderWithItsArguments) {
    viewer.init();
    const std::vector<Call> expected = {
        {"glutInitDisplayMode", {18}},
        {"glutInitWindowSize", {640, 480}},
        {"glutInitWindowPosition", {100, 100}},
        {"glutCreateWindow", {}},
        {"glEnable", {GL_TEXTURE_2D}},
        {"glEnable", {GL_BLEND}},
        {"glEnable", {GL_DEPTH_TEST}},
        {"glEnable", {GL_LINE_SMOOTH}},
        {"glLineWidth", {1.0}},
        {"glDepthFunc", {GL_LEQUAL}},
        {"glClearDepth", {1.0}},
        {"glShadeModel", {GL_SMOOTH}},
        {"glEnable", {GL_LIGHT0}},
        {"glEnable", {GL_LIGHTING}},
        {"glEnable", {GL_COLOR_MATERIAL}},
        {"glBlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}},
        {"glClearColor", {sky[0], sky[1], sky[2], sky[3]}},
        {"glMatrixMode", {GL_PROJECTION}},
        {"glLoadIdentity", {}},
        {"glMatrixMode", {GL_MODELVIEW}},
        {"glLoadIdentity", {}},
        {"glHint", {GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST}},
        {"glFogf", {GL_FOG_MODE, linearFog}},
        {"glFogf", {GL_FOG_START, 1.0}},
        {"glFogf", {GL_FOG_END, 126.0}},
        {"glFogf", {GL_FOG_DENSITY, 1.0}},
        {"glFogfv", {GL_FOG_COLOR, sky[0], sky[1], sky[2], sky[3]}},
        // The F11 toggle: geometry read as x, y, width, height, then full screen.
        {"glutGet", {GLUT_WINDOW_X}},
        {"glutGet", {GLUT_WINDOW_Y}},
        {"glutGet", {GLUT_WINDOW_WIDTH}},
        {"glutGet", {GLUT_WINDOW_HEIGHT}},
        {"toPlacementPosition", {101, 123}},  // the reported position
        {"enterFullScreen", {}},
        {"placePointerWhenSettled", {320, 240, 1}},  // on the anchor, once full screen
        {"hidePointer", {}},
        {"keepKeysFromWindowSystem", {}},
    };
    expectCalls(expected);
    const std::size_t window = glrec::find("glutCreateWindow");
    ASSERT_NE(window, glrec::npos);
    EXPECT_EQ(glrec::calls()[window].text, "");
    ASSERT_NE(glrec::calls()[window].pointer, nullptr);
    EXPECT_STREQ(static_cast<const char*>(glrec::calls()[window].pointer), "");
}

TEST_F(ViewerInit, LeavesTheStartUpCameraAnchorAndWindowState) {
    viewer.init();
    EXPECT_TRUE(viewer.fullscreen);
    EXPECT_EQ(viewer.savedX, 101);
    EXPECT_EQ(viewer.savedY, 123);
    EXPECT_EQ(viewer.savedWidth, 640);
    EXPECT_EQ(viewer.savedHeight, 480);
    EXPECT_EQ(viewer.anchorX, 320);
    EXPECT_EQ(viewer.anchorY, 240);
    EXPECT_EQ(viewer.pitch, 0.0f);

    // Each the float nearest the decimal, and position equal to target so nothing drifts.
    EXPECT_EQ(viewer.position.x, -89.0215988f);
    EXPECT_EQ(viewer.position.y, -22.5781326f);
    EXPECT_EQ(viewer.position.z, 174.212662f);
    EXPECT_EQ(std::memcmp(&viewer.position, &viewer.target, sizeof(Vec3)), 0);

    // A half turn about y, with the w the float degree factor leaves.
    EXPECT_EQ(viewer.orientation.w, 1.2167964e-8f);
    EXPECT_EQ(viewer.orientation.x, 0.0f);
    EXPECT_EQ(viewer.orientation.y, 1.0f);
    EXPECT_EQ(viewer.orientation.z, 0.0f);

    EXPECT_NE(viewer.mainModel, nullptr);
    EXPECT_NE(viewer.gridModel, nullptr);
    EXPECT_NE(viewer.mainModel, viewer.gridModel);
}

// Needs the OBJ reader: the placeholder loads every file as empty.
TEST_F(ViewerInit, ReadsFirstFileIntoMainModelBeforeOpeningTheSecond) {
    scratch.write("probe.obj", "v 0 0 0\nvn 0 0 1\nf 1//1 1//1 1//1\n");
    Mesh* probe = Mesh::create("probe.obj");
    ASSERT_NE(probe, nullptr);
    const bool readerPresent = probe->faceCount == 1;
    delete probe;
    if (!readerPresent) GTEST_SKIP() << "the OBJ reader is not in this build yet";

    // A word the reader does not know, at the end of each file, marks when each was read.
    scratch.write("1.obj", "v 0 0 0\nvn 0 0 1\nf 1//1 1//1 1//1\nfirst ");
    scratch.write("2.obj", "v 0 0 0\nvn 0 0 1\nf 1//1 1//1 1//1\nf 1//1 1//1 1//1\nsecond ");
    ::testing::internal::CaptureStdout();
    viewer.init();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "OBJ Unrecognized Command: \"first\"\nOBJ Unrecognized Command: \"second\"\n");
    ASSERT_NE(viewer.mainModel, nullptr);
    ASSERT_NE(viewer.gridModel, nullptr);
    EXPECT_EQ(viewer.mainModel->faceCount, 1);
    EXPECT_EQ(viewer.gridModel->faceCount, 2);
}
