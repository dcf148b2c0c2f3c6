#include "app/ToolkitEnvironment.h"

// The toolkit finds its X display through DISPLAY, which stays as it is.
void prepareToolkitEnvironment() {}
