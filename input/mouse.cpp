#include "app/Viewer.h"
#include "input/Pointer.h"

namespace {
constexpr float lookSensitivity = 0.1f;  // degrees per pixel, both axes
}

void Viewer::motion(int x, int y) {
    // Differences in double: the same value as the int difference, without overflow.
    const float yaw =
        static_cast<float>((static_cast<double>(x) - anchorX) * static_cast<double>(lookSensitivity));
    const Quat turn(0.0f, yaw, 0.0f);
    pitch = static_cast<float>(
        pitch + (static_cast<double>(y) - anchorY) * static_cast<double>(lookSensitivity));
    orientation.multiply(turn);
    placePointerInWindow(anchorX, anchorY);
}

void Viewer::leftButtonDown(int x, int y) {
    anchorX = x;
    anchorY = y;
}

void Viewer::leftButtonUp(int /*x*/, int /*y*/) {}

void Viewer::rightButton(int /*x*/, int /*y*/) {}
