#include "XSession.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include "Wait.h"
#include "XProps.h"

namespace e2e {
namespace {
constexpr Millis serverStartLimit(15000);
constexpr Millis managerStartLimit(15000);
constexpr Millis keymapLimit(10000);
constexpr Millis keyArrivalLimit(1000);
constexpr int keyAttempts = 5;

// Key and mouse sections present but empty: openbox then binds nothing (its default
// configuration would close the window on Alt+F4 by itself).
const char* const windowManagerConfig = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <desktops><number>1</number></desktops>
  <keyboard></keyboard>
  <mouse></mouse>
</openbox_config>
)";

// Reads the display number that Xvfb writes to the -displayfd pipe once it accepts clients.
std::string readDisplayNumber(int fd, Child& server) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + serverStartLimit;
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !server.running()) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[32];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    if (text.find('\n') == std::string::npos) throw std::runtime_error("Xvfb did not report its display number");
    return text.substr(0, text.find('\n'));
}

constexpr Millis probeRetry(200);  // a map request lost during the manager's start-up is sent again

// The manager announces itself when the root names a check window that names itself.
bool windowManagerAnnounced(Display* display) {
    const auto check = windowProperty(display, DefaultRootWindow(display), "_NET_SUPPORTING_WM_CHECK");
    return check && windowProperty(display, *check, "_NET_SUPPORTING_WM_CHECK") == check;
}

bool viewable(Display* display, Window window) {
    const auto g = windowGeometry(display, window);
    return g && g->viewable;
}

// openbox announces itself before its start-up is over and drops map requests that
// arrive meanwhile; it is ready once it has mapped a probe window and let it go again.
bool windowManagerManages(Display* display, Child& manager, Millis limit) {
    const Window probe = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 16, 16, 0, 0, 0);
    const bool mapped = waitUntil(
        [&] {
            XMapWindow(display, probe);
            XSync(display, False);
            return waitUntil([&] { return viewable(display, probe); }, probeRetry) || !manager.running();
        },
        limit, Millis(0));
    XDestroyWindow(display, probe);
    XSync(display, False);
    const bool released = waitUntil(
        [&] {
            for (Window w : windowListProperty(display, DefaultRootWindow(display), "_NET_CLIENT_LIST"))
                if (w == probe) return false;
            return true;
        },
        limit);
    return mapped && released && manager.running();
}

// Runs a set-up tool to its end; throws with what it wrote on standard error if it fails.
void runSetUpTool(ChildOptions tool, const std::string& errorLog, Millis limit, const std::string& what) {
    tool.stderrPath = errorLog;
    Child run(tool);
    const auto status = run.waitExit(limit);
    if (!status || !WIFEXITED(*status) || WEXITSTATUS(*status) != 0)
        throw std::runtime_error(what + " failed: " + readFile(errorLog));
}
}  // namespace

XSession::XSession(const Desktop& desktop) : desktop_(desktop), scratch_("x") {
    if (desktop.wayland()) {
        compositor_ = std::make_unique<WaylandCompositor>(desktop, scratch_);
        displayName_ = compositor_->displayName();
        // For this test process's own connection; programs get it with clientEnvironment().
        if (!compositor_->xauthority().empty()) ::setenv("XAUTHORITY", compositor_->xauthority().c_str(), 1);
        display_ = XOpenDisplay(displayName_.c_str());
        if (display_ == nullptr) throw std::runtime_error("cannot connect to Xwayland on " + displayName_);
        // The compositor is the window manager; its input device exists before any window.
        input_ = compositor_->makeInput(display_);
        if (!waitUntil([&] { return windowManagerAnnounced(display_); }, managerStartLimit))
            throw std::runtime_error(desktop.name + " announced no window manager on Xwayland");
        plugInDevices();
        return;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    try {
        ChildOptions server;
        const std::string screen =
            std::to_string(desktop.screenWidth) + "x" + std::to_string(desktop.screenHeight) + "x24";
        server.argv = {"/usr/bin/Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"};
        server.passFd = pipeFds[1];
        server.stderrPath = scratch_.file("xvfb.log");
        server_ = std::make_unique<Child>(server);
        ::close(pipeFds[1]);
        pipeFds[1] = -1;
        displayName_ = ":" + readDisplayNumber(pipeFds[0], *server_);
    } catch (...) {
        ::close(pipeFds[0]);
        if (pipeFds[1] >= 0) ::close(pipeFds[1]);
        throw;
    }
    ::close(pipeFds[0]);

    display_ = XOpenDisplay(displayName_.c_str());
    if (display_ == nullptr) throw std::runtime_error("cannot connect to Xvfb on " + displayName_);
    setKeyboardMap();
    declareMonitors();
    startWindowManager();
    input_ = std::make_unique<XTestInput>(display_);
}

// The server would take Ctrl+Alt+F4 for itself, and no program would see that key.
void XSession::setKeyboardMap() {
    ChildOptions keymap;
    keymap.argv = {"/usr/bin/setxkbmap", "-display", displayName_, "-option", "srvrkeys:none"};
    runSetUpTool(keymap, scratch_.file("setxkbmap.log"), keymapLimit, "setxkbmap");
}

// As a user would: the first monitor takes over the screen's one output, the others
// have none. The server keeps them since it never resets.
void XSession::declareMonitors() {
    for (std::size_t i = 0; i < desktop_.monitors.size(); ++i) {
        const Area& m = desktop_.monitors[i];
        // Physical size at 96 dots per inch; only its presence matters.
        const std::string geometry = std::to_string(m.width) + "/" + std::to_string(m.width * 254 / 960) + "x" +
                                     std::to_string(m.height) + "/" + std::to_string(m.height * 254 / 960) + "+" +
                                     std::to_string(m.x) + "+" + std::to_string(m.y);
        ChildOptions xrandr;
        xrandr.argv = {"/usr/bin/xrandr", "--setmonitor", "monitor" + std::to_string(i), geometry,
                       i == 0 ? "screen" : "none"};
        xrandr.environment = {"DISPLAY=" + displayName_};
        runSetUpTool(xrandr, scratch_.file("xrandr.log"), managerStartLimit, "xrandr --setmonitor");
    }
}

void XSession::startWindowManager() {
    ChildOptions manager;
    manager.environment = {"DISPLAY=" + displayName_, "XDG_CONFIG_HOME=" + scratch_.path(),
                           "XDG_CACHE_HOME=" + scratch_.path(), "HOME=" + scratch_.path()};
    manager.stderrPath = scratch_.file("manager.log");
    switch (desktop_.manager) {
        case WindowManager::none:
        case WindowManager::mutter:
        case WindowManager::sway:
            return;
        case WindowManager::openbox:
            writeFile(scratch_.file("openbox.xml"), windowManagerConfig);
            manager.argv = {"/usr/bin/openbox", "--config-file", scratch_.file("openbox.xml"), "--sm-disable"};
            break;
        case WindowManager::xfwm4:
            // xfwm4 reads its settings over a session bus of its own; the compositor
            // would stand between the window and the screen the tests read.
            manager.argv = {"/usr/bin/dbus-run-session", "--", "/usr/bin/xfwm4", "--compositor=off",
                            "--sm-client-disable"};
            break;
    }
    windowManager_ = std::make_unique<Child>(manager);
    if (!waitUntil([&] { return windowManagerAnnounced(display_) || !windowManager_->running(); },
                   managerStartLimit) ||
        !windowManagerManages(display_, *windowManager_, managerStartLimit))
        throw std::runtime_error(desktop_.name + ": the window manager did not become ready: " +
                                 readFile(scratch_.file("manager.log")));
}

// A keyboard that comes into being with its first key (as each run of wtype's does, and
// mutter's remote-desktop keyboard on its first key) loses that key: Xwayland has not yet
// taken up the new keyboard when the compositor passes the key on. A user's mouse and
// keyboard are there before any program starts, and so are these: the mouse has moved,
// and a key has reached a window of the test's own (tapped again until X has seen it).
void XSession::plugInDevices() {
    input_->moveBy(1, 1);
    input_->moveBy(-1, -1);
    const Window probe = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 64, 64, 0, 0, 0);
    XMapWindow(display_, probe);
    XSync(display_, False);
    const bool focused = waitUntil(
        [&] {
            Window focus;
            int revert;
            XGetInputFocus(display_, &focus, &revert);
            return focus == probe;
        },
        managerStartLimit);
    const KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
    const auto down = [&] {
        char keys[32];
        XQueryKeymap(display_, keys);
        return (keys[shift / 8] & (1 << (shift % 8))) != 0;
    };
    bool arrived = false;
    for (int attempt = 0; focused && !arrived && attempt < keyAttempts; ++attempt) {
        input_->key(XK_Shift_L, true);
        arrived = waitUntil(down, keyArrivalLimit);
        input_->key(XK_Shift_L, false);
        waitUntil([&] { return !down(); }, keyArrivalLimit);
    }
    XDestroyWindow(display_, probe);
    XSync(display_, False);
    if (!arrived) throw std::runtime_error(desktop_.name + ": no key reached a window of the test's own");
}

std::vector<std::string> XSession::clientEnvironment() const {
    if (compositor_ && !compositor_->xauthority().empty())
        return {"DISPLAY=" + displayName_, "XAUTHORITY=" + compositor_->xauthority()};
    return {"DISPLAY=" + displayName_};
}

XSession::~XSession() { stop(); }

void XSession::stop() {
    input_.reset();
    if (display_ != nullptr) {
        XCloseDisplay(display_);
        display_ = nullptr;
    }
    if (windowManager_) windowManager_->stop();
    if (server_) server_->stop();
    if (compositor_) compositor_->stop();
}

}  // namespace e2e
