// The sample scene on screen: the start-up camera, mouse look to the exact degree,
// the clear colour, where the grove stands, the easing after a key, and F11.
//
// "Exactly" is checked against reference_view, which starts as the viewer does but
// takes the camera from its arguments and has no mouse look: same program code, same
// Mesa, same screen, so equal cameras give equal pixels.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CameraRecord.h"
#include "Config.h"
#include "ViewerSession.h"

using namespace e2e;

namespace {
constexpr Millis glideLimit(30000);  // the easing closes a tenth of the gap per frame
// The sample scene draws nothing in the top 50 rows of 768, whatever the picture's width.
constexpr double skyShare = 50.0 / 768;
// Steps forward for the glide: one step's glide shows in too few pictures to count on
// a loaded machine. Even these move the grove too little to follow on a smaller monitor.
constexpr int glideSteps = 5;
constexpr int glideMinimumHeight = 480;  // px

// The start-up camera: the eye sits at minus the start-up translation, looking along +z
// (a half turn about y), with a vertical field of view of 50 degrees.
struct Vec {
    double x, y, z;
};
constexpr Vec startEye{89.0215988, 22.5781326, -174.212662};
constexpr double fieldOfView = 50.0;  // degrees, vertical
constexpr double pi = 3.14159265358979323846;

// Where a scene point lands in a window of this size, seen by the start-up camera.
Point project(Vec p, int width, int height) {
    // The half turn about y maps x to -x and z to -z; the view looks along -z.
    const double x = -(p.x - startEye.x), y = p.y - startEye.y, depth = p.z - startEye.z;
    const double f = 1.0 / std::tan(fieldOfView / 2 * pi / 180);
    const double aspect = static_cast<double>(width) / height;
    const double ndcX = x / depth * f / aspect, ndcY = y / depth * f;
    return Point{static_cast<int>(std::lround((ndcX + 1) / 2 * width)),
                 static_cast<int>(std::lround((1 - ndcY) / 2 * height))};
}

// The grove: 25 copies of 2.obj on the plane at height 22.5 through (88, 22.5, -162),
// copy (i, j) standing at (u_j - 1, v_i - 1) of the plane, u and v stepping by 0.6,
// its own +z up. A point at height h above a copy's origin (its turn keeps that axis).
Vec copyPoint(int row, int column, double h) {
    const double u = 0.6 * column - 1, v = 0.6 * row - 1;
    return Vec{88 + u, 22.5 + h, -162 - v};
}

// The lowest and highest local z of a model file's vertices (a well-formed file).
std::pair<double, double> heightRange(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    double low = HUGE_VAL, high = -HUGE_VAL;
    while (std::getline(in, line)) {
        if (line.rfind("v ", 0) != 0) continue;
        std::istringstream fields(line.substr(2));
        double x, y, z;
        fields >> x >> y >> z;
        low = std::min(low, z);
        high = std::max(high, z);
    }
    return {low, high};
}

class SceneTest : public ViewerSession {
protected:
    // The settled picture of the reference program for this camera, in a fresh run, of
    // the sample scene or of the scene in `folder`: unchanged for `quiet`, which must
    // outlast a frame.
    Picture reference(const std::vector<std::string>& args, const std::string& folder = "",
                      Millis quiet = settledQuiet) {
        App& app = startReference(folder.empty() ? sceneFolder() : folder, args);
        Picture picture;
        EXPECT_TRUE(waitStarted(app, &picture));
        if (quiet > settledQuiet)
            if (auto settled = captureSettled(display(), app.window(), settleLimit, quiet)) picture = std::move(*settled);
        EXPECT_TRUE(quitsWith(app, XK_Escape));
        return picture;
    }

    // Equal pictures, or a failure naming where they differ, with both saved.
    ::testing::AssertionResult samePicture(const Picture& viewer, const Picture& expected, const char* what) {
        if (viewer == expected) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << what << ": " << describeDifference(viewer, expected) << "; saved as "
               << savePicture(viewer, std::string(what) + "-viewer") << " and "
               << savePicture(expected, std::string(what) + "-expected");
    }

    // Each grove copy shows at the height of its middle, and sky shows above its top.
    ::testing::AssertionResult groveWhereExpected(const Picture& picture) {
        const auto [low, high] = heightRange(config().sourceDir + "/scenes/demo/2.obj");
        const Rgb sky = skyPixel();
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < 5; ++column) {
                const Point middle = project(copyPoint(row, column, (low + high) / 2), picture.width, picture.height);
                const Point above =
                    project(copyPoint(row, column, high + (high - low) / 2), picture.width, picture.height);
                if (picture.at(middle.x, middle.y) == sky)
                    return ::testing::AssertionFailure() << "copy (" << row << ", " << column << ") missing at ("
                                                         << middle.x << ", " << middle.y << ")";
                if (picture.at(above.x, above.y) != sky)
                    return ::testing::AssertionFailure() << "something drawn above copy (" << row << ", " << column
                                                         << ") at (" << above.x << ", " << above.y << ")";
            }
        return ::testing::AssertionSuccess();
    }
};

// Start-up must not turn the camera: no turn from its own pointer placement, and no
// drift while the mouse rests. The picture is also the project's screenshot.
TEST_F(SceneTest, ViewStaysExactlyAtTheStartUpCameraUntilTheUserMoves) {
    App& viewer = startViewer(sceneFolder());
    Picture atStart;
    ASSERT_TRUE(waitStarted(viewer, &atStart));
    const std::string folder = config().artifactDir.empty() ? "." : config().artifactDir;
    std::filesystem::create_directories(folder);
    writePng(atStart, folder + "/screenshot.png");
    std::this_thread::sleep_for(Millis(1000));
    const Picture later = capture(display(), viewer.window());
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));

    // Equal blank pictures would prove nothing about the camera.
    ASSERT_LT(pixelsOf(atStart, skyPixel()), static_cast<long>(atStart.pixels.size())) << "the scene is not drawn";
    EXPECT_TRUE(samePicture(later, atStart, "a-second-later"));
    EXPECT_TRUE(samePicture(atStart, reference({}), "start-up"));
}

// 10 pixels at 0.1 degree per pixel: exactly Qy(1) ⊗ Qy(180) and pitch 1, which also
// shows that the pointer rested on the anchor before the move.
TEST_F(SceneTest, TenPixelMoveTurnsExactlyOneDegreeOfYawAndOfPitch) {
    App& viewer = startViewer(sceneFolder());
    Picture atStart;
    ASSERT_TRUE(waitStarted(viewer, &atStart));
    const Point rest = startRest();
    input().moveTo(rest.x + 10, rest.y + 10);
    EXPECT_TRUE(pointerComesTo(rest)) << "the pointer did not return to the anchor";
    const auto moved = captureSettled(display(), viewer.window(), settleLimit);
    ASSERT_TRUE(moved);
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));

    EXPECT_NE(*moved, atStart) << "the movement did not turn the view";
    EXPECT_TRUE(samePicture(*moved, reference({"1", "1"}), "yaw-1-pitch-1"));
}

TEST_F(SceneTest, EmptySkyIsExactlyTheClearColourAndTheGroveStandsWhereExpected) {
    App& viewer = startViewer(sceneFolder());
    Picture picture;
    ASSERT_TRUE(waitStarted(viewer, &picture));
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
    const Rgb sky = skyPixel();
    long notSky = 0;
    const int skyRows = static_cast<int>(skyShare * picture.height);
    for (int y = 0; y < skyRows; ++y)
        for (int x = 0; x < picture.width; ++x) notSky += picture.at(x, y) != sky;
    EXPECT_EQ(notSky, 0) << "pixels of the top rows that are not (136, 170, 198)";
    EXPECT_TRUE(groveWhereExpected(picture));
}

// Keys move the target; the camera eases toward it a tenth of the gap per frame, so
// the picture keeps changing for a while (more than one jump) and then holds still.
TEST_F(SceneTest, ArrowKeyGlidesOverSeveralFramesThenSettles) {
    if (desktop().startMonitor().height < glideMinimumHeight) GTEST_SKIP() << "too small to follow a glide";
    App& viewer = startViewer(sceneFolder());
    Picture atStart;
    ASSERT_TRUE(waitStarted(viewer, &atStart));
    for (int i = 0; i < glideSteps; ++i) input().tapKey(XK_Up);
    int distinct = 0;
    Picture last = atStart;
    bool settled = waitUntil(
        [&] {
            Picture now = capture(display(), viewer.window());
            if (now != last) {
                ++distinct;
                last = std::move(now);
                return false;
            }
            // Unchanged once after it moved is not enough: frames come every few ms.
            return distinct > 0 && captureSettled(display(), viewer.window(), Millis(2000)) == last;
        },
        glideLimit, Millis(0));
    EXPECT_TRUE(settled) << "the picture never settled";
    // The taps are sent at once and reach the viewer within one frame, so a camera that
    // jumped to its target would change the picture once; a busy machine may catch only
    // one in-between picture of a glide.
    EXPECT_GE(distinct, 2) << "the view jumped instead of gliding";
    EXPECT_NE(last, atStart);
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

// In a 640x480 window the projection follows the window's size. A +10, +10 move in the
// window and another back in full screen turn by exactly those moves: nothing is left
// over from the switches, which move the window under the pointer.
TEST_F(SceneTest, F11OutAndBackTurnsOnlyByTheMovesMadeInEachMode) {
    App& viewer = startViewer(sceneFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    input().tapKey(XK_F11);
    const auto window = waitWindowedAndPlaced(viewer, modeChangeLimit);
    ASSERT_TRUE(window);
    const Point inWindow = restIn(*window);
    // The server reads back only what shows on screen.
    if (desktop().startMonitor().contains(Point{window->x + window->width - 1, window->y + window->height - 1})) {
        const auto windowed = captureSettled(display(), viewer.window(), settleLimit);
        ASSERT_TRUE(windowed);
        EXPECT_TRUE(groveWhereExpected(*windowed)) << "in the window";
    }
    input().moveTo(inWindow.x + 10, inWindow.y + 10);
    ASSERT_TRUE(pointerComesTo(inWindow));
    ASSERT_TRUE(waitFocused(viewer));
    input().tapKey(XK_F11);
    ASSERT_TRUE(viewer.waitCoversMonitor(modeChangeLimit));
    const Point rest = startRest();
    ASSERT_TRUE(pointerComesTo(rest));
    input().moveTo(rest.x + 10, rest.y + 10);
    ASSERT_TRUE(pointerComesTo(rest));
    const auto after = captureSettled(display(), viewer.window(), settleLimit);
    ASSERT_TRUE(after);
    ASSERT_TRUE(waitFocused(viewer));
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
    // Pitch 1 + 1, and two turns of 1 degree one after the other.
    EXPECT_TRUE(samePicture(*after, reference({"2", "1", "1"}), "two-moves"));
}

// A mouse reporting 1000 times a second while the viewer draws: every pixel of travel
// turns the camera once, however the window system batches the reports and however long
// a frame takes. Judged on the whole turn: the picture against the reference at the
// total, within far fewer pixels than one pixel of travel more would change.
struct Storm {
    const char* name;
    int moves;
    int dx, dy;  // px per report
    bool heavy;  // a scene that keeps frames slow
};

void PrintTo(const Storm& s, std::ostream* out) { *out << s.name; }

constexpr std::chrono::microseconds reportPeriod(1000);  // a 1000 Hz mouse
constexpr double degreesPerPixel = 0.1;
// A picture within a tenth of the pixels that one pixel of travel more changes shows no
// pixel counted twice nor lost (float rounding over hundreds of steps moves a few edge
// pixels at most).
constexpr long toleranceShare = 10;
// The grid model's triangles drawn this many times over: the same picture as the
// sample scene, at several times its frame time (the copies fall on the same pixels).
constexpr int heavyRepeats = 2000;
// Long enough for a frame of the heavy scene on the largest screen, so that a picture
// taken as settled is a whole frame.
constexpr Millis heavyQuiet(1500);
constexpr int pointerSampleEvery = 10;  // reports between looks at where the pointer is

class FastMouseTest : public SceneTest, public ::testing::WithParamInterface<Storm> {
protected:
    // The sample scene with its grid model's faces repeated: the same picture, slower.
    std::string heavySceneFolder() {
        const std::string folder = sceneFolder();
        std::ifstream in(folder + "/2.obj");
        std::string line, points, faces;
        while (std::getline(in, line)) (line.rfind("f ", 0) == 0 ? faces : points) += line + "\n";
        std::string heavy = points;
        for (int i = 0; i < heavyRepeats; ++i) heavy += faces;
        writeFile(folder + "/2.obj", heavy);
        return folder;
    }

    // Sends the storm, each report at its own deadline 1 ms after the one before, and
    // notes the pointer's farthest reach from where it started on each side.
    void sendStorm(const Storm& storm, Point& low, Point& high) {
        low = high = pointerPosition(display());
        timespec deadline;
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        for (int i = 0; i < storm.moves; ++i) {
            deadline.tv_nsec += std::chrono::nanoseconds(reportPeriod).count();
            if (deadline.tv_nsec >= 1000000000L) deadline.tv_nsec -= 1000000000L, ++deadline.tv_sec;
            while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
            }
            input().moveBy(storm.dx, storm.dy);
            if (i % pointerSampleEvery == 0) {
                const Point p = pointerPosition(display());
                low = Point{std::min(low.x, p.x), std::min(low.y, p.y)};
                high = Point{std::max(high.x, p.x), std::max(high.y, p.y)};
            }
        }
    }
};

TEST_P(FastMouseTest, TurnsByTheWholeTravelEachPixelOnce) {
    const Storm storm = GetParam();
    const std::string folder = storm.heavy ? heavySceneFolder() : sceneFolder();
    const std::string record = folder + "/camera.txt";
    std::vector<std::string> environment;
    if (!config().recorder.empty() && config().launcher.empty())
        environment = {"LD_PRELOAD=" + config().recorder, "VIEW_RECORD=" + record};
    // Away from where the viewer will rest it, so that finding it there shows the viewer
    // has placed it: on a small screen the server's own start position is that point.
    const Area first = desktop().startMonitor();
    input().moveTo(first.x + first.width * 3 / 4, first.y + first.height * 3 / 4);
    App& viewer = startViewer(folder, environment);
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    const auto framesBefore = readRecordedCamera(record);
    const auto started = std::chrono::steady_clock::now();
    Point low, high;
    sendStorm(storm, low, high);
    const auto sent = std::chrono::steady_clock::now();
    const bool rested = pointerComesTo(startRest(), settleLimit);
    const Millis quiet = storm.heavy ? heavyQuiet : settledQuiet;
    const auto moved = captureSettled(display(), viewer.window(), settleLimit, quiet);
    ASSERT_TRUE(moved);
    const auto camera = readRecordedCamera(record);
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
    EXPECT_TRUE(rested) << "the pointer did not come back to rest";

    const double wantYaw = storm.moves * storm.dx * degreesPerPixel;
    const double wantPitch = storm.moves * storm.dy * degreesPerPixel;
    const Picture expected = reference({std::to_string(wantPitch), std::to_string(wantYaw)}, folder, quiet);
    const Picture onePixelOn =
        reference({std::to_string(wantPitch), std::to_string(wantYaw + degreesPerPixel)}, folder, quiet);
    const long onePixel = differingPixels(expected, onePixelOn);
    const long off = differingPixels(*moved, expected);

    // One line for the log: the travel, the turn read back (native viewer), the picture.
    char figure[200];
    std::snprintf(figure, sizeof figure, "%+d, %+d px in %.0f ms: want yaw %+.2f pitch %+.2f",
                  storm.moves * storm.dx, storm.moves * storm.dy,
                  std::chrono::duration<double, std::milli>(sent - started).count(), wantYaw, wantPitch);
    std::string line = figure;
    if (camera) {
        std::snprintf(figure, sizeof figure, ", turned yaw %+.2f pitch %+.2f", nearestTurn(camera->yaw, wantYaw),
                      nearestTurn(camera->pitch, wantPitch));
        line += figure;
        if (framesBefore) line += " (" + std::to_string(camera->frames - framesBefore->frames) + " frames)";
    }
    const bool edge = low.x <= 0 || low.y <= 0 || high.x >= desktop().screenWidth - 1 ||
                      high.y >= desktop().screenHeight - 1;
    std::snprintf(figure, sizeof figure, "; %ld pixels off the total's picture (one pixel more: %ld)", off, onePixel);
    line += figure;
    std::snprintf(figure, sizeof figure, "; pointer within x %d..%d, y %d..%d%s", low.x, high.x, low.y, high.y,
                  edge ? " (at a screen edge)" : "");
    line += figure;
    reportFigure("fast mouse", line);

    ASSERT_GT(onePixel, 0) << "one pixel of travel must show";
    EXPECT_LE(off, onePixel / toleranceShare)
        << line << "\nsaved as " << savePicture(*moved, "viewer") << " and " << savePicture(expected, "expected");
}

INSTANTIATE_TEST_SUITE_P(Storms, FastMouseTest,
                         ::testing::Values(Storm{"TwoRight", 200, 2, 0, false}, Storm{"LeftAndDown", 150, -1, 2, false},
                                           Storm{"SixRightPastTheScreen", 400, 6, 0, false},
                                           Storm{"SixRightPastTheScreenSlowFrames", 400, 6, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });
}  // namespace
