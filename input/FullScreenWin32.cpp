#include <GL/glut.h>

#include "input/FullScreen.h"

// The toolkit's full screen covers the window's monitor on Windows.
void enterFullScreen() { glutFullScreen(); }

// Windows applies the size the toolkit asks for.
void keepWindowedSize(int /*width*/, int /*height*/) {}
