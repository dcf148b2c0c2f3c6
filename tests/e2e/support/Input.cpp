#include "Input.h"

#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>

#include "Config.h"
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

Input::~Input() {
    if (rawMotion_ != nullptr) XCloseDisplay(rawMotion_);
}

void Input::confirmMovesThroughX() {
    rawMotion_ = XOpenDisplay(DisplayString(display_));
    int event, error, major = 2, minor = 0;
    if (rawMotion_ == nullptr || !XQueryExtension(rawMotion_, "XInputExtension", &inputOpcode_, &event, &error) ||
        XIQueryVersion(rawMotion_, &major, &minor) != Success)
        throw std::runtime_error("no XInput 2 connection to watch the mouse's raw motion");
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawMotion);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(rawMotion_, DefaultRootWindow(rawMotion_), &mask, 1);
    XSync(rawMotion_, False);
}

// True once a raw motion event has come since the last call (events before are dropped).
bool Input::rawMotionSeen(Millis limit) {
    return waitUntil(
        [&] {
            bool seen = false;
            while (XPending(rawMotion_) > 0) {
                XEvent event;
                XNextEvent(rawMotion_, &event);
                seen = seen || (event.xcookie.type == GenericEvent && event.xcookie.extension == inputOpcode_ &&
                                event.xcookie.evtype == XI_RawMotion);
            }
            return seen;
        },
        limit, Millis(1));
}

// A move that enters the window from elsewhere comes as a position without raw motion:
// the wait then ends at its limit.
void Input::moveTo(int x, int y) {
    const Point at = pointerPosition(display_);
    if (rawMotion_ != nullptr) {
        XSync(rawMotion_, False);
        rawMotionSeen(Millis(0));
    }
    moveBy(x - at.x, y - at.y);
    if (rawMotion_ != nullptr) rawMotionSeen(moveArrivalLimit);
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
