#include <GL/freeglut.h>

#include "input/WindowFrame.h"

// The toolkit reports the client area's corner on Windows but places the corner of
// the frame around it: the frame's left border and its top (border and caption) lie
// between the two.
void toPlacementPosition(int& x, int& y) {
    x -= glutGet(GLUT_WINDOW_BORDER_WIDTH);
    y -= glutGet(GLUT_WINDOW_BORDER_HEIGHT);
}
