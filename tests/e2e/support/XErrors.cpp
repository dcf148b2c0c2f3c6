#include "XErrors.h"

namespace e2e {
namespace {
// One test thread, one scope at a time: a plain flag serves.
bool errorSeen = false;

int recordError(Display*, XErrorEvent*) {
    errorSeen = true;
    return 0;
}
}  // namespace

IgnoreXErrors::IgnoreXErrors(Display* display) : display_(display) {
    XSync(display_, False);
    errorSeen = false;
    previous_ = XSetErrorHandler(recordError);
}

IgnoreXErrors::~IgnoreXErrors() {
    XSync(display_, False);
    XSetErrorHandler(previous_);
}

bool IgnoreXErrors::failed() {
    XSync(display_, False);
    return errorSeen;
}

}  // namespace e2e
