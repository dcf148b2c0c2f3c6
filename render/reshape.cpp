#include <GL/glu.h>

#include "app/Viewer.h"
#include "render/SceneLayout.h"

namespace {
// The float nearest 0.001, widened: the near plane as the projection has always used it.
constexpr double nearPlane = static_cast<double>(0.001f);
constexpr double farPlane = 4000.0;
}  // namespace

void Viewer::reshape(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A window shrunk to no height divides by 1, so the projection stays finite.
    const double aspect = static_cast<double>(width) / static_cast<double>(height != 0 ? height : 1);
    gluPerspective(scene::fieldOfView, aspect, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    display();
}
