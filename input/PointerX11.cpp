#include <GL/glut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include "input/Pointer.h"

// The pointer through Xlib, on the display and window of the current GL context
// (the toolkit draws straight into its X window). The rest point is kept in root
// coordinates, so that a window that moves under a still pointer turns nothing.
namespace {
constexpr unsigned pollIntervalMs = 10;
// Long enough for any window manager to settle a full-screen request.
constexpr int pollAttempts = 300;  // 3 s

struct Point {
    int x = 0, y = 0;
};

struct PointerState {
    Display* display = nullptr;
    Window window = 0;
    bool restKnown = false;
    Point rest;            // root coordinates
    Point lastTarget;      // window coordinates of the last placement asked for
    bool pending = false;  // a placement waits for the window to settle
    bool pendingFullScreen = false;
    Point pendingTarget;
    int attemptsLeft = 0;
} state;

bool bindCurrentWindow() {
    if (state.display == nullptr) {
        state.display = glXGetCurrentDisplay();
        state.window = glXGetCurrentDrawable();
    }
    return state.display != nullptr;
}

// The pointer in root coordinates; false when it is on another screen.
bool pointerOnRoot(Point& at) {
    Window root, child;
    int windowX, windowY;
    unsigned mask;
    return XQueryPointer(state.display, state.window, &root, &child, &at.x, &at.y, &windowX, &windowY, &mask);
}

Point windowOrigin() {
    Window child;
    Point origin;
    XTranslateCoordinates(state.display, state.window, DefaultRootWindow(state.display), 0, 0, &origin.x, &origin.y,
                          &child);
    return origin;
}

// True when the window is shown with its origin on the screen's and covers it.
bool coversScreen() {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(state.display, state.window, &attributes) || attributes.map_state != IsViewable)
        return false;
    const Point origin = windowOrigin();
    return origin.x == 0 && origin.y == 0 && attributes.width == WidthOfScreen(attributes.screen) &&
           attributes.height == HeightOfScreen(attributes.screen);
}

bool isViewable() {
    XWindowAttributes attributes;
    return XGetWindowAttributes(state.display, state.window, &attributes) && attributes.map_state == IsViewable;
}

void placeNow(int x, int y) {
    const Point origin = windowOrigin();
    Point now;
    const bool onScreen = pointerOnRoot(now);
    // Already where a placement on this point came to rest: a warp would only come
    // back as one more motion event.
    if (state.restKnown && onScreen && x == state.lastTarget.x && y == state.lastTarget.y && now.x == state.rest.x &&
        now.y == state.rest.y)
        return;
    if (!(onScreen && now.x == origin.x + x && now.y == origin.y + y)) {
        XWarpPointer(state.display, None, state.window, 0, 0, 0, 0, x, y);
        XSync(state.display, False);
    }
    state.lastTarget = Point{x, y};
    // The server clamps a placement to the screen: the rest point is where it landed.
    state.restKnown = pointerOnRoot(state.rest);
}

void placeWhenSettled(int /*value*/) {
    if (!state.pending) return;
    const bool settled = state.pendingFullScreen ? coversScreen() : isViewable() && !coversScreen();
    if (!settled && --state.attemptsLeft > 0) {
        glutTimerFunc(pollIntervalMs, placeWhenSettled, 0);
        return;
    }
    state.pending = false;
    placeNow(state.pendingTarget.x, state.pendingTarget.y);
}
}  // namespace

void hidePointer() { glutSetCursor(GLUT_CURSOR_NONE); }

// The toolkit shows the window and applies a new geometry only once its loop runs, so
// the placement waits for that: made earlier, it would land off the anchor.
void placePointerWhenSettled(int x, int y, bool fullScreen) {
    if (!bindCurrentWindow()) return;
    const bool polling = state.pending;
    state.restKnown = false;
    state.pending = true;
    state.pendingFullScreen = fullScreen;
    state.pendingTarget = Point{x, y};
    state.attemptsLeft = pollAttempts;
    if (!polling) glutTimerFunc(pollIntervalMs, placeWhenSettled, 0);
}

void placePointerInWindow(int x, int y) {
    if (!bindCurrentWindow() || state.pending) return;
    placeNow(x, y);
}

void notePointerRest(int x, int y) {
    if (!bindCurrentWindow()) return;
    const Point origin = windowOrigin();
    state.rest = Point{origin.x + x, origin.y + y};
    state.restKnown = true;
}

bool pointerRestPoint(int& x, int& y) {
    if (!bindCurrentWindow() || !state.restKnown) return false;
    const Point origin = windowOrigin();
    x = state.rest.x - origin.x;
    y = state.rest.y - origin.y;
    return true;
}
