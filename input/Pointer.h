#pragma once

// The windowing system's mouse pointer, as the viewer needs it.

// Hides the pointer over the viewer's window for the rest of the run.
void hidePointer();

// Places the pointer at (x, y) of the screen once the window has become full screen,
// where screen and window coordinates agree. Start-up calls it right after asking for
// full screen, which takes effect only later.
void placePointerOnScreen(int x, int y);

// Places the pointer at (x, y) of the window, unless it already rests there (a
// placement always comes back as a motion event, which would place it again).
void placePointerInWindow(int x, int y);
