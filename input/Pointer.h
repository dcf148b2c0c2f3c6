#pragma once

// The windowing system's mouse pointer, as mouse look needs it. One source file per
// platform; the unit tests link a recording stand-in instead.
//
// The layer remembers where it last brought the pointer to rest (the rest point), held
// in screen terms. Motion the user did not make arrives at the rest point and so turns
// nothing: the echo of a placement, a placement that the screen edge clamped, and the
// motion a window system reports when the window appears, moves or changes size while
// the pointer stays where it is.

// Hides the pointer over the viewer's window for the rest of the run.
void hidePointer();

// Places the pointer on (x, y) of the window, as placePointerInWindow does, as soon as
// the window has taken the geometry just asked of it: full screen on its monitor when
// `fullScreen`, else the window that leaving full screen restores. Until then no rest
// point is known, and motion from before the placement turns nothing. A window system
// that never grants that geometry gets the placement anyway after a bounded wait. The
// latest request wins.
void placePointerWhenSettled(int x, int y, bool fullScreen);

// Places the pointer on (x, y) of the window now, unless it already rests where the
// last placement on that point came to rest. Where it comes to rest becomes the rest
// point: (x, y) itself; or, when (x, y) cannot be reached (off every monitor, or off
// the window), the middle of the part of the window that shows, so that looking still
// works in every direction.
void placePointerInWindow(int x, int y);

// A button was pressed on (x, y) of the window: the pointer rests there now, or where a
// placement made since has put it.
void notePointerRest(int x, int y);

// The rest point in the window's coordinates as the window stands now; false while
// none is known (before the first placement has come to rest).
bool pointerRestPoint(int& x, int& y);
