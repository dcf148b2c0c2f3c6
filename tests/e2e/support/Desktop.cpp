#include "Desktop.h"

#include <algorithm>
#include <stdexcept>

namespace e2e {
namespace {
const std::vector<Desktop>& desktops() {
    static const std::vector<Desktop> all = {
        {"openbox", WindowManager::openbox, 1024, 768, {}, false, false, false},
        {"no-wm", WindowManager::none, 1024, 768, {}, false, false, false},
        {"xfwm4", WindowManager::xfwm4, 1024, 768, {}, true, true, false},
        {"two-monitors", WindowManager::openbox, 2048, 768, {{0, 0, 1024, 768}, {1024, 0, 1024, 768}}, false, false,
         false},
        {"two-monitors-no-wm", WindowManager::none, 2048, 768, {{0, 0, 1024, 768}, {1024, 0, 1024, 768}}, false,
         false, false},
        {"320x200", WindowManager::openbox, 320, 200, {}, false, false, false},
        {"1920x1080", WindowManager::openbox, 1920, 1080, {}, false, false, false},
        {"mutter", WindowManager::mutter, 1024, 768, {}, true, true, false},
        {"sway", WindowManager::sway, 1024, 768, {}, false, false, true},
    };
    return all;
}
}  // namespace

Area Desktop::startMonitor() const { return monitors.empty() ? Area{0, 0, screenWidth, screenHeight} : monitors[0]; }

const Desktop& desktopNamed(const std::string& name) {
    for (const Desktop& d : desktops())
        if (d.name == name) return d;
    throw std::invalid_argument("no desktop named " + name);
}

std::vector<Area> Desktop::allMonitors() const {
    return monitors.empty() ? std::vector<Area>{startMonitor()} : monitors;
}

namespace {
Area overlapOf(const Area& a, const Area& b) {
    const int left = std::max(a.x, b.x), top = std::max(a.y, b.y);
    const int right = std::min(a.x + a.width, b.x + b.width), bottom = std::min(a.y + a.height, b.y + b.height);
    return Area{left, top, std::max(0, right - left), std::max(0, bottom - top)};
}
}  // namespace

Point restPointFor(const Area& window, Point inWindow, const std::vector<Area>& monitors) {
    const Point p{window.x + inWindow.x, window.y + inWindow.y};
    Area monitor = monitors.front();
    long shown = 0;
    for (const Area& m : monitors) {
        if (window.contains(p) && m.contains(p)) return p;
        const Area both = overlapOf(window, m);
        if (static_cast<long>(both.width) * both.height > shown) {
            shown = static_cast<long>(both.width) * both.height;
            monitor = m;
        }
    }
    const Area shows = overlapOf(window, monitor);
    return Point{shows.x + shows.width / 2, shows.y + shows.height / 2};
}

}  // namespace e2e
