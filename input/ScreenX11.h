#pragma once

// Where things are on an X screen, for the X11 sources of the pointer and full-screen
// layers: the monitors, and the viewer's window in root coordinates.
#include <X11/Xlib.h>

#include <vector>

#include "input/ScreenRect.h"

// The monitors as the server reports them: XRandR monitors, else Xinerama screens,
// else the whole screen as one.
std::vector<ScreenRect> monitorsOf(Display* display);

// The window's place in root coordinates and its size; false once it is gone.
bool windowRect(Display* display, Window window, ScreenRect& area);

// True when the window manager has put the window in its EWMH full-screen state.
bool reportedFullScreen(Display* display, Window window);

// True when an EWMH window manager answers on the window's screen: the root names a
// check window that names itself (a manager that has gone leaves a stale name behind).
bool windowManagerAnswers(Display* display);
