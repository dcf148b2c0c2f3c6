#include "input/Pointer.h"

#include <GL/glut.h>

#include "input/PointerSystem.h"

namespace {
// The settle check runs about once a frame, so the placement follows the new geometry
// within a frame or two.
constexpr unsigned checkIntervalMs = 10;
// A window system that never grants the geometry still gets the pointer placed after
// this many checks (about 1.5 s), where it cannot turn the camera either.
constexpr int fallbackChecks = 150;
// Checks (about 10 s) during which a geometry granted late still gets the pointer put
// on its anchor: some compositors take seconds to leave full screen.
constexpr int watchChecks = 1000;
// Checks in a row (about 50 ms) that a window must hold still to count as settled
// without covering a monitor: a manager may restore a size and then move the window.
constexpr int stillChecks = 5;

struct PointerState {
    bool restKnown = false;
    ScreenPoint rest;
    ScreenPoint lastTarget;  // window coordinates of the last placement asked for
    bool pending = false;    // a placement waits for the window to settle; motion turns nothing
    bool watching = false;   // the settle check runs (also for a while after the fallback)
    bool fullScreen = false;
    ScreenPoint target;
    int checks = 0;
    int stillFor = 0;
    ScreenRect seen;
    ScreenRect asked;  // the window when the placement was asked for
} state;

// Full screen: the window covers a monitor exactly; or the window manager reports the
// state, has changed the window's size and holds it still (a manager may keep a border
// or a panel). The state alone proves nothing: a toolkit may write it itself on a window
// not yet shown. Out of full screen: neither, and the window holds still (size and
// place may come apart).
bool settled(bool fullScreen) {
    ScreenRect area;
    if (!windowArea(area)) {
        state.stillFor = 0;
        return false;
    }
    state.stillFor = area == state.seen ? state.stillFor + 1 : 0;
    state.seen = area;
    const bool still = state.stillFor >= stillChecks;
    const bool covers = coversMonitor(monitorAreas(), area);
    const bool reported = windowReportedFullScreen();
    const bool resized = area.width != state.asked.width || area.height != state.asked.height;
    if (fullScreen) return covers || (reported && resized && still);
    return !covers && !reported && still;
}

// Where a placement on (x, y) of the window comes to rest, in window coordinates: the
// point itself when the pointer can reach it there (on a monitor and over the window);
// else the centre of the part of the window its monitor shows, so that looking works
// in every direction. The anchor itself stays as it is.
ScreenPoint reachable(const ScreenRect& area, int x, int y) {
    const std::vector<ScreenRect> monitors = monitorAreas();
    const int screenX = area.x + x, screenY = area.y + y;
    if (area.contains(screenX, screenY))
        for (const ScreenRect& m : monitors)
            if (m.contains(screenX, screenY)) return ScreenPoint{x, y};
    const ScreenRect visible = intersection(area, monitorShowing(monitors, area));
    if (visible.empty()) return ScreenPoint{x, y};  // nothing of it shows: the system decides
    return ScreenPoint{visible.x + visible.width / 2 - area.x, visible.y + visible.height / 2 - area.y};
}

void placeNow(int x, int y) {
    const bool sameTarget = state.restKnown && state.lastTarget == ScreenPoint{x, y};
    // On its way to the same point, or already there: another placement would only come
    // back as one more motion event. Checked first: the window's geometry is a round
    // trip to the window system, and a fast mouse brings many events.
    if (sameTarget && placementOnItsWay()) return;
    ScreenPoint now;
    if (sameTarget && pointerPosition(now) && now == state.rest) return;
    ScreenRect area;
    if (!windowArea(area)) {
        state.restKnown = false;
        return;
    }
    const ScreenPoint inWindow = reachable(area, x, y);
    state.rest = warpPointer(ScreenPoint{area.x + inWindow.x, area.y + inWindow.y}, area);
    state.lastTarget = ScreenPoint{x, y};
    state.restKnown = true;
}

void checkSettled(int /*value*/) {
    if (!state.watching) return;
    ++state.checks;
    const bool done = settled(state.fullScreen);
    if (done || state.checks == fallbackChecks) {
        state.pending = false;
        placeNow(state.target.x, state.target.y);
    }
    if (done || state.checks >= watchChecks) {
        state.watching = false;
        return;
    }
    glutTimerFunc(checkIntervalMs, checkSettled, 0);
}
}  // namespace

void hidePointer() {
    if (bindPointerSystem()) hideSystemPointer();
}

// The toolkit shows the window and applies a new geometry only once its loop runs, so
// the placement waits for that: made earlier, it would land off the anchor.
void placePointerWhenSettled(int x, int y, bool fullScreen) {
    if (!bindPointerSystem()) return;
    const bool checking = state.watching;
    pauseTravel();
    state.restKnown = false;
    state.pending = true;
    state.watching = true;
    state.fullScreen = fullScreen;
    state.target = ScreenPoint{x, y};
    state.checks = 0;
    state.stillFor = 0;
    state.seen = ScreenRect{};
    if (!windowArea(state.asked)) state.asked = ScreenRect{};
    if (!checking) glutTimerFunc(checkIntervalMs, checkSettled, 0);
}

void placePointerInWindow(int x, int y) {
    if (!bindPointerSystem() || state.pending) return;
    placeNow(x, y);
}

void notePointerRest(int x, int y) {
    ScreenRect area;
    if (!bindPointerSystem() || !windowArea(area)) return;
    state.rest = ScreenPoint{area.x + x, area.y + y};
    state.restKnown = true;
}

bool pointerTravel(int x, int y, double& dx, double& dy) {
    if (!bindPointerSystem() || state.pending || !state.restKnown) return false;
    travelSince(x, y, state.rest, dx, dy);
    return true;
}
