// A GL, GLU, GLUT and pointer layer that does nothing, so a frame's cost without them can
// be timed. Kept in its own file so no call is inlined away.
#include <GL/glu.h>
#include <GL/glut.h>

#include "input/FullScreen.h"
#include "input/Pointer.h"
#include "input/SystemKeys.h"
#include "input/WindowFrame.h"

extern "C" {
void glEnable(GLenum) {}
void glDisable(GLenum) {}
void glLineWidth(GLfloat) {}
void glDepthFunc(GLenum) {}
void glClearDepth(GLclampd) {}
void glShadeModel(GLenum) {}
void glBlendFunc(GLenum, GLenum) {}
void glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) {}
void glMatrixMode(GLenum) {}
void glLoadIdentity() {}
void glHint(GLenum, GLenum) {}
void glFogf(GLenum, GLfloat) {}
void glFogfv(GLenum, const GLfloat*) {}
void glBegin(GLenum) {}
void glEnd() {}
void glNormal3f(GLfloat, GLfloat, GLfloat) {}
void glVertex3f(GLfloat, GLfloat, GLfloat) {}
GLint glRenderMode(GLenum) { return 0; }
void glClear(GLbitfield) {}
void glColor4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glColor3f(GLfloat, GLfloat, GLfloat) {}
void glPushMatrix() {}
void glPopMatrix() {}
void glRotatef(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glScalef(GLfloat, GLfloat, GLfloat) {}
void glTranslatef(GLfloat, GLfloat, GLfloat) {}
void glCullFace(GLenum) {}
void glViewport(GLint, GLint, GLsizei, GLsizei) {}
void gluPerspective(GLdouble, GLdouble, GLdouble, GLdouble) {}
void glutInitDisplayMode(unsigned int) {}
void glutInitWindowSize(int, int) {}
void glutInitWindowPosition(int, int) {}
int glutCreateWindow(const char*) { return 1; }
void glutSwapBuffers() {}
int glutGet(GLenum) { return 0; }
int glutGetModifiers() { return 0; }
void glutFullScreen() {}
void glutReshapeWindow(int, int) {}
void glutPositionWindow(int, int) {}
}

void enterFullScreen() {}
void keepWindowedSize(int, int) {}
void hidePointer() {}
void placePointerWhenSettled(int, int, bool) {}
void placePointerInWindow(int, int) {}
void notePointerRest(int, int) {}
void keepKeysFromWindowSystem() {}
void toPlacementPosition(int&, int&) {}
bool pointerTravel(int, int, double&, double&) { return false; }
