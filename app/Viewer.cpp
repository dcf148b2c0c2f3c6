#include "app/Viewer.h"

#include <GL/glut.h>

#include <cstdlib>

#include "input/Pointer.h"
#include "input/SystemKeys.h"
#include "render/SceneLayout.h"

namespace {
// The window the toolkit opens before going full screen.
constexpr int initialWidth = 640;   // px
constexpr int initialHeight = 480;  // px
constexpr int initialX = 100;       // px
constexpr int initialY = 100;       // px
// Mouse-look anchor: the centre of the initial window.
constexpr int startAnchorX = 320;  // px
constexpr int startAnchorY = 240;  // px
// 137/256, 171/256, 199/256: the clear colour, and the (unused) fog colour.
constexpr GLfloat skyColour[4] = {0.53515625f, 0.66796875f, 0.77734375f, 1.0f};
constexpr GLfloat fogStart = 1.0f;
constexpr GLfloat fogEnd = 126.0f;
// Static storage for the window title, which is never written.
const char windowTitle[] = "";
}  // namespace

void Viewer::init() {
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(initialWidth, initialHeight);
    glutInitWindowPosition(initialX, initialY);
    fullscreen = false;
    position = scene::startPosition;
    target = scene::startPosition;
    orientation.setEuler(0.0f, scene::startYaw, 0.0f);
    pitch = 0.0f;
    glutCreateWindow(windowTitle);

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(1.0f);
    glDepthFunc(GL_LEQUAL);
    glClearDepth(1.0);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(skyColour[0], skyColour[1], skyColour[2], skyColour[3]);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    // Fog is configured but never enabled.
    glFogf(GL_FOG_MODE, static_cast<GLfloat>(GL_LINEAR));
    glFogf(GL_FOG_START, fogStart);
    glFogf(GL_FOG_END, fogEnd);
    glFogf(GL_FOG_DENSITY, 1.0f);
    glFogfv(GL_FOG_COLOR, skyColour);

    // "1.obj" is read to its end before "2.obj" is opened.
    mainModel = Mesh::create("1.obj");
    gridModel = Mesh::create("2.obj");

    // The anchor is set first: entering full screen places the pointer on it, at (320, 240)
    // of the window once the window covers its monitor.
    anchorX = startAnchorX;
    anchorY = startAnchorY;
    special(GLUT_KEY_F11, 0, 0);  // fullscreen is false here, so this enters full screen
    hidePointer();
    keepKeysFromWindowSystem();
}

void Viewer::quit() { std::exit(0); }
