#include "app/Viewer.h"
#include "input/Pointer.h"

namespace {
constexpr float lookSensitivity = 0.1f;  // degrees per pixel, both axes
}

// Offsets are measured from where the pointer was last brought to rest: the anchor
// whenever the pointer can reach it, so motion the user did not make turns nothing.
void Viewer::motion(int x, int y) {
    int restX, restY;
    if (!pointerRestPoint(restX, restY)) return;  // a placement is still on its way
    // Differences in double: the same value as the int difference, without overflow.
    const float yaw =
        static_cast<float>((static_cast<double>(x) - restX) * static_cast<double>(lookSensitivity));
    const Quat turn(0.0f, yaw, 0.0f);
    pitch = static_cast<float>(
        pitch + (static_cast<double>(y) - restY) * static_cast<double>(lookSensitivity));
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
