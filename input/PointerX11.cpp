#include <GL/glut.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <vector>

#include "input/Pointer.h"
#include "input/ScreenX11.h"

// The pointer through Xlib, on the display and window of the current GL context
// (the toolkit draws straight into its X window). The rest point is kept in root
// coordinates, so that a window that moves under a still pointer turns nothing.
namespace {
// The settle check runs about once a frame, so the placement follows the new geometry
// within a frame or two.
constexpr unsigned checkIntervalMs = 10;
// A window manager that never grants the geometry still gets the pointer placed after
// this many checks (about 1.5 s). Where it lands then becomes the rest point, so even
// this placement turns nothing.
constexpr int fallbackChecks = 150;
// Checks in a row (about 50 ms) that a window must hold still to count as settled
// without covering a monitor: a manager may restore a size and then move the window.
constexpr int stillChecks = 5;

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

struct PointerState {
    Display* display = nullptr;
    Window window = 0;
    int inputOpcode = -1;  // of XInput 2, through which the toolkit takes motion
    Atom wmState = None, wmStateFullScreen = None;
    bool restKnown = false;
    Point rest;            // root coordinates
    Point lastTarget;      // window coordinates of the last placement asked for
    bool pending = false;  // a placement waits for the window to settle
    bool pendingFullScreen = false;
    Point pendingTarget;
    int checksLeft = 0;
    int stillFor = 0;  // checks in a row the window has kept its place
    ScreenRect seen;
    ScreenRect asked;  // the window when the placement was asked for
} state;

bool bindCurrentWindow() {
    if (state.display == nullptr) {
        state.display = glXGetCurrentDisplay();
        if (state.display == nullptr) return false;
        state.window = glXGetCurrentDrawable();
        int event, error;
        if (!XQueryExtension(state.display, "XInputExtension", &state.inputOpcode, &event, &error))
            state.inputOpcode = -1;
        state.wmState = XInternAtom(state.display, "_NET_WM_STATE", False);
        state.wmStateFullScreen = XInternAtom(state.display, "_NET_WM_STATE_FULLSCREEN", False);
    }
    return true;
}

// The pointer in root coordinates; false when it is on another screen.
bool pointerOnRoot(Point& at) {
    Window root, child;
    int windowX, windowY;
    unsigned mask;
    return XQueryPointer(state.display, state.window, &root, &child, &at.x, &at.y, &windowX, &windowY, &mask);
}

bool viewable() {
    XWindowAttributes attributes;
    return XGetWindowAttributes(state.display, state.window, &attributes) && attributes.map_state == IsViewable;
}

// The window manager has put the window in its full-screen state.
bool reportedFullScreen() {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    bool fullScreen = false;
    if (XGetWindowProperty(state.display, state.window, state.wmState, 0, 64, False, XA_ATOM, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && type == XA_ATOM && format == 32) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) fullScreen = fullScreen || atoms[i] == state.wmStateFullScreen;
    }
    if (data != nullptr) XFree(data);
    return fullScreen;
}

// Full screen: the window covers a monitor exactly; or the window manager reports the
// state, has changed the window's size and holds it still (a manager may keep a border
// or a panel). The state alone proves nothing: the toolkit writes it itself on a window
// not yet shown. Out of full screen: neither, and the window holds still (size and
// place may come apart).
bool settled(bool fullScreen) {
    ScreenRect area;
    if (!viewable() || !windowRect(state.display, state.window, area)) {
        state.stillFor = 0;
        return false;
    }
    state.stillFor = area == state.seen ? state.stillFor + 1 : 0;
    state.seen = area;
    const bool still = state.stillFor >= stillChecks;
    bool coversMonitor = false;
    for (const ScreenRect& m : monitorsOf(state.display)) coversMonitor = coversMonitor || m == area;
    const bool reported = reportedFullScreen();
    const bool resized = area.width != state.asked.width || area.height != state.asked.height;
    if (fullScreen) return coversMonitor || (reported && resized && still);
    return !coversMonitor && !reported && still;
}

// Where a placement on (x, y) of the window comes to rest, in window coordinates: the
// point itself when the pointer can reach it there (on a monitor and over the window);
// else the centre of the part of the window its monitor shows, so that looking works
// in every direction. The anchor itself stays as it is.
Point reachable(const ScreenRect& area, int x, int y) {
    const std::vector<ScreenRect> monitors = monitorsOf(state.display);
    const int rootX = area.x + x, rootY = area.y + y;
    if (area.contains(rootX, rootY))
        for (const ScreenRect& m : monitors)
            if (m.contains(rootX, rootY)) return Point{x, y};
    const ScreenRect visible = intersection(area, monitorShowing(monitors, area));
    if (visible.empty()) return Point{x, y};  // nothing of it shows: the server decides
    return Point{visible.x + visible.width / 2 - area.x, visible.y + visible.height / 2 - area.y};
}

void placeNow(int x, int y) {
    ScreenRect area;
    if (!windowRect(state.display, state.window, area)) {
        state.restKnown = false;
        return;
    }
    Point now;
    const bool onScreen = pointerOnRoot(now);
    // Already where a placement on this point came to rest: a warp would only come
    // back as one more motion event.
    if (state.restKnown && onScreen && x == state.lastTarget.x && y == state.lastTarget.y && now == state.rest)
        return;
    const Point target = reachable(area, x, y);
    // The query goes out with the warp, so the server answers it right after placing the
    // pointer, before any other client's input can move it on; a clamped placement
    // rests where it landed.
    if (!(onScreen && now == Point{area.x + target.x, area.y + target.y}))
        XWarpPointer(state.display, None, state.window, 0, 0, 0, 0, target.x, target.y);
    state.lastTarget = Point{x, y};
    state.restKnown = pointerOnRoot(state.rest);
}

Bool isMotion(Display*, XEvent* event, XPointer) {
    if (event->type == MotionNotify) return True;
    return event->type == GenericEvent && event->xcookie.extension == state.inputOpcode &&
           event->xcookie.evtype == XI_Motion;
}

// Motion that reached the queue while no rest point was known was measured from
// nowhere; handled after the placement, it would turn the camera.
void dropQueuedMotion() {
    XSync(state.display, False);
    XEvent event;
    while (XCheckIfEvent(state.display, &event, isMotion, nullptr))
        if (event.type == GenericEvent) XFreeEventData(state.display, &event.xcookie);
}

void placeWhenSettled(int /*value*/) {
    if (!state.pending) return;
    if (!settled(state.pendingFullScreen) && --state.checksLeft > 0) {
        glutTimerFunc(checkIntervalMs, placeWhenSettled, 0);
        return;
    }
    state.pending = false;
    dropQueuedMotion();
    placeNow(state.pendingTarget.x, state.pendingTarget.y);
}
}  // namespace

void hidePointer() { glutSetCursor(GLUT_CURSOR_NONE); }

// The toolkit shows the window and applies a new geometry only once its loop runs, so
// the placement waits for that: made earlier, it would land off the anchor.
void placePointerWhenSettled(int x, int y, bool fullScreen) {
    if (!bindCurrentWindow()) return;
    const bool checking = state.pending;
    state.restKnown = false;
    state.pending = true;
    state.pendingFullScreen = fullScreen;
    state.pendingTarget = Point{x, y};
    state.checksLeft = fallbackChecks;
    state.stillFor = 0;
    state.seen = ScreenRect{};
    if (!windowRect(state.display, state.window, state.asked)) state.asked = ScreenRect{};
    if (!checking) glutTimerFunc(checkIntervalMs, placeWhenSettled, 0);
}

void placePointerInWindow(int x, int y) {
    if (!bindCurrentWindow() || state.pending) return;
    placeNow(x, y);
}

// Normally the pointer is still on the pressed point. But a placement made for motion
// handled just before the press may have moved it since, with that placement's motion
// event still to come: the rest point is where the pointer really is.
void notePointerRest(int x, int y) {
    ScreenRect area;
    if (!bindCurrentWindow() || !windowRect(state.display, state.window, area)) return;
    Point now;
    state.rest = pointerOnRoot(now) ? now : Point{area.x + x, area.y + y};
    state.restKnown = true;
}

bool pointerRestPoint(int& x, int& y) {
    ScreenRect area;
    if (!bindCurrentWindow() || !state.restKnown || !windowRect(state.display, state.window, area)) return false;
    x = state.rest.x - area.x;
    y = state.rest.y - area.y;
    return true;
}
