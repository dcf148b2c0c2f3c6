#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "Input.h"
#include "Wait.h"

namespace e2e {

// Sees the pointer-motion events that reach a window, through the connection it is
// given. The server hands a window's motion either to its XInput 2 listeners or, when
// it has none, to its core listeners, so this listens the way the program does:
// the toolkit through XInput 2 (every XInput 2 listener gets each event), wine's X11
// driver through core events (which an XInput 2 listener here would take from it).
// Every pointer placement a program makes arrives here as one event, just as it
// reaches the program. wine places the pointer under a pointer grab of its own, so
// that placement's motion reaches wine alone; the end of the grab is reported to the
// window as an entry at the new position, which stands for the placement here.
class MotionWatch {
public:
    // Raw: every device's raw motion, wherever the pointer is; collect() then gives each
    // step's (dx, dy) instead of a position.
    enum class Listen { XInput2, Core, Raw };
    // Throws std::runtime_error when XInput 2 is asked for and missing.
    MotionWatch(Display* display, Window window, Listen listen = Listen::XInput2);
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
    Listen listen_;
    int opcode_ = 0;  // of the XInputExtension, which tags its events
};

}  // namespace e2e
