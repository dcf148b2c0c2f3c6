#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

#include "Child.h"
#include "Desktop.h"
#include "Input.h"
#include "ScratchDir.h"
#include "WaylandCompositor.h"

namespace e2e {

// A private X server: on a Wayland desktop the Xwayland of a compositor of its own
// (WaylandCompositor); else Xvfb, sized as the desktop says, on a display number it picks
// itself, so parallel runs never collide) with the desktop's monitors and window
// manager; openbox is configured with no key and no mouse bindings so that every key
// reaches the client, and the keyboard map leaves out the server's own actions (which
// take Ctrl+Alt+F1..F12 for switching terminals). Also the test's own connection to it.
// Everything it started ends with it.
class XSession {
public:
    explicit XSession(const Desktop& desktop);  // throws std::runtime_error when something does not come up
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;
    ~XSession();

    const Desktop& desktop() const { return desktop_; }
    const std::string& displayName() const { return displayName_; }
    // What a program needs in its environment to reach the display (NAME=VALUE).
    std::vector<std::string> clientEnvironment() const;
    Display* display() const { return display_; }
    Window root() const { return DefaultRootWindow(display_); }
    const ScratchDir& scratch() const { return scratch_; }
    // The user's mouse and keyboard on this desktop.
    Input& input() const { return *input_; }

    // Ends the window manager and the server; idempotent.
    void stop();

private:
    void setKeyboardMap();
    void declareMonitors();
    void startWindowManager();
    void plugInDevices();

    const Desktop& desktop_;
    ScratchDir scratch_;
    std::unique_ptr<Child> server_;
    std::unique_ptr<Child> windowManager_;
    std::unique_ptr<WaylandCompositor> compositor_;
    std::string displayName_;
    Display* display_ = nullptr;
    std::unique_ptr<Input> input_;
};

}  // namespace e2e
