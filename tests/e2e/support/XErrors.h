#pragma once

#include <X11/Xlib.h>

namespace e2e {

// While alive, X protocol errors on `display` are recorded instead of ending the test
// process (Xlib's default handler exits): a window the test looks at may vanish any time.
class IgnoreXErrors {
public:
    explicit IgnoreXErrors(Display* display);
    IgnoreXErrors(const IgnoreXErrors&) = delete;
    IgnoreXErrors& operator=(const IgnoreXErrors&) = delete;
    ~IgnoreXErrors();

    // Whether a request made so far in this scope failed (syncs with the server).
    bool failed();

private:
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*);
};

}  // namespace e2e
