#include <cstdlib>

#include "app/ToolkitEnvironment.h"

// A Windows program run under wine sees the Unix DISPLAY variable, which the toolkit
// takes for the name of a Windows display device and fails to open ("CreateDC failed").
// Windows itself sets no such variable, so nothing of use is lost.
void prepareToolkitEnvironment() { _putenv("DISPLAY="); }
