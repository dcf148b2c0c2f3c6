#include <GL/glut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include "input/FullScreen.h"
#include "input/ScreenX11.h"

// With a window manager, full screen is its business: the toolkit asks for the EWMH
// full-screen state. With none, the toolkit's own fallback leaves the window misplaced,
// so the window is put over its monitor here, which nobody will undo.
void enterFullScreen() {
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr || windowManagerAnswers(display)) {
        glutFullScreen();
        return;
    }
    const Window window = glXGetCurrentDrawable();
    ScreenRect area;
    if (!windowRect(display, window, area)) return;
    const ScreenRect monitor = monitorShowing(monitorsOf(display), area);
    XMoveResizeWindow(display, window, monitor.x, monitor.y, static_cast<unsigned>(monitor.width),
                      static_cast<unsigned>(monitor.height));
    XFlush(display);
}

namespace {
// The manager's answer comes within a few of its layout passes (sway waits up to 200 ms
// for a client before it applies a layout); on a busy machine that takes seconds.
constexpr unsigned askAgainIntervalMs = 250;
constexpr int askAgainLimit = 20;

struct WindowedSize {
    int width = 0, height = 0;
    int checksLeft = 0;
} windowed;

// Still covering its monitor, though the manager no longer holds it in full screen: the
// size request was answered with the geometry being left.
void askAgainIfStillFullSize(int /*value*/) {
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr || windowed.checksLeft <= 0) return;
    const Window window = glXGetCurrentDrawable();
    ScreenRect area;
    if (!windowRect(display, window, area)) return;
    if (!coversMonitor(monitorsOf(display), area)) return;
    if (!reportedFullScreen(display, window)) glutReshapeWindow(windowed.width, windowed.height);
    if (--windowed.checksLeft > 0) glutTimerFunc(askAgainIntervalMs, askAgainIfStillFullSize, 0);
}
}  // namespace

void keepWindowedSize(int width, int height) {
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr || !windowManagerAnswers(display)) return;
    const bool checking = windowed.checksLeft > 0;
    windowed = WindowedSize{width, height, askAgainLimit};
    if (!checking) glutTimerFunc(askAgainIntervalMs, askAgainIfStillFullSize, 0);
}
