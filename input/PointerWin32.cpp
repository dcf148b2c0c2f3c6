#include <GL/glut.h>
#include <windows.h>

#include "input/Pointer.h"

// The pointer through the Windows user-interface calls, on the window of the current
// GL context. The rest point is kept in screen coordinates: Windows sends a mouse-move
// message when a window is shown, resized or made full screen although the pointer
// did not move, and such a message then arrives at the rest point and turns nothing.
namespace {
constexpr unsigned pollIntervalMs = 10;
// Long enough for any desktop to settle a full-screen request.
constexpr int pollAttempts = 300;  // 3 s
// Polls in a row (50 ms) that a window out of full screen must keep its place and size
// to count as settled: a window manager under wine may move it after Windows placed it.
constexpr int stillPolls = 5;
// More than any toolkit raises the pointer's display count.
constexpr int hideCallLimit = 16;

struct PointerState {
    HWND window = nullptr;
    bool hidden = false;
    bool restKnown = false;
    POINT rest{};          // screen coordinates
    POINT lastTarget{};    // window coordinates of the last placement asked for
    bool pending = false;  // a placement waits for the window to settle
    bool pendingFullScreen = false;
    POINT pendingTarget{};
    int attemptsLeft = 0;
    RECT seen{};       // the client area at the last poll, in screen coordinates
    int stillFor = 0;  // polls in a row the window has kept its place and size
} state;

bool bindCurrentWindow() {
    if (state.window == nullptr) state.window = WindowFromDC(wglGetCurrentDC());
    return state.window != nullptr;
}

POINT clientOrigin() {
    POINT origin{0, 0};
    ClientToScreen(state.window, &origin);
    return origin;
}

bool samePoint(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

bool heldStill() {
    RECT area{};
    GetClientRect(state.window, &area);
    const POINT origin = clientOrigin();
    OffsetRect(&area, origin.x, origin.y);
    state.stillFor = EqualRect(&area, &state.seen) ? state.stillFor + 1 : 0;
    state.seen = area;
    return state.stillFor >= stillPolls;
}

// True when the window is shown and its client area is exactly its monitor.
bool coversMonitor() {
    if (!IsWindowVisible(state.window)) return false;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(state.window, MONITOR_DEFAULTTONEAREST), &monitor)) return false;
    RECT client;
    if (!GetClientRect(state.window, &client)) return false;
    const POINT origin = clientOrigin();
    return origin.x == monitor.rcMonitor.left && origin.y == monitor.rcMonitor.top &&
           client.right == monitor.rcMonitor.right - monitor.rcMonitor.left &&
           client.bottom == monitor.rcMonitor.bottom - monitor.rcMonitor.top;
}

// Where a placement on (x, y) of the window comes to rest, in window coordinates: the
// point itself when the pointer can reach it there (on a monitor and over the window);
// else the centre of the part of the window its monitor shows, so that looking works
// in every direction. The anchor itself stays as it is.
POINT reachable(POINT origin, int x, int y) {
    RECT client;
    if (!GetClientRect(state.window, &client)) return POINT{x, y};
    const RECT area{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    const POINT onScreen{origin.x + x, origin.y + y};
    if (PtInRect(&area, onScreen) && MonitorFromPoint(onScreen, MONITOR_DEFAULTTONULL) != nullptr)
        return POINT{x, y};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT visible;
    if (!GetMonitorInfoA(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !IntersectRect(&visible, &area, &monitor.rcMonitor))
        return POINT{x, y};  // nothing of it shows: Windows decides
    return POINT{(visible.left + visible.right) / 2 - origin.x, (visible.top + visible.bottom) / 2 - origin.y};
}

void placeNow(int x, int y) {
    const POINT origin = clientOrigin();
    POINT now;
    const bool known = GetCursorPos(&now);
    const POINT asked{x, y};
    // Already where a placement on this point came to rest: placing it again would
    // only come back as one more mouse-move message.
    if (state.restKnown && known && samePoint(asked, state.lastTarget) && samePoint(now, state.rest)) return;
    const POINT target = reachable(origin, x, y);
    const POINT onScreen{origin.x + target.x, origin.y + target.y};
    if (!(known && samePoint(now, onScreen))) SetCursorPos(onScreen.x, onScreen.y);
    state.lastTarget = asked;
    // Windows keeps the pointer on the screen: the rest point is where it landed.
    state.restKnown = GetCursorPos(&state.rest);
}

void placeWhenSettled(int /*value*/) {
    if (!state.pending) return;
    const bool still = heldStill();
    const bool settled =
        state.pendingFullScreen ? coversMonitor() : IsWindowVisible(state.window) && !coversMonitor() && still;
    if (!settled && --state.attemptsLeft > 0) {
        glutTimerFunc(pollIntervalMs, placeWhenSettled, 0);
        return;
    }
    state.pending = false;
    placeNow(state.pendingTarget.x, state.pendingTarget.y);
}
}  // namespace

// Windows shows the pointer while a per-thread count is at least zero. The toolkit
// raises the count when it creates its window, so one call may not be enough: the
// count is lowered until it is below zero, and nothing raises it again.
void hidePointer() {
    if (state.hidden) return;
    for (int calls = 0; calls < hideCallLimit && ShowCursor(FALSE) >= 0; ++calls) {
    }
    state.hidden = true;
}

// The toolkit shows the window and applies a new geometry only once its loop runs, so
// the placement waits for that: made earlier, it would land off the anchor.
void placePointerWhenSettled(int x, int y, bool fullScreen) {
    if (!bindCurrentWindow()) return;
    const bool polling = state.pending;
    state.restKnown = false;
    state.pending = true;
    state.pendingFullScreen = fullScreen;
    state.pendingTarget = POINT{x, y};
    state.attemptsLeft = pollAttempts;
    state.stillFor = 0;
    if (!polling) glutTimerFunc(pollIntervalMs, placeWhenSettled, 0);
}

void placePointerInWindow(int x, int y) {
    if (!bindCurrentWindow() || state.pending) return;
    placeNow(x, y);
}

void notePointerRest(int x, int y) {
    if (!bindCurrentWindow()) return;
    const POINT origin = clientOrigin();
    state.rest = POINT{origin.x + x, origin.y + y};
    state.restKnown = true;
}

bool pointerRestPoint(int& x, int& y) {
    if (!bindCurrentWindow() || !state.restKnown) return false;
    const POINT origin = clientOrigin();
    x = state.rest.x - origin.x;
    y = state.rest.y - origin.y;
    return true;
}
