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

void tapKey(Display* display, KeySym key, std::initializer_list<KeySym> modifiers) {
    const std::vector<KeySym> held(modifiers);
    for (KeySym m : held) XTestFakeKeyEvent(display, keycodeOf(display, m), True, noDelay);
    XTestFakeKeyEvent(display, keycodeOf(display, key), True, noDelay);
    XTestFakeKeyEvent(display, keycodeOf(display, key), False, noDelay);
    for (auto it = held.rbegin(); it != held.rend(); ++it)
        XTestFakeKeyEvent(display, keycodeOf(display, *it), False, noDelay);
    XFlush(display);
}

void movePointer(Display* display, int x, int y) {
    XTestFakeMotionEvent(display, DefaultScreen(display), x, y, noDelay);
    XFlush(display);
}

void movePointerBy(Display* display, int dx, int dy) {
    XTestFakeRelativeMotionEvent(display, dx, dy, noDelay);
    XFlush(display);
}

// Under a server grab no other client's request (a program placing the pointer on
// seeing the motion) can come between the two.
void moveAndPress(Display* display, int x, int y, unsigned button) {
    XGrabServer(display);
    XTestFakeMotionEvent(display, DefaultScreen(display), x, y, noDelay);
    XTestFakeButtonEvent(display, button, True, noDelay);
    XUngrabServer(display);
    XFlush(display);
}

void releaseButton(Display* display, unsigned button) {
    XTestFakeButtonEvent(display, button, False, noDelay);
    XFlush(display);
    const unsigned held = Button1Mask << (button - Button1);
    waitUntil(
        [&] {
            Window root, child;
            int rootX, rootY, x, y;
            unsigned mask = 0;
            XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask);
            return (mask & held) == 0;
        },
        releaseLimit);
}

Point pointerPosition(Display* display) {
    Window root, child;
    int rootX = 0, rootY = 0, x, y;
    unsigned mask;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return {rootX, rootY};
}

}  // namespace e2e
