// The pointer layer, seen from outside: where the viewer puts the pointer, and that it
// never answers its own placement with another one.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "Config.h"
#include "MotionWatch.h"
#include "ViewerSession.h"

using namespace e2e;

namespace {
constexpr Point anchor{320, 240};            // start-up anchor, window pixels
constexpr Millis restPeriod(1000);           // how long a resting pointer is watched
constexpr Millis placementLimit(5000);       // for the viewer to answer a movement
constexpr Millis modeChangeLimit(10000);

// Until the pointer rests at `where` (screen pixels).
bool pointerComesTo(Display* display, Point where) {
    return waitUntil([&] { return pointerPosition(display) == where; }, placementLimit);
}

// "3 events: (320, 240) (320, 240) (320, 240)", the first few of them.
std::string describe(const std::vector<Point>& points) {
    constexpr std::size_t shown = 8;
    std::string text = std::to_string(points.size()) + " events:";
    for (std::size_t i = 0; i < points.size() && i < shown; ++i)
        text += " (" + std::to_string(points[i].x) + ", " + std::to_string(points[i].y) + ")";
    return points.size() > shown ? text + " ..." : text;
}

class PointerTest : public ViewerSession {};

// Start-up places the pointer only once the window covers the screen: placed any
// earlier, it would land off the anchor of the full-screen window.
TEST_F(PointerTest, ComesToRestOnTheAnchorOnceFullScreen) {
    movePointer(display(), 900, 700);  // somewhere the placement must move it from
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(viewer.waitCoversScreen(fullScreenLimit));
    EXPECT_TRUE(pointerComesTo(display(), anchor)) << "pointer at (" << pointerPosition(display()).x << ", "
                                                   << pointerPosition(display()).y << ")";
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

// A placement at the pointer's own position still makes a motion event, which would
// make the viewer place it again, without end.
TEST_F(PointerTest, SendsNoStreamOfMotionEventsWhileTheMouseRests) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    // wine's X11 driver reads core events; the toolkit on X11 reads XInput 2.
    MotionWatch watch(display(), viewer.window(),
                      config().launcher.empty() ? MotionWatch::Listen::XInput2 : MotionWatch::Listen::Core);
    const auto atRest = watch.collect(restPeriod);
    EXPECT_TRUE(atRest.empty()) << "motion at rest: " << describe(atRest);

    // One movement: the test's own event, then exactly one placement back on the anchor.
    movePointer(display(), anchor.x + 10, anchor.y + 10);
    ASSERT_TRUE(pointerComesTo(display(), anchor));
    const auto afterMove = watch.collect(restPeriod);
    const std::vector<Point> expected = {{anchor.x + 10, anchor.y + 10}, anchor};
    EXPECT_EQ(afterMove, expected) << "seen: " << describe(afterMove);
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

TEST_F(PointerTest, MovementReturnsThePointerToTheAnchor) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    for (const Point to : {Point{700, 500}, Point{10, 5}, Point{321, 240}}) {
        movePointer(display(), to.x, to.y);
        EXPECT_TRUE(pointerComesTo(display(), anchor)) << "after a move to (" << to.x << ", " << to.y << ")";
    }
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

TEST_F(PointerTest, LeftPressMovesTheAnchorToThePressedPoint) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    const Point pressed{500, 400};
    moveAndPress(display(), pressed.x, pressed.y, Button1);
    releaseButton(display(), Button1);
    movePointer(display(), pressed.x + 25, pressed.y - 15);
    EXPECT_TRUE(pointerComesTo(display(), pressed))
        << "pointer at (" << pointerPosition(display()).x << ", " << pointerPosition(display()).y << ")";
    // The right button leaves the anchor alone.
    moveAndPress(display(), 100, 100, Button3);
    releaseButton(display(), Button3);
    EXPECT_TRUE(pointerComesTo(display(), pressed));
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

// Out of full screen the anchor is still a point of the window, wherever the window is.
TEST_F(PointerTest, InAWindowMovementReturnsThePointerToTheWindowsAnchor) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    tapKey(display(), XK_F11);
    ASSERT_TRUE(viewer.waitSize(640, 480, modeChangeLimit));
    const auto window = viewer.geometry();
    ASSERT_TRUE(window);
    movePointer(display(), window->x + anchor.x + 30, window->y + anchor.y - 20);
    EXPECT_TRUE(pointerComesTo(display(), Point{window->x + anchor.x, window->y + anchor.y}))
        << "window at (" << window->x << ", " << window->y << "), pointer at (" << pointerPosition(display()).x
        << ", " << pointerPosition(display()).y << ")";
    ASSERT_TRUE(waitFocused(viewer));
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}
}  // namespace
