#include "input/SystemKeys.h"

// X11 hands every key to the program; the window manager's own bindings are its business.
void keepKeysFromWindowSystem() {}
