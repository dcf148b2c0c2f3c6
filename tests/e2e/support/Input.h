#pragma once

#include <X11/Xlib.h>

#include <initializer_list>

namespace e2e {

// Synthetic input through the XTest extension, as if from the real keyboard and mouse.
// Each call flushes, so the server has the events when it returns.

// Presses the modifiers in order, taps the key, releases the modifiers in reverse.
void tapKey(Display* display, KeySym key, std::initializer_list<KeySym> modifiers = {});
// Moves the pointer to (x, y) of the screen.
void movePointer(Display* display, int x, int y);
// Moves the pointer by (dx, dy) from wherever it is, as a mouse does.
void movePointerBy(Display* display, int dx, int dy);
// Moves the pointer to (x, y) and presses a button there, so that the press lands at
// (x, y) even if a client answers the motion by moving the pointer.
void moveAndPress(Display* display, int x, int y, unsigned button);
// Releases the button and waits (up to a few seconds) until the server has taken the
// release: a window manager may hold pointer events back while it decides on a click.
void releaseButton(Display* display, unsigned button);

struct Point {
    int x, y;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};
// Where the pointer is, in screen coordinates.
Point pointerPosition(Display* display);

}  // namespace e2e
