#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "Input.h"
#include "Wait.h"

namespace e2e {

// Sees the pointer-motion events that reach a window, through the test's own
// connection. The toolkit takes its motion through XInput 2, and a window that has an
// XInput 2 listener gets no core motion events at all, so this listens the same way
// (every XInput 2 listener of a window gets each event). Every pointer placement a
// program makes arrives here as one event, just as it reaches the program.
class MotionWatch {
public:
    MotionWatch(Display* display, Window window);  // throws std::runtime_error without XInput 2
    MotionWatch(const MotionWatch&) = delete;
    MotionWatch& operator=(const MotionWatch&) = delete;
    ~MotionWatch();

    // The positions (window coordinates) of the events seen since the last call,
    // collected for `period` from now.
    std::vector<Point> collect(Millis period);

private:
    void select(bool motion);
    Display* display_;
    Window window_;
    int opcode_ = 0;  // of the XInputExtension, which tags its events
};

}  // namespace e2e
