#include <GL/glut.h>

#include "app/Viewer.h"
#include "input/FullScreen.h"
#include "input/Pointer.h"
#include "input/WindowFrame.h"

namespace {
constexpr int escapeKey = 27;
constexpr int ctrlQKey = 17;            // the control character Ctrl+Q produces
constexpr float navigationStep = 0.1f;  // scene units per key event
constexpr float quarterTurn = 90.0f;    // degrees

// target += sign * step * (backward axis of q), each component in double, stored as float.
void moveTarget(Vec3& target, Quat& q, double sign) {
    float dx, dy, dz;
    q.direction(dx, dy, dz);
    const double step = sign * static_cast<double>(navigationStep);
    target.x = static_cast<float>(target.x + step * dx);
    target.y = static_cast<float>(target.y + step * dy);
    target.z = static_cast<float>(target.z + step * dz);
}

// A copy of the orientation turned by a quarter turn about a unit axis, which leaves
// the orientation itself bit for bit unchanged.
Quat turned(const Quat& orientation, float angle, float axisX, float axisY, float axisZ) {
    Quat q(orientation);
    q.multiply(Quat(angle, axisX, axisY, axisZ));
    return q;
}
}  // namespace

void Viewer::keyboard(int key, int /*x*/, int /*y*/) {
    if (key == escapeKey || key == ctrlQKey) quit();
}

void Viewer::special(int key, int /*x*/, int /*y*/) {
    switch (key) {
        case GLUT_KEY_F4:
            if (glutGetModifiers() == GLUT_ACTIVE_ALT) quit();
            break;
        case GLUT_KEY_F11:
            fullscreen = !fullscreen;
            if (fullscreen) {
                savedX = glutGet(GLUT_WINDOW_X);
                savedY = glutGet(GLUT_WINDOW_Y);
                savedWidth = glutGet(GLUT_WINDOW_WIDTH);
                savedHeight = glutGet(GLUT_WINDOW_HEIGHT);
                toPlacementPosition(savedX, savedY);  // so that leaving puts it back there
                enterFullScreen();
            } else {
                glutReshapeWindow(savedWidth, savedHeight);
                glutPositionWindow(savedX, savedY);
                keepWindowedSize(savedWidth, savedHeight);
            }
            // Back on the anchor in the new geometry, so the first move after the switch
            // turns by exactly that move.
            placePointerWhenSettled(anchorX, anchorY, fullscreen);
            break;
        // Up and Down use the orientation itself, which renormalises it in place.
        case GLUT_KEY_UP:
            moveTarget(target, orientation, +1.0);
            break;
        case GLUT_KEY_DOWN:
            moveTarget(target, orientation, -1.0);
            break;
        case GLUT_KEY_LEFT: {
            Quat q = turned(orientation, -quarterTurn, 0.0f, 1.0f, 0.0f);
            moveTarget(target, q, +1.0);
            break;
        }
        case GLUT_KEY_RIGHT: {
            Quat q = turned(orientation, quarterTurn, 0.0f, 1.0f, 0.0f);
            moveTarget(target, q, +1.0);
            break;
        }
        case GLUT_KEY_PAGE_UP: {
            Quat q = turned(orientation, -quarterTurn, 1.0f, 0.0f, 0.0f);
            moveTarget(target, q, +1.0);
            break;
        }
        case GLUT_KEY_PAGE_DOWN: {
            Quat q = turned(orientation, quarterTurn, 1.0f, 0.0f, 0.0f);
            moveTarget(target, q, +1.0);
            break;
        }
        default:
            break;
    }
}
