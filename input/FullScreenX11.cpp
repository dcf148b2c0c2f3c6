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
