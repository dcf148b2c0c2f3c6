#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

#include "Child.h"
#include "ScratchDir.h"

namespace e2e {

// A private X server (Xvfb, 1024x768x24, on a display number it picks itself, so
// parallel runs never collide) with openbox as its window manager, configured with no
// key and no mouse bindings so that every key reaches the client, and a keyboard map
// without the server's own actions (which take Ctrl+Alt+F1..F12 for switching
// terminals). Also the test's own connection to it. Everything it started ends with it.
class XSession {
public:
    static constexpr int screenWidth = 1024;  // px
    static constexpr int screenHeight = 768;  // px

    XSession();  // throws std::runtime_error when the server or the manager does not come up
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;
    ~XSession();

    const std::string& displayName() const { return displayName_; }
    Display* display() const { return display_; }
    Window root() const { return DefaultRootWindow(display_); }
    const ScratchDir& scratch() const { return scratch_; }

    // Ends the window manager and the server; idempotent.
    void stop();

private:
    ScratchDir scratch_;
    std::unique_ptr<Child> server_;
    std::unique_ptr<Child> windowManager_;
    std::string displayName_;
    Display* display_ = nullptr;
};

}  // namespace e2e
