// The picture the viewer must show for a given camera: the viewer's own start-up, then
// the camera set from the command line, and no mouse look (so nothing can turn it).
//
//   reference_view [PITCH [YAW...]]
//
// PITCH becomes `pitch`; each YAW (degrees) turns `orientation` as one mouse-look step
// does, Qy(YAW) ⊗ orientation, in the order given.
#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>

#include "app/ToolkitEnvironment.h"
#include "app/Viewer.h"
#include "app/entry.h"

int main(int argc, char** argv) {
    // The toolkit takes out the arguments it knows, which ours are not.
    theViewer = new Viewer;
    prepareToolkitEnvironment();
    glutInit(&argc, argv);
    theViewer->init();
    if (argc > 1) theViewer->pitch = std::strtof(argv[1], nullptr);
    for (int i = 2; i < argc; ++i) theViewer->orientation.multiply(Quat(0.0f, std::strtof(argv[i], nullptr), 0.0f));

    glutDisplayFunc(displayCallback);
    glutReshapeFunc(reshapeCallback);
    glutKeyboardFunc(keyboardCallback);
    glutTimerFunc(static_cast<unsigned>(redrawInterval), timerCallback, 0);
    glutMainLoop();
    return 0;
}
