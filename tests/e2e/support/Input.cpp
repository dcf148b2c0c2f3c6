#include "Input.h"

#include <X11/extensions/XTest.h>

#include "Wait.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {
namespace {
constexpr unsigned long noDelay = CurrentTime;
constexpr Millis releaseLimit(5000);

KeyCode keycodeOf(Display* display, KeySym key) {
    const KeyCode code = XKeysymToKeycode(display, key);
    if (code == 0) throw std::runtime_error(std::string("no key for ") + XKeysymToString(key));
    return code;
}
}  // namespace

void Input::moveTo(int x, int y) {
    const Point at = pointerPosition(display_);
    moveBy(x - at.x, y - at.y);
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

void XTestInput::moveTo(int x, int y) {
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
