#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GlRecorder.h"
#include "app/Viewer.h"
#include "mesh_files.h"

namespace {
std::vector<float> args3(const char* name, std::size_t i) {
    const GlCall c = glrec::all(name).at(i);
    return {float(c.arg(0)), float(c.arg(1)), float(c.arg(2))};
}

class MeshDraw : public ::testing::Test {
protected:
    void SetUp() override { glrec::reset(); }
};
}  // namespace

TEST_F(MeshDraw, EmptyMeshStillMakesItsBeginEndPair) {
    meshfiles::Loaded m = meshfiles::load("");
    m.mesh->draw(GL_TRIANGLES);
    EXPECT_EQ(glrec::names(), (std::vector<std::string>{"glBegin", "glEnd"}));
    EXPECT_EQ(glrec::calls()[0].arg(0), double(GL_TRIANGLES));
}

TEST_F(MeshDraw, NormalPrecedesVertexAndCornersKeepStoredOrder) {
    // Face 1 lists its corners 3, 1, 2; face 2 shares vertex 1 with a different normal.
    meshfiles::Loaded m = meshfiles::load(
        "v 1 0 0\nv 2 0 0\nv 3 0 0\nvn 0 0 1\nvn 0 1 0\nf 3//1 1//1 2//1\nf 1//2 2//2 3//2\n");
    m.mesh->draw(GL_LINES);
    EXPECT_EQ(glrec::calls()[0].arg(0), double(GL_LINES));
    std::vector<std::string> expected{"glBegin"};
    for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {"glNormal3f", "glVertex3f"});
    expected.push_back("glEnd");
    EXPECT_EQ(glrec::names(), expected);
    EXPECT_EQ(args3("glVertex3f", 0), (std::vector<float>{3, 0, 0}));
    EXPECT_EQ(args3("glVertex3f", 1), (std::vector<float>{1, 0, 0}));  // index 1 is the first stored
    EXPECT_EQ(args3("glVertex3f", 2), (std::vector<float>{2, 0, 0}));
    EXPECT_EQ(args3("glNormal3f", 1), (std::vector<float>{0, 0, 1}));
    EXPECT_EQ(args3("glVertex3f", 3), (std::vector<float>{1, 0, 0}));
    EXPECT_EQ(args3("glNormal3f", 3), (std::vector<float>{0, 1, 0}));
}

TEST_F(MeshDraw, FacesIndexingOutsideTheStoredDataAreSkipped) {
    // Only the last face is drawable: zero, relative, past-the-count and clamped indices.
    meshfiles::Loaded m = meshfiles::load(
        "v 1 2 3\nv 4 5 6\nvn 0 0 1\n"
        "f 0//1 1//1 2//1\nf -1//-1 -2//-2 1//1\nf 1//1 2//1 3//1\nf 1//2 1//1 1//1\n"
        "f 99999999999//1 1//1 1//1\nf 2//1 1//1 2//1\n");
    ASSERT_EQ(m.mesh->faceCount, 6);
    EXPECT_EQ(m.mesh->faces[4].vertexIndex[0], 2147483647);
    m.mesh->draw(GL_TRIANGLES);
    ASSERT_EQ(glrec::count("glVertex3f"), 3u);
    EXPECT_EQ(args3("glVertex3f", 0), (std::vector<float>{4, 5, 6}));
}

TEST_F(MeshDraw, FrameWithoutMeshesDrawsNothingAndStillSwaps) {
    // A mesh whose allocation failed is a null pointer; frames must not touch it.
    Viewer viewer;
    viewer.display();
    EXPECT_EQ(glrec::count("glBegin"), 0u);
    EXPECT_EQ(glrec::count("glutSwapBuffers"), 1u);
}
