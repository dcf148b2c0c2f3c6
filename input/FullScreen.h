#pragma once

// Full screen for the viewer's window, on the monitor it is on. One source file per
// platform; the unit tests link a recording stand-in instead.

// Asks for full screen on the window's monitor. The change takes effect later, once the
// toolkit's loop runs; leaving full screen is the toolkit's own size and position calls.
void enterFullScreen();

// Called after the toolkit was asked to leave full screen for a window of this size. A
// manager that answers the size request with the full-screen geometry it is just leaving
// (sway 1.7, which tiles) is asked again once it has left, and then gives its own layout.
void keepWindowedSize(int width, int height);
