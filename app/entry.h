#pragma once

struct Viewer;

// The one Viewer, set by runViewer before the toolkit starts; every callback reads it.
extern Viewer* theViewer;
// Redraw timer interval in milliseconds, truncated to an integer when armed.
extern const float redrawInterval;

// The toolkit callbacks: each forwards to one Viewer operation.
void displayCallback();
void reshapeCallback(int width, int height);
void mouseCallback(int button, int state, int x, int y);
void keyboardCallback(unsigned char key, int x, int y);
void specialCallback(int key, int x, int y);
void motionCallback(int x, int y);
void timerCallback(int value);

// Creates the Viewer, starts the toolkit with the process's arguments, wires the
// callbacks and enters the main loop. Returns non-zero only if start-up fails.
int runViewer(int& argc, char** argv);
