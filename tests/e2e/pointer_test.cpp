// The pointer layer, seen from outside: where the viewer puts the pointer, and that it
// never answers its own placement with another one.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "Config.h"
#include "MotionWatch.h"
#include "ViewerSession.h"

using namespace e2e;

namespace {
using Clock = std::chrono::steady_clock;
constexpr Millis restPeriod(1000);      // how long a resting pointer is watched
constexpr Millis startPlacementLimit(1000);  // from full screen to the pointer at rest
constexpr int stormMoves = 200;

std::string describe(Point p) { return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")"; }

// "(100, 100) 640x480", or what keeps the window from showing.
std::string describe(const std::optional<Geometry>& g) {
    if (!g) return "gone";
    return describe(Point{g->x, g->y}) + " " + std::to_string(g->width) + "x" + std::to_string(g->height) +
           (g->viewable ? "" : " unmapped");
}

// "3 events: (320, 240) (320, 240) (320, 240)", the first few of them.
std::string describe(const std::vector<Point>& points) {
    constexpr std::size_t shown = 8;
    std::string text = std::to_string(points.size()) + " events:";
    for (std::size_t i = 0; i < points.size() && i < shown; ++i) text += " " + describe(points[i]);
    return points.size() > shown ? text + " ..." : text;
}

class PointerTest : public ViewerSession {
protected:
    // wine's X11 driver reads core events; the toolkit on X11 reads XInput 2.
    static MotionWatch::Listen listening() {
        return config().launcher.empty() ? MotionWatch::Listen::XInput2 : MotionWatch::Listen::Core;
    }
    bool pointerGrabbedByAnother() const {
        if (XGrabPointer(display(), DefaultRootWindow(display()), False, 0, GrabModeAsync, GrabModeAsync, None,
                         None, CurrentTime) != GrabSuccess)
            return true;
        XUngrabPointer(display(), CurrentTime);
        XSync(display(), False);
        return false;
    }
    // A screen point in the window of the start monitor's origin, as motion reports it.
    Point inWindow(Point onScreen) const {
        const Area m = desktop().startMonitor();
        return Point{onScreen.x - m.x, onScreen.y - m.y};
    }
};

// Start-up places the pointer as soon as the window covers its monitor, and only then:
// placed any earlier, it would land off the anchor of the full-screen window.
TEST_F(PointerTest, ComesToRestWithinASecondOfFullScreen) {
    // Far from where it must go: on the last monitor, near its far corner.
    input().moveTo(desktop().screenWidth - 100, desktop().screenHeight - 50);
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(viewer.waitCoversMonitor(fullScreenLimit));
    const auto fullScreen = Clock::now();
    const bool placed =
        waitUntil([&] { return pointerPosition(display()) == startRest(); }, fullScreenLimit, Millis(1));
    const auto ms = std::chrono::duration_cast<Millis>(Clock::now() - fullScreen).count();
    ASSERT_TRUE(placed) << "pointer at " << describe(pointerPosition(display())) << ", not "
                        << describe(startRest());
    reportFigure("full screen to pointer at rest, ms", std::to_string(ms));
    EXPECT_LE(ms, startPlacementLimit.count());
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

// A placement at the pointer's own position, or one the screen edge clamps, still makes a
// motion event, which would make the viewer place it again, without end.
TEST_F(PointerTest, SendsNoStreamOfMotionEventsWhileTheMouseRests) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    MotionWatch watch(display(), viewer.window(), listening());
    const auto atRest = watch.collect(restPeriod);
    reportFigure("motion events in a second at rest", std::to_string(atRest.size()));
    EXPECT_TRUE(atRest.empty()) << "motion at rest: " << describe(atRest);

    // One movement: the test's own event, then exactly one placement back to rest.
    const Point rest = startRest();
    input().moveTo(rest.x + 10, rest.y + 10);
    ASSERT_TRUE(pointerComesTo(rest));
    const auto afterMove = watch.collect(restPeriod);
    // A program that holds the pointer in its window through a grab of its own (wine
    // while it clips the pointer) takes every motion event: none can be watched here.
    if (!pointerGrabbedByAnother()) {
        const std::vector<Point> expected = {inWindow(Point{rest.x + 10, rest.y + 10}), inWindow(rest)};
        EXPECT_EQ(afterMove, expected) << "seen: " << describe(afterMove);
    }
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

TEST_F(PointerTest, MotionStopsWithinASecondOfAStormOfQuickMoves) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    MotionWatch watch(display(), viewer.window(), listening());
    for (int i = 0; i < stormMoves; ++i) input().moveBy(i % 2 == 0 ? 7 : -4, i % 3 == 0 ? -5 : 3);
    const auto storm = watch.collect(Millis(1000));
    const auto after = watch.collect(restPeriod);
    EXPECT_TRUE(after.empty()) << "still moving a second after the storm: " << describe(after) << " (during it "
                               << storm.size() << ")";
    EXPECT_EQ(pointerPosition(display()), startRest()) << "at " << describe(pointerPosition(display()));
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

TEST_F(PointerTest, MovementReturnsThePointerToTheAnchor) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    for (const Point to : {Point{700, 500}, Point{10, 5}, Point{321, 240}}) {
        input().moveTo(to.x, to.y);
        EXPECT_TRUE(pointerComesTo(startRest())) << "after a move to " << describe(to);
    }
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

// On a small monitor the press lands on its far corner: an anchor on the edge.
TEST_F(PointerTest, LeftPressMovesTheAnchorToThePressedPoint) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    const Area m = desktop().startMonitor();
    const Point pressed{m.x + std::min(500, m.width - 1), m.y + std::min(400, m.height - 1)};
    input().moveAndPress(pressed.x, pressed.y, Button1);
    input().releaseButton(Button1);
    input().moveTo(pressed.x - 25, pressed.y - 15);
    EXPECT_TRUE(pointerComesTo(pressed)) << "pointer at " << describe(pointerPosition(display()));
    MotionWatch watch(display(), viewer.window(), listening());
    const auto atRest = watch.collect(restPeriod);
    EXPECT_TRUE(atRest.empty()) << "motion at rest on the pressed point: " << describe(atRest);
    // The right button leaves the anchor alone.
    input().moveAndPress(m.x + 100, m.y + 100, Button3);
    input().releaseButton(Button3);
    EXPECT_TRUE(pointerComesTo(pressed));
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

// Out of full screen the anchor is still a point of the window, wherever the window is.
TEST_F(PointerTest, InAWindowMovementReturnsThePointerToTheWindowsAnchor) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    input().tapKey(XK_F11);
    const auto window = waitWindowedAndPlaced(viewer, modeChangeLimit);
    ASSERT_TRUE(window) << "pointer at " << describe(pointerPosition(display())) << ", window "
                        << describe(viewer.geometry());
    const Point rest = restIn(*window);
    input().moveTo(rest.x + 30, rest.y - 20);
    EXPECT_TRUE(pointerComesTo(rest)) << "window at (" << window->x << ", " << window->y << "), pointer at "
                                      << describe(pointerPosition(display()));
    ASSERT_TRUE(waitFocused(viewer));
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}

// A window dragged so far that its anchor is off screen: every placement on the anchor
// would be clamped to the edge and come back as motion. The pointer rests on the middle
// of what shows of the window instead, and stays there.
TEST_F(PointerTest, WindowWithItsAnchorOffScreenKeepsThePointerStillOnItsVisiblePart) {
    App& viewer = startViewer(emptyFolder());
    ASSERT_TRUE(waitStarted(viewer, nullptr));
    input().tapKey(XK_F11);
    const auto before = waitWindowedAndPlaced(viewer, modeChangeLimit);
    ASSERT_TRUE(before);
    const Area m = desktop().startMonitor();
    XMoveWindow(display(), viewer.window(), m.x + m.width - 223, m.y + m.height - 148);
    XFlush(display());
    const auto moved = waitHeldStill(viewer, modeChangeLimit, Millis(100),
                                     [&](const Geometry& g) { return g.x != before->x || g.y != before->y; });
    ASSERT_TRUE(moved);
    const Point rest = restIn(*moved);
    ASSERT_FALSE(rest == (Point{moved->x + startAnchor.x, moved->y + startAnchor.y})) << "the anchor shows";
    MotionWatch watch(display(), viewer.window(), listening());
    input().moveTo(rest.x - 15, rest.y - 10);
    EXPECT_TRUE(pointerComesTo(rest)) << "window at (" << moved->x << ", " << moved->y << "), pointer at "
                                      << describe(pointerPosition(display()));
    watch.collect(Millis(200));
    const auto atRest = watch.collect(restPeriod);
    EXPECT_TRUE(atRest.empty()) << "motion at rest: " << describe(atRest);
    EXPECT_TRUE(quitsWith(viewer, XK_Escape));
}
}  // namespace
