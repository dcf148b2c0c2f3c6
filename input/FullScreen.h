#pragma once

// Full screen for the viewer's window, on the monitor it is on. One source file per
// platform; the unit tests link a recording stand-in instead.

// Asks for full screen on the window's monitor. The change takes effect later, once the
// toolkit's loop runs; leaving full screen is the toolkit's own size and position calls.
void enterFullScreen();
