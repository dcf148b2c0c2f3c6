#pragma once

// The windowing system's mouse pointer, as mouse look needs it. The logic is written
// once (Pointer.cpp) over a few primitives per platform (PointerSystem.h); the unit
// tests of the viewer link a recording stand-in instead.
//
// The layer remembers where it last brought the pointer to rest (the rest point).
// Motion the user did not make turns nothing: the echo of a placement, a placement that
// the screen edge clamped, and the motion a window system reports when the window
// appears, moves or changes size while the pointer stays where it is.

// Hides the pointer over the viewer's window for the rest of the run.
void hidePointer();

// Places the pointer on (x, y) of the window, as placePointerInWindow does, as soon as
// the window has taken the geometry just asked of it: full screen on its monitor when
// `fullScreen`, else the window that leaving full screen restores. Until then motion
// turns nothing. A window system that never grants that geometry gets the placement
// anyway after a bounded wait, and again if it grants it later. The latest request wins.
void placePointerWhenSettled(int x, int y, bool fullScreen);

// Places the pointer on (x, y) of the window now, unless it already rests where the
// last placement on that point came to rest. Where it comes to rest becomes the rest
// point: (x, y) itself; or, when (x, y) cannot be reached (off every monitor, or off
// the window), the middle of the part of the window that shows, so that looking still
// works in every direction.
void placePointerInWindow(int x, int y);

// A button was pressed on (x, y) of the window: the pointer rests there now.
void notePointerRest(int x, int y);

// How far the pointer travelled, in whole pixels, for a motion event reported at (x, y)
// of the window: each pixel the user moved counted once, however fast the motion came
// and however the window system batched it. False while a placement is on its way
// (nothing counts then).
bool pointerTravel(int x, int y, double& dx, double& dy);
