#include <GL/glut.h>

#include <cmath>

#include "app/Viewer.h"
#include "render/SceneLayout.h"

namespace {
using namespace scene;
// Share of the remaining gap to the target closed per frame.
constexpr float easeXZ = 0.1f;
constexpr float easeY = 0.125f;
constexpr double viewRadiansToDegrees = 57.29577951308232;  // 180/pi
constexpr float columnReset = 3.0f;  // five spacings: each row starts again at exactly 0
// Each copy faces the camera from a point 0.35 along both plane axes from its origin.
constexpr double facingReference = 0.65;
constexpr float facingPlaneZ = 162.0f;
constexpr float facingPlaneX = 88.0f;
constexpr double gridRadiansToDegrees = 57.29564553093965;  // 180/3.1416, as the grid always turned
constexpr float gridTurnAddend = 270.0f;                     // degrees: brings the copy's +y round

float easeToward(float current, float target, float k) {
    return static_cast<float>(current + (static_cast<double>(target) - current) * static_cast<double>(k));
}

// The camera's turn with the pitch applied after it, as one glRotatef.
void applyViewRotation(const Quat& orientation, float pitch) {
    Quat q(orientation);
    q.multiply(Quat(pitch, 0.0f, 0.0f));
    const double m = 1.0 / std::sqrt(static_cast<double>(q.w) * q.w + static_cast<double>(q.x) * q.x +
                                     static_cast<double>(q.y) * q.y + static_cast<double>(q.z) * q.z);
    const float nw = static_cast<float>(q.w * m);
    const float nx = static_cast<float>(q.x * m);
    const float ny = static_cast<float>(q.y * m);
    const float nz = static_cast<float>(q.z * m);
    // No axis can be formed from the identity (or what narrows to it): no rotation then.
    if (nw == 1.0f || nw == -1.0f) return;
    const double theta = 2.0 * std::acos(static_cast<double>(nw));
    const double s = 1.0 / std::sin(theta * 0.5);
    const float axisX = static_cast<float>(nx * s);
    const float axisY = static_cast<float>(ny * s);
    const float axisZ = static_cast<float>(nz * s);
    glRotatef(static_cast<float>(theta * viewRadiansToDegrees), axisX, axisY, axisZ);
}

// The 25 copies, row by row, each turned about the plane's z axis to face the camera.
void drawGrid(const Mesh* gridModel, const Vec3& position) {
    float u = 0.0f;
    float v = 0.0f;
    for (int row = 0; row < gridSize; ++row) {
        const double t = v - facingReference;
        for (int column = 0; column < gridSize; ++column) {
            glPushMatrix();
            glTranslatef(u, v, 0.0f);
            const double a = t - (static_cast<double>(position.z) - facingPlaneZ);
            const double b = (facingReference - u) - (static_cast<double>(position.x) + facingPlaneX);
            const float turn = static_cast<float>(-std::atan2(a, b) * gridRadiansToDegrees + gridTurnAddend);
            glRotatef(turn, 0.0f, 0.0f, 1.0f);
            if (gridModel != nullptr) gridModel->draw(GL_TRIANGLES);
            glPopMatrix();
            u = static_cast<float>(static_cast<double>(u) + gridSpacing);
        }
        u = static_cast<float>(static_cast<double>(u) - columnReset);
        v = static_cast<float>(static_cast<double>(v) + gridSpacing);
    }
}
}  // namespace

void Viewer::display() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    position.x = easeToward(position.x, target.x, easeXZ);
    position.y = easeToward(position.y, target.y, easeY);
    position.z = easeToward(position.z, target.z, easeXZ);
    glRenderMode(GL_RENDER);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    glPushMatrix();
    applyViewRotation(orientation, pitch);
    glScalef(viewScale, viewScale, viewScale);
    glTranslatef(position.x, position.y, position.z);

    glPushMatrix();
    glColor3f(1.0f, 1.0f, 1.0f);
    glTranslatef(mainModelOffset.x, mainModelOffset.y, mainModelOffset.z);
    if (mainModel != nullptr) mainModel->draw(GL_TRIANGLES);
    glPopMatrix();

    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glPushMatrix();
    glTranslatef(gridOffset.x, gridOffset.y, gridOffset.z);
    glRotatef(gridTilt, 1.0f, 0.0f, 0.0f);
    glTranslatef(gridShift, gridShift, 0.0f);
    drawGrid(gridModel, position);
    glPopMatrix();
    glDisable(GL_CULL_FACE);
    glPopMatrix();

    glutSwapBuffers();
}
