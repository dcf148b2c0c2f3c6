// scripts/view end to end: a glTF file shown framed in front of the start-up camera in
// one command, without touching the sample scene; a model it cannot convert explained.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>

#include "Config.h"
#include "ModelFiles.h"
#include "ViewerSession.h"

using namespace e2e;

namespace {

constexpr double heightShare = 0.5;  // of the view's height, for a model framed by its height
constexpr int edgeTolerance = 8;     // px

std::string script() { return config().sourceDir + "/scripts/view"; }

// The script builds into the build folder of the viewer under test.
void useTheBuildUnderTest() {
    setenv("VIEWER_BUILD_DIR", std::filesystem::path(config().viewer).parent_path().c_str(), 1);
}

// The rows between the first and the last that are not sky in one column.
std::pair<int, int> drawnRows(const Picture& picture, int column) {
    int top = -1, bottom = -1;
    for (int y = 0; y < picture.height; ++y)
        if (picture.at(column, y) != skyPixel()) {
            if (top < 0) top = y;
            bottom = y;
        }
    return {top, bottom};
}

}  // namespace

class ViewTest : public ViewerSession {};

TEST_F(ViewTest, ShowsAGlbModelFramedAtHalfTheViewHeightInOneCommand) {
    useTheBuildUnderTest();
    const std::string folder = emptyFolder();
    writeFile(folder + "/model.glb", modelfiles::glb(modelfiles::twoNodeGltfJson(""), modelfiles::cubeBuffer()));
    const std::string demo = config().sourceDir + "/scenes/demo/";
    const std::string demoBefore = readFile(demo + "1.obj") + readFile(demo + "2.obj");

    App& app = startProgram("/bin/bash", {script(), "model.glb"}, folder);
    Picture picture;
    ASSERT_TRUE(waitStarted(app, &picture)) << app.standardError();
    savePicture(picture, "screenshot");
    // Centred: the model's box spans the middle half of the centre column.
    const auto [top, bottom] = drawnRows(picture, picture.width / 2);
    EXPECT_NEAR(top, picture.height * (1 - heightShare) / 2, edgeTolerance);
    EXPECT_NEAR(bottom, picture.height * (1 + heightShare) / 2, edgeTolerance);
    EXPECT_TRUE(quitsWith(app, XK_Escape));

    EXPECT_EQ(readFile(demo + "1.obj") + readFile(demo + "2.obj"), demoBefore) << "the sample scene was changed";
    const std::string out = app.standardOutput();
    const std::string said = "view: the scene is in ";
    ASSERT_NE(out.find(said), std::string::npos) << out;
    const std::string scene = out.substr(out.find(said) + said.size(), out.find('\n', out.find(said)) - out.find(said) - said.size());
    EXPECT_EQ(scene.rfind(std::filesystem::path(config().viewer).parent_path().string(), 0), 0u)
        << scene << " is not under the build folder";
    std::filesystem::remove_all(scene);
}

TEST(ViewScript, AModelItCannotConvertIsExplained) {
    useTheBuildUnderTest();
    const std::filesystem::path bad = std::filesystem::temp_directory_path() / "view-test-points.ply";
    writeFile(bad.string(), "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\n"
                            "property float z\nend_header\n0 0 0\n");
    FILE* pipe = popen(("bash '" + script() + "' '" + bad.string() + "' 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string said;
    char chunk[256];
    while (fgets(chunk, sizeof chunk, pipe)) said += chunk;
    const int status = pclose(pipe);
    std::filesystem::remove(bad);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << said;
    EXPECT_NE(said.find("no \"face\" element"), std::string::npos) << said;
    EXPECT_NE(said.find("view: cannot show"), std::string::npos) << said;
}
