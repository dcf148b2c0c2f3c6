#pragma once

#include <string>
#include <vector>

#include "Input.h"

namespace e2e {

// One X11 set-up the viewer is tried on: the screen's size, the monitors declared on it,
// and the window manager. Each test runs on the desktop named with --desktop=.
// mutter and sway are Wayland compositors: the viewer runs through their Xwayland.
enum class WindowManager { none, openbox, xfwm4, mutter, sway };

struct Area {
    int x, y, width, height;
    bool contains(Point p) const { return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height; }
    bool operator==(const Area& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};

struct Desktop {
    std::string name;
    WindowManager manager;
    int screenWidth, screenHeight;  // px
    std::vector<Area> monitors;     // declared with xrandr; none: the screen is the one monitor
    // The manager keeps its own key bindings: Alt+F4 closes the window, and other
    // modified keys (Ctrl+F4 and the like) may switch workspaces.
    bool managerBindsKeys;
    // F11 back to a window puts it lower right by its frame each time: the toolkit reports
    // the window's corner, and this manager places the frame's corner there (not mended).
    bool managerPlacesFrame;
    // The manager tiles: out of full screen a window gets the screen less the manager's
    // border and title, whatever size it asks for.
    bool managerTiles;

    // A Wayland desktop, whose compositor decides where windows go and takes input.
    bool wayland() const { return manager == WindowManager::mutter || manager == WindowManager::sway; }
    // The compositor gives a new window its pointer only with the first motion over it,
    // which reaches X as a jump from the compositor's own position (mutter).
    bool handsPointerOverOnFirstMotion() const { return manager == WindowManager::mutter; }
    // Where the viewer starts: the window opens at (100, 100), on the first monitor.
    Area startMonitor() const;
    // The declared monitors, or the screen as the one monitor.
    std::vector<Area> allMonitors() const;
};

// Throws std::invalid_argument for a name not in the list.
const Desktop& desktopNamed(const std::string& name);

// Where the viewer brings the pointer to rest for a point of a window placed at `window`
// (screen pixels): the point itself when the pointer can reach it there, on a monitor
// and over the window; else the centre of the part of the window shown by the monitor
// that shows most of it.
Point restPointFor(const Area& window, Point inWindow, const std::vector<Area>& monitors);

}  // namespace e2e
