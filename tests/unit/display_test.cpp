#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "GlRecorder.h"
#include "Scratch.h"
#include "app/Viewer.h"

namespace {
constexpr double pi = 3.14159265358979323846;
// The start-up camera: a half turn about y, at the start-up translation.
const Vec3 startPosition{-89.0215988f, -22.5781326f, 174.212662f};

class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        glrec::reset();
        viewer.orientation = Quat(0.0f, 180.0f, 0.0f);
        viewer.pitch = 0.0f;
        viewer.position = viewer.target = startPosition;
        viewer.mainModel = makeTriangles(1, 10.0f);
        viewer.gridModel = makeTriangles(1, 20.0f);
    }
    void TearDown() override {
        delete viewer.mainModel;
        delete viewer.gridModel;
    }
    // The glRotatef calls of the 25 copies: those about the plane's z axis.
    static std::vector<GlCall> gridTurns() {
        std::vector<GlCall> turns;
        for (const GlCall& c : glrec::all("glRotatef"))
            if (c.arg(1) == 0.0 && c.arg(2) == 0.0 && c.arg(3) == 1.0) turns.push_back(c);
        return turns;
    }
    // The view rotation: the first call after the frame's glPushMatrix, if it is a glRotatef.
    static const GlCall* viewRotation() {
        const std::size_t push = glrec::find("glPushMatrix");
        if (push == glrec::npos || push + 1 >= glrec::calls().size()) return nullptr;
        const GlCall& next = glrec::calls()[push + 1];
        return std::strcmp(next.name, "glRotatef") == 0 ? &next : nullptr;
    }
    ScratchDir scratch;
    Viewer viewer;
};

struct Call {
    std::string name;
    std::vector<double> args;  // checked exactly; empty for calls checked elsewhere
};

void addTriangle(std::vector<Call>& out, float base) {
    out.push_back({"glBegin", {GL_TRIANGLES}});
    for (int k = 1; k <= 3; ++k) {
        out.push_back({"glNormal3f", {0, 0, double(k)}});
        out.push_back({"glVertex3f", {double(k), base, 0}});
    }
    out.push_back({"glEnd", {}});
}

// The whole frame for one-triangle meshes, in the documented order.
std::vector<Call> expectedFrame(const Vec3& eased) {
    const float spacing[5] = {0.0f, 0.6000000238418579f, 1.2000000476837158f, 1.8000000715255737f,
                              2.4000000953674316f};
    std::vector<Call> f = {
        {"glMatrixMode", {GL_MODELVIEW}},
        {"glLoadIdentity", {}},
        {"glRenderMode", {GL_RENDER}},
        {"glClear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT}},
        {"glColor4f", {1, 1, 1, 1}},
        {"glPushMatrix", {}},
        {"glRotatef", {}},
        {"glScalef", {2, 2, 2}},
        {"glTranslatef", {eased.x, eased.y, eased.z}},
        {"glPushMatrix", {}},
        {"glColor3f", {1, 1, 1}},
        {"glTranslatef", {83, 22.200000762939453, -160}},
    };
    addTriangle(f, 10.0f);
    f.push_back({"glPopMatrix", {}});
    f.push_back({"glEnable", {GL_CULL_FACE}});
    f.push_back({"glCullFace", {GL_BACK}});
    f.push_back({"glPushMatrix", {}});
    f.push_back({"glTranslatef", {88, 22.5, -162}});
    f.push_back({"glRotatef", {-90, 1, 0, 0}});
    f.push_back({"glTranslatef", {-1, -1, 0}});
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 5; ++column) {
            f.push_back({"glPushMatrix", {}});
            f.push_back({"glTranslatef", {spacing[column], spacing[row], 0}});
            f.push_back({"glRotatef", {}});
            addTriangle(f, 20.0f);
            f.push_back({"glPopMatrix", {}});
        }
    f.push_back({"glPopMatrix", {}});
    f.push_back({"glDisable", {GL_CULL_FACE}});
    f.push_back({"glPopMatrix", {}});
    f.push_back({"glutSwapBuffers", {}});
    return f;
}

void expectCalls(const std::vector<Call>& expected) {
    const std::vector<GlCall>& log = glrec::calls();
    ASSERT_EQ(log.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(log[i].name, expected[i].name) << "call " << i;
        for (std::size_t a = 0; a < expected[i].args.size(); ++a)
            ASSERT_EQ(log[i].arg(int(a)), expected[i].args[a]) << "call " << i << " " << expected[i].name
                                                                << " argument " << a;
    }
}
}  // namespace

TEST_F(Frame, IssuesTheDocumentedCallsInOrder) {
    viewer.display();
    expectCalls(expectedFrame(startPosition));
}

TEST_F(Frame, StartUpCameraRotatesByExactlyHalfATurnAboutY) {
    viewer.display();
    const GlCall* view = viewRotation();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->arg(0), 180.0);
    EXPECT_EQ(view->arg(1), 0.0);
    EXPECT_EQ(view->arg(2), 1.0);
    EXPECT_EQ(view->arg(3), 0.0);
}

TEST_F(Frame, PitchAloneTurnsAboutX) {
    viewer.orientation = Quat();
    viewer.pitch = 30.0f;
    viewer.display();
    const GlCall* view = viewRotation();
    ASSERT_NE(view, nullptr);
    EXPECT_NEAR(view->arg(0), 30.0000057, 1e-6);
    EXPECT_NEAR(view->arg(1), 0.99999982, 3e-8);
    EXPECT_EQ(view->arg(2), 0.0);
    EXPECT_EQ(view->arg(3), 0.0);
}

TEST_F(Frame, PitchIsAppliedAfterTheTurnNotBeforeIt) {
    // Qx(20) (x) Qy(30) has a positive z part; the other order a negative one.
    viewer.orientation = Quat(0.0f, 30.0f, 0.0f);
    viewer.pitch = 20.0f;
    viewer.display();
    const GlCall* view = viewRotation();
    ASSERT_NE(view, nullptr);
    const double d = pi / 180.0;
    const double w = std::cos(10 * d) * std::cos(15 * d);
    const double s = std::sqrt(1.0 - w * w);
    EXPECT_NEAR(view->arg(0), 2.0 * std::acos(w) / d, 1e-4);
    EXPECT_NEAR(view->arg(1), std::sin(10 * d) * std::cos(15 * d) / s, 1e-6);
    EXPECT_NEAR(view->arg(2), std::cos(10 * d) * std::sin(15 * d) / s, 1e-6);
    EXPECT_NEAR(view->arg(3), std::sin(10 * d) * std::sin(15 * d) / s, 1e-6);
    // Drawing uses a copy: the camera's own turn is untouched.
    const Quat unchanged(0.0f, 30.0f, 0.0f);
    EXPECT_EQ(std::memcmp(&viewer.orientation, &unchanged, sizeof(Quat)), 0);
}

TEST_F(Frame, IdentityViewMakesNoRotationButStillDraws) {
    Quat minusOne;
    minusOne.w = -1.0f;  // the same rotation, reached by a whole turn
    for (const Quat& q : {Quat(), minusOne}) {
        glrec::reset();
        viewer.orientation = q;
        viewer.display();
        EXPECT_EQ(viewRotation(), nullptr);
        EXPECT_EQ(glrec::calls()[glrec::find("glPushMatrix") + 1].name, std::string("glScalef"));
        EXPECT_EQ(glrec::count("glBegin"), 26u);
    }
}

TEST_F(Frame, GridCopiesTurnToFaceTheStartUpCamera) {
    viewer.display();
    const std::vector<GlCall> turns = gridTurns();
    ASSERT_EQ(turns.size(), 25u);
    EXPECT_EQ(turns[0].arg(0), 352.5953063964844);        // row 0, column 0
    EXPECT_EQ(turns[3].arg(0), 360.57171630859375);       // row 0, column 3
    EXPECT_EQ(turns[4 * 5 + 4].arg(0), 363.98223876953125);  // row 4, column 4, passed unwrapped
}

TEST_F(Frame, GridTurnDependsOnlyOnTheEyeAcrossThePlane) {
    viewer.display();
    const std::vector<GlCall> reference = gridTurns();
    glrec::reset();
    viewer.orientation = Quat(0.0f, 77.0f, 0.0f);
    viewer.pitch = -33.0f;
    viewer.position.y = viewer.target.y = 500.0f;
    viewer.display();
    const std::vector<GlCall> turned = gridTurns();
    ASSERT_EQ(turned.size(), reference.size());
    for (std::size_t i = 0; i < turned.size(); ++i) EXPECT_EQ(turned[i].arg(0), reference[i].arg(0)) << i;

    // An eye straight across the grid, beyond its far side, faces copy (0, 0) the other way.
    glrec::reset();
    viewer.position.x = viewer.target.x = -87.35f;
    viewer.position.z = viewer.target.z = 150.0f;  // eye at z -150, beyond the grid near -162
    viewer.display();
    const std::vector<GlCall> across = gridTurns();
    ASSERT_EQ(across.size(), 25u);
    EXPECT_NEAR(across[0].arg(0), 180.0, 0.001);
}

TEST_F(Frame, EasingClosesATenthOfTheGapInXAndZAndAnEighthInY) {
    viewer.position = Vec3{0.0f, 0.0f, 0.0f};
    viewer.target = Vec3{10.0f, 10.0f, -10.0f};
    viewer.display();
    EXPECT_EQ(viewer.position.x, 1.0f);  // a gap of 10 leaves 9
    EXPECT_EQ(viewer.position.y, 1.25f);
    EXPECT_EQ(viewer.position.z, -1.0f);
    EXPECT_EQ(viewer.target.x, 10.0f);
    EXPECT_EQ(viewer.target.y, 10.0f);
    EXPECT_EQ(viewer.target.z, -10.0f);
    // The view is translated by the eased position of this frame.
    const std::size_t scale = glrec::find("glScalef");
    ASSERT_NE(scale, glrec::npos);
    const GlCall& translate = glrec::calls()[scale + 1];
    EXPECT_EQ(translate.arg(0), 1.0);
    EXPECT_EQ(translate.arg(1), 1.25);
    EXPECT_EQ(translate.arg(2), -1.0);

    viewer.display();  // one step per frame
    EXPECT_EQ(viewer.position.x, 1.9f);
    EXPECT_EQ(viewer.position.y, 2.34375f);
}

TEST_F(Frame, EasingIsComputedInDoubleAndStoredAsFloat) {
    // With these values a step in float arithmetic lands one unit in the last place off.
    viewer.position = Vec3{-22.3699951f, -22.3699951f, -22.3699951f};
    viewer.target = Vec3{139.26001f, 139.26001f, 139.26001f};
    viewer.display();
    EXPECT_EQ(viewer.position.x, -6.20699453f);
    EXPECT_EQ(viewer.position.z, -6.20699453f);
    EXPECT_EQ(viewer.position.y, static_cast<float>(-22.3699951f + (static_cast<double>(139.26001f) - -22.3699951f) * 0.125));
}

TEST_F(Frame, MissingMeshesAreSkippedAndTheFrameStaysWhole) {
    delete viewer.mainModel;
    delete viewer.gridModel;
    viewer.mainModel = nullptr;
    viewer.gridModel = nullptr;
    viewer.display();
    EXPECT_EQ(glrec::count("glBegin"), 0u);
    EXPECT_EQ(gridTurns().size(), 25u);
    EXPECT_EQ(glrec::count("glPushMatrix"), glrec::count("glPopMatrix"));
    EXPECT_EQ(glrec::names().back(), "glutSwapBuffers");
}

TEST_F(Frame, MatrixStackReturnsToItsDepthAndCullingIsOnOnlyAroundTheGrid) {
    viewer.display();
    int depth = 0;
    int deepest = 0;
    bool culling = false;
    for (const GlCall& c : glrec::calls()) {
        const std::string name = c.name;
        if (name == "glPushMatrix") deepest = std::max(deepest, ++depth);
        if (name == "glPopMatrix") --depth;
        ASSERT_GE(depth, 0);
        if (name == "glEnable" && c.arg(0) == GL_CULL_FACE) culling = true;
        if (name == "glDisable" && c.arg(0) == GL_CULL_FACE) culling = false;
        // The main model (drawn at depth 2) without culling, every grid copy (depth 3) with it.
        if (name == "glBegin") {
            EXPECT_EQ(culling, depth == 3);
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(deepest, 3);
    EXPECT_FALSE(culling);
}
