// Loaded into the native viewer (LD_PRELOAD) by the end-to-end tests: after every frame
// it writes the camera that frame was drawn with to the file named by VIEW_RECORD, so a
// test can say how far the camera turned, not only that the picture differs.
//
// The view is the first rotation of a frame: the model-view matrix is reset, then the
// camera's turn is applied as one glRotatef (none for the identity). The file holds
// "ANGLE AXIS_X AXIS_Y AXIS_Z FRAMES\n", rewritten in place.
#include <GL/gl.h>
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {
struct Record {
    int file = -1;
    GLenum matrixMode = GL_MODELVIEW;
    bool viewPending = false;  // the model-view matrix was reset; its first turn is the view
    float view[4] = {0, 0, 1, 0};
    long frames = 0;
} record;

template <class F>
F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void write() {
    if (record.file < 0) {
        const char* path = std::getenv("VIEW_RECORD");
        if (path == nullptr) return;
        record.file = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (record.file < 0) return;
    }
    char line[160];
    const int n = std::snprintf(line, sizeof line, "%.9g %.9g %.9g %.9g %ld\n", record.view[0], record.view[1],
                                record.view[2], record.view[3], record.frames);
    if (::pwrite(record.file, line, static_cast<size_t>(n), 0) == n) (void)::ftruncate(record.file, n);
}
}  // namespace

extern "C" {
void glMatrixMode(GLenum mode) {
    static const auto real = next<void (*)(GLenum)>("glMatrixMode");
    record.matrixMode = mode;
    real(mode);
}

void glLoadIdentity() {
    static const auto real = next<void (*)()>("glLoadIdentity");
    if (record.matrixMode == GL_MODELVIEW) {
        record.viewPending = true;
        record.view[0] = 0, record.view[1] = 0, record.view[2] = 1, record.view[3] = 0;
    }
    real();
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    static const auto real = next<void (*)(GLfloat, GLfloat, GLfloat, GLfloat)>("glRotatef");
    if (record.viewPending) {
        record.view[0] = angle, record.view[1] = x, record.view[2] = y, record.view[3] = z;
        record.viewPending = false;
    }
    real(angle, x, y, z);
}

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    static const auto real = next<void (*)(Display*, GLXDrawable)>("glXSwapBuffers");
    record.viewPending = false;
    ++record.frames;
    write();
    real(display, drawable);
}
}
