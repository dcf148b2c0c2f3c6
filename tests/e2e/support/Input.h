#pragma once

#include <X11/Xlib.h>

#include <initializer_list>
#include <memory>

namespace e2e {

class MotionWatch;

struct Point {
    int x, y;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

// The user's mouse and keyboard on one desktop, entering where a real device's input
// enters: XTest on an X server of the test's own, the compositor's own ways in on a
// Wayland desktop. Each call has sent its event when it returns; moveTo also waits
// until X has taken the move, so that a pointer found at rest afterwards has been
// placed back by the program, not yet to move at all.
class Input {
public:
    virtual ~Input();
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    // One report of a mouse that moved by (dx, dy), wherever the pointer is.
    virtual void moveBy(int dx, int dy) = 0;
    // Moves the pointer to (x, y) of the screen: by default the move from where the
    // pointer is, since under a compositor's pointer lock an absolute move is taken
    // from where the lock holds the compositor's own pointer, not from where X shows it.
    virtual void moveTo(int x, int y);
    virtual void button(unsigned button, bool pressed) = 0;
    // A key going down or up.
    virtual void key(KeySym key, bool pressed) = 0;

    // Moves the pointer to (x, y) and presses a button there, so that the press lands at
    // (x, y) even if a client answers the motion by moving the pointer.
    virtual void moveAndPress(int x, int y, unsigned button);
    // Releases the button and waits (up to a few seconds) until the server has taken the
    // release: a window manager may hold pointer events back while it decides on a click.
    void releaseButton(unsigned button);
    // Presses the modifiers in order, taps the key, releases the modifiers in reverse.
    void tapKey(KeySym key, std::initializer_list<KeySym> modifiers = {});

protected:
    explicit Input(Display* display);
    // For input that reaches X by another way than the test's own connection: moveTo
    // waits for the move's raw motion, seen on a connection of its own.
    void confirmMovesThroughX();
    Display* display_;  // the test's own connection, to see where the pointer is

private:
    Display* rawConnection_ = nullptr;
    std::unique_ptr<MotionWatch> rawMotion_;  // on rawConnection_
};

// Input through the XTest extension of the test's own X server, as if from its real
// keyboard and mouse.
class XTestInput : public Input {
public:
    explicit XTestInput(Display* display) : Input(display) {}
    void moveBy(int dx, int dy) override;
    void moveTo(int x, int y) override;
    void button(unsigned button, bool pressed) override;
    void key(KeySym key, bool pressed) override;
    void moveAndPress(int x, int y, unsigned button) override;
};

// Where the pointer is, in screen coordinates.
Point pointerPosition(Display* display);

}  // namespace e2e
