#include "app/entry.h"

#include <GL/glut.h>

#include <cstdio>
#include <new>

#include "app/StandardStreams.h"
#include "app/ToolkitEnvironment.h"
#include "app/Viewer.h"

Viewer* theViewer = nullptr;
const float redrawInterval = 5.0f;  // ms

namespace {
unsigned redrawIntervalMs() { return static_cast<unsigned>(redrawInterval); }
}  // namespace

void displayCallback() { theViewer->display(); }

void reshapeCallback(int width, int height) { theViewer->reshape(width, height); }

void mouseCallback(int button, int state, int x, int y) {
    if (button == GLUT_LEFT_BUTTON) {
        if (state == GLUT_DOWN)
            theViewer->leftButtonDown(x, y);
        else
            theViewer->leftButtonUp(x, y);
    } else if (button == GLUT_RIGHT_BUTTON) {
        theViewer->rightButton(x, y);
    }
}

// The key is widened by zero extension: a code above 127 stays positive.
void keyboardCallback(unsigned char key, int x, int y) {
    theViewer->keyboard(static_cast<int>(key), x, y);
}

void specialCallback(int key, int x, int y) { theViewer->special(key, x, y); }

void motionCallback(int x, int y) { theViewer->motion(x, y); }

// Re-armed only after the frame is drawn, so ticks are at least a frame plus 5 ms apart.
void timerCallback(int value) {
    theViewer->display();
    glutTimerFunc(redrawIntervalMs(), timerCallback, value);
}

int runViewer(int& argc, char** argv) {
    theViewer = new (std::nothrow) Viewer;
    if (theViewer == nullptr) {
        std::fprintf(stderr, "viewer: not enough memory to start\n");
        return 1;
    }
    writeStandardStreamsAsBytes();
    prepareToolkitEnvironment();
    glutInit(&argc, argv);
    theViewer->init();
    glutDisplayFunc(displayCallback);
    glutReshapeFunc(reshapeCallback);
    glutMouseFunc(mouseCallback);
    glutKeyboardFunc(keyboardCallback);
    glutSpecialFunc(specialCallback);
    glutPassiveMotionFunc(motionCallback);
    glutMotionFunc(motionCallback);
    glutTimerFunc(redrawIntervalMs(), timerCallback, 0);
    glutMainLoop();
    return 0;
}
