#pragma once

// Where things are on an X screen, for the X11 sources of the pointer and full-screen
// layers: the monitors, and the viewer's window in root coordinates.
#include <X11/Xlib.h>

#include <vector>

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;

    bool contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const ScreenRect& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
    bool operator!=(const ScreenRect& o) const { return !(*this == o); }
};

ScreenRect intersection(const ScreenRect& a, const ScreenRect& b);

// The monitors as the server reports them: XRandR monitors, else Xinerama screens,
// else the whole screen as one.
std::vector<ScreenRect> monitorsOf(Display* display);

// The monitor that shows the most of `area`; the first monitor when none shows any.
ScreenRect monitorShowing(const std::vector<ScreenRect>& monitors, const ScreenRect& area);

// The window's place in root coordinates and its size; false once it is gone.
bool windowRect(Display* display, Window window, ScreenRect& area);

// True when an EWMH window manager answers on the window's screen: the root names a
// check window that names itself (a manager that has gone leaves a stale name behind).
bool windowManagerAnswers(Display* display);
