#include "GlRecorder.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <cstring>
#include <map>

#include "input/FullScreen.h"
#include "input/Pointer.h"
#include "input/SystemKeys.h"
#include "input/WindowFrame.h"

namespace {
std::vector<GlCall> log;
std::map<int, int> getValues;
int modifiers = 0;
int renderModeResult = 0;
bool vertices = true;
GlutCallbacks registered;
// Where the stand-in pointer rests, in window pixels; placements land exactly.
bool restKnown = false;
int restX = 0, restY = 0;

void record(const char* name, std::initializer_list<double> args = {}, const void* pointer = nullptr,
            const char* text = nullptr) {
    GlCall c{name, {0, 0, 0, 0, 0}, 0, pointer, text != nullptr ? text : ""};
    for (double a : args) c.args[c.argCount++] = a;
    log.push_back(c);
}
}  // namespace

namespace glrec {
void reset() {
    log.clear();
    getValues.clear();
    modifiers = 0;
    renderModeResult = 0;
    vertices = true;
    registered = GlutCallbacks{};
    restKnown = false;
}
void clearCalls() { log.clear(); }
const std::vector<GlCall>& calls() { return log; }
std::size_t find(const char* name, std::size_t from) {
    for (std::size_t i = from; i < log.size(); ++i)
        if (std::strcmp(log[i].name, name) == 0) return i;
    return npos;
}
std::size_t count(const char* name) {
    std::size_t n = 0;
    for (const GlCall& c : log) n += std::strcmp(c.name, name) == 0;
    return n;
}
std::vector<std::string> names(std::size_t from) {
    std::vector<std::string> out;
    for (std::size_t i = from; i < log.size(); ++i) out.emplace_back(log[i].name);
    return out;
}
std::vector<GlCall> all(const char* name) {
    std::vector<GlCall> out;
    for (const GlCall& c : log)
        if (std::strcmp(c.name, name) == 0) out.push_back(c);
    return out;
}
void recordVertices(bool on) { vertices = on; }
void setGet(int query, int value) { getValues[query] = value; }
void setModifiers(int m) { modifiers = m; }
void setPointerRest(int x, int y) {
    restKnown = true;
    restX = x;
    restY = y;
}
void forgetPointerRest() { restKnown = false; }
void setRenderModeResult(int value) { renderModeResult = value; }
const GlutCallbacks& callbacks() { return registered; }
}  // namespace glrec

extern "C" {
// GL
void glEnable(GLenum cap) { record("glEnable", {double(cap)}); }
void glDisable(GLenum cap) { record("glDisable", {double(cap)}); }
void glLineWidth(GLfloat w) { record("glLineWidth", {w}); }
void glDepthFunc(GLenum f) { record("glDepthFunc", {double(f)}); }
void glClearDepth(GLclampd d) { record("glClearDepth", {d}); }
void glShadeModel(GLenum m) { record("glShadeModel", {double(m)}); }
void glBlendFunc(GLenum s, GLenum d) { record("glBlendFunc", {double(s), double(d)}); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { record("glClearColor", {r, g, b, a}); }
void glMatrixMode(GLenum m) { record("glMatrixMode", {double(m)}); }
void glLoadIdentity() { record("glLoadIdentity"); }
void glHint(GLenum t, GLenum m) { record("glHint", {double(t), double(m)}); }
void glFogf(GLenum p, GLfloat v) { record("glFogf", {double(p), v}); }
void glFogfv(GLenum p, const GLfloat* v) {
    record("glFogfv", {double(p), v[0], v[1], v[2], v[3]}, v);
}
void glBegin(GLenum m) { record("glBegin", {double(m)}); }
void glEnd() { record("glEnd"); }
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    if (vertices) record("glNormal3f", {x, y, z});
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (vertices) record("glVertex3f", {x, y, z});
}
GLint glRenderMode(GLenum m) {
    record("glRenderMode", {double(m)});
    return renderModeResult;
}
void glClear(GLbitfield mask) { record("glClear", {double(mask)}); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record("glColor4f", {r, g, b, a}); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { record("glColor3f", {r, g, b}); }
void glPushMatrix() { record("glPushMatrix"); }
void glPopMatrix() { record("glPopMatrix"); }
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) { record("glRotatef", {a, x, y, z}); }
void glScalef(GLfloat x, GLfloat y, GLfloat z) { record("glScalef", {x, y, z}); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { record("glTranslatef", {x, y, z}); }
void glCullFace(GLenum m) { record("glCullFace", {double(m)}); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) { record("glViewport", {double(x), double(y), double(w), double(h)}); }

// GLU
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    record("gluPerspective", {fovy, aspect, zNear, zFar});
}

// GLUT
void glutInit(int* argc, char** argv) { record("glutInit", {double(*argc)}, argc, argv != nullptr && argv[0] != nullptr ? argv[0] : nullptr); }
void glutInitDisplayMode(unsigned int mode) { record("glutInitDisplayMode", {double(mode)}); }
void glutInitWindowSize(int w, int h) { record("glutInitWindowSize", {double(w), double(h)}); }
void glutInitWindowPosition(int x, int y) { record("glutInitWindowPosition", {double(x), double(y)}); }
int glutCreateWindow(const char* title) {
    record("glutCreateWindow", {}, title, title);
    return 1;
}
void glutDisplayFunc(void (*f)()) {
    registered.display = f;
    record("glutDisplayFunc", {}, reinterpret_cast<const void*>(f));
}
void glutReshapeFunc(void (*f)(int, int)) {
    registered.reshape = f;
    record("glutReshapeFunc", {}, reinterpret_cast<const void*>(f));
}
void glutMouseFunc(void (*f)(int, int, int, int)) {
    registered.mouse = f;
    record("glutMouseFunc", {}, reinterpret_cast<const void*>(f));
}
void glutKeyboardFunc(void (*f)(unsigned char, int, int)) {
    registered.keyboard = f;
    record("glutKeyboardFunc", {}, reinterpret_cast<const void*>(f));
}
void glutSpecialFunc(void (*f)(int, int, int)) {
    registered.special = f;
    record("glutSpecialFunc", {}, reinterpret_cast<const void*>(f));
}
void glutPassiveMotionFunc(void (*f)(int, int)) {
    registered.passiveMotion = f;
    record("glutPassiveMotionFunc", {}, reinterpret_cast<const void*>(f));
}
void glutMotionFunc(void (*f)(int, int)) {
    registered.motion = f;
    record("glutMotionFunc", {}, reinterpret_cast<const void*>(f));
}
void glutTimerFunc(unsigned int ms, void (*f)(int), int value) {
    registered.timer = f;
    record("glutTimerFunc", {double(ms), double(value)}, reinterpret_cast<const void*>(f));
}
void glutMainLoop() { record("glutMainLoop"); }
void glutSwapBuffers() { record("glutSwapBuffers"); }
int glutGet(GLenum query) {
    record("glutGet", {double(query)});
    auto it = getValues.find(static_cast<int>(query));
    return it == getValues.end() ? 0 : it->second;
}
int glutGetModifiers() {
    record("glutGetModifiers");
    return modifiers;
}
void glutFullScreen() { record("glutFullScreen"); }
void glutReshapeWindow(int w, int h) { record("glutReshapeWindow", {double(w), double(h)}); }
void glutPositionWindow(int x, int y) { record("glutPositionWindow", {double(x), double(y)}); }
}

// The full-screen and pointer layers
void enterFullScreen() { record("enterFullScreen"); }
void keepWindowedSize(int w, int h) { record("keepWindowedSize", {double(w), double(h)}); }
void hidePointer() { record("hidePointer"); }
void placePointerWhenSettled(int x, int y, bool fullScreen) {
    record("placePointerWhenSettled", {double(x), double(y), fullScreen ? 1.0 : 0.0});
    restKnown = false;  // until the window settles, which a test stands in for with setPointerRest
}
void placePointerInWindow(int x, int y) {
    record("placePointerInWindow", {double(x), double(y)});
    glrec::setPointerRest(x, y);
}
void notePointerRest(int x, int y) {
    record("notePointerRest", {double(x), double(y)});
    glrec::setPointerRest(x, y);
}
void keepKeysFromWindowSystem() { record("keepKeysFromWindowSystem"); }
// Leaves the position as reported, as on X11.
void toPlacementPosition(int& x, int& y) { record("toPlacementPosition", {double(x), double(y)}); }
// A query, not an action: left out of the log. Travel is measured from the rest point,
// as on a window system that reports positions after a placement as it left them.
bool pointerTravel(int x, int y, double& dx, double& dy) {
    dx = static_cast<double>(x) - restX;
    dy = static_cast<double>(y) - restY;
    return restKnown;
}
