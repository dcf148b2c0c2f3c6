#include "Input.h"

#include <X11/extensions/XTest.h>

#include "Config.h"
#include "MotionWatch.h"
#include "Wait.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {
namespace {
constexpr unsigned long noDelay = CurrentTime;
constexpr Millis releaseLimit(5000);
constexpr Millis moveArrivalLimit(2000);

KeyCode keycodeOf(Display* display, KeySym key) {
    const KeyCode code = XKeysymToKeycode(display, key);
    if (code == 0) throw std::runtime_error(std::string("no key for ") + XKeysymToString(key));
    return code;
}
}  // namespace

Input::Input(Display* display) : display_(display) {}

Input::~Input() {
    rawMotion_.reset();
    if (rawConnection_ != nullptr) XCloseDisplay(rawConnection_);
}

void Input::confirmMovesThroughX() {
    rawConnection_ = XOpenDisplay(DisplayString(display_));
    if (rawConnection_ == nullptr) throw std::runtime_error("no connection to watch the mouse's raw motion");
    rawMotion_ = std::make_unique<MotionWatch>(rawConnection_, DefaultRootWindow(rawConnection_),
                                               MotionWatch::Listen::Raw);
}

// A move that enters the window from elsewhere comes as a position without raw motion:
// the wait then ends at its limit.
void Input::moveTo(int x, int y) {
    const Point at = pointerPosition(display_);
    if (rawMotion_) rawMotion_->collect(Millis(0));  // what came before this move
    moveBy(x - at.x, y - at.y);
    if (rawMotion_) waitUntil([&] { return !rawMotion_->collect(Millis(0)).empty(); }, moveArrivalLimit, Millis(1));
}

void Input::moveAndPress(int x, int y, unsigned pressed) {
    moveTo(x, y);
    button(pressed, true);
}

void Input::releaseButton(unsigned released) {
    button(released, false);
    const unsigned held = Button1Mask << (released - Button1);
    waitUntil(
        [&] {
            Window root, child;
            int rootX, rootY, x, y;
            unsigned mask = 0;
            XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &x, &y, &mask);
            return (mask & held) == 0;
        },
        releaseLimit);
}

void Input::tapKey(KeySym tapped, std::initializer_list<KeySym> modifiers) {
    const std::vector<KeySym> held(modifiers);
    for (KeySym m : held) key(m, true);
    key(tapped, true);
    key(tapped, false);
    for (auto it = held.rbegin(); it != held.rend(); ++it) key(*it, false);
}

void XTestInput::key(KeySym key, bool pressed) {
    XTestFakeKeyEvent(display_, keycodeOf(display_, key), pressed, noDelay);
    XFlush(display_);
}

// An absolute move, as a remote desktop makes; under wine as a mouse's step instead: while
// it clips the pointer, wine's X11 driver reads XTest's absolute moves as steps by the
// position itself, then steps back by the difference.
void XTestInput::moveTo(int x, int y) {
    if (!config().launcher.empty()) {
        Input::moveTo(x, y);
        return;
    }
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, noDelay);
    XFlush(display_);
}

void XTestInput::moveBy(int dx, int dy) {
    XTestFakeRelativeMotionEvent(display_, dx, dy, noDelay);
    XFlush(display_);
}

void XTestInput::button(unsigned button, bool pressed) {
    XTestFakeButtonEvent(display_, button, pressed, noDelay);
    XFlush(display_);
}

// Under a server grab no other client's request (a program placing the pointer on
// seeing the motion) can come between the two.
void XTestInput::moveAndPress(int x, int y, unsigned button) {
    XGrabServer(display_);
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, noDelay);
    XTestFakeButtonEvent(display_, button, True, noDelay);
    XUngrabServer(display_);
    XFlush(display_);
}

Point pointerPosition(Display* display) {
    Window root, child;
    int rootX = 0, rootY = 0, x, y;
    unsigned mask;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return {rootX, rootY};
}

}  // namespace e2e
