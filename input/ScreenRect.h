#pragma once

// Places on the screen, in pixels with the origin at the top-left corner of the whole
// desktop (the first monitor's corner is not always the origin).
#include <vector>

struct ScreenPoint {
    int x = 0, y = 0;
    bool operator==(const ScreenPoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const ScreenPoint& o) const { return !(*this == o); }
};

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;

    bool contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const ScreenRect& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
    bool operator!=(const ScreenRect& o) const { return !(*this == o); }
};

ScreenRect intersection(const ScreenRect& a, const ScreenRect& b);

// True when `area` is exactly one of the monitors: a window in full screen.
bool coversMonitor(const std::vector<ScreenRect>& monitors, const ScreenRect& area);

// The monitor that shows the most of `area`; the first monitor when none shows any.
// `monitors` is never empty.
ScreenRect monitorShowing(const std::vector<ScreenRect>& monitors, const ScreenRect& area);
