#pragma once

// The window system's side of the pointer layer (input/Pointer.cpp): a few primitives
// on the viewer's window and the pointer, one source file per platform. All places are
// screen pixels.
#include <vector>

#include "input/ScreenRect.h"

// Binds to the window of the current GL context, once; false when there is none.
bool bindPointerSystem();

// Hides the pointer for the rest of the run, in a way the window system can tell.
void hideSystemPointer();

// The window's drawing area; false unless the window is shown.
bool windowArea(ScreenRect& area);
// The monitors; never empty.
std::vector<ScreenRect> monitorAreas();
// The window manager says the window is in its full-screen state.
bool windowReportedFullScreen();

// Where the pointer is, as far as the window system has told; false when unknown.
bool pointerPosition(ScreenPoint& at);
// Puts the pointer on `to`, a point of the window standing at `window`; returns where it
// comes to rest. While the window covers a monitor, the pointer is also held inside it,
// so that a fast move does not carry it onto another monitor.
ScreenPoint warpPointer(ScreenPoint to, const ScreenRect& window);
// A placement has gone out whose effect the window system has not reported yet.
bool placementOnItsWay();

// Motion made from now on turns nothing until the next placement.
void pauseTravel();
// How far the pointer travelled for a motion event reported at (windowX, windowY), in
// whole pixels: the window system's own account where it keeps one (each pixel once,
// since the last call), else the distance from `rest`, where the pointer last rested.
void travelSince(int windowX, int windowY, ScreenPoint rest, double& dx, double& dy);
