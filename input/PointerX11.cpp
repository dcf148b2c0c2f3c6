#include <GL/glut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include "input/Pointer.h"

// The pointer through Xlib, on the display and window of the current GL context
// (the toolkit draws straight into its X window).
namespace {
constexpr unsigned pollIntervalMs = 10;
// Long enough for any window manager to settle a full-screen request.
constexpr int pollAttempts = 300;  // 3 s

struct Pending {
    bool active = false;
    int x = 0, y = 0;
    int attemptsLeft = 0;
    Display* display = nullptr;
    Window window = 0;
} pending;

bool pointerRestsAt(Display* display, Window window, int x, int y) {
    Window root, child;
    int rootX, rootY, windowX, windowY;
    unsigned mask;
    if (!XQueryPointer(display, window, &root, &child, &rootX, &rootY, &windowX, &windowY, &mask))
        return false;  // the pointer is on another screen
    return windowX == x && windowY == y;
}

void warp(Display* display, Window relativeTo, int x, int y) {
    if (pointerRestsAt(display, relativeTo, x, y)) return;
    XWarpPointer(display, None, relativeTo, 0, 0, 0, 0, x, y);
    XFlush(display);
}

// True when the window is shown with its origin on the screen's and covers it.
bool coversScreen(Display* display, Window window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    int originX, originY;
    Window child;
    XTranslateCoordinates(display, window, attributes.root, 0, 0, &originX, &originY, &child);
    return originX == 0 && originY == 0 && attributes.width == WidthOfScreen(attributes.screen) &&
           attributes.height == HeightOfScreen(attributes.screen);
}

void placeWhenFullScreen(int /*value*/) {
    if (!pending.active) return;
    if (--pending.attemptsLeft > 0 && !coversScreen(pending.display, pending.window)) {
        glutTimerFunc(pollIntervalMs, placeWhenFullScreen, 0);
        return;
    }
    pending.active = false;
    warp(pending.display, DefaultRootWindow(pending.display), pending.x, pending.y);
}
}  // namespace

void hidePointer() { glutSetCursor(GLUT_CURSOR_NONE); }

// The toolkit shows the window and applies full screen only once its loop runs, so
// the placement waits for that: made while the window still sat at its first place,
// it would come back as a motion event far off the anchor.
void placePointerOnScreen(int x, int y) {
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr) return;
    pending = Pending{true, x, y, pollAttempts, display, glXGetCurrentDrawable()};
    glutTimerFunc(pollIntervalMs, placeWhenFullScreen, 0);
}

void placePointerInWindow(int x, int y) {
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr) return;
    warp(display, glXGetCurrentDrawable(), x, y);
}
