#include "app/Viewer.h"
#include "input/Pointer.h"

namespace {
constexpr float lookSensitivity = 0.1f;  // degrees per pixel, both axes
}

// The camera turns by the pointer's travel since it last rested, each pixel counted
// once however fast the mouse moves; in full screen, with the pointer held on the
// anchor, that is the offset of (x, y) from the anchor.
void Viewer::motion(int x, int y) {
    double dx, dy;  // whole pixels, in double: no int difference can overflow
    if (!pointerTravel(x, y, dx, dy)) return;  // a placement is still on its way
    const float yaw = static_cast<float>(dx * static_cast<double>(lookSensitivity));
    const Quat turn(0.0f, yaw, 0.0f);
    pitch = static_cast<float>(pitch + dy * static_cast<double>(lookSensitivity));
    orientation.multiply(turn);
    placePointerInWindow(anchorX, anchorY);
}

void Viewer::leftButtonDown(int x, int y) {
    anchorX = x;
    anchorY = y;
    notePointerRest(x, y);
}

void Viewer::leftButtonUp(int /*x*/, int /*y*/) {}

void Viewer::rightButton(int /*x*/, int /*y*/) {}
