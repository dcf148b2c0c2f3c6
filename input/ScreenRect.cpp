#include "input/ScreenRect.h"

#include <algorithm>

namespace {
long overlap(const ScreenRect& a, const ScreenRect& b) {
    const ScreenRect both = intersection(a, b);
    return both.empty() ? 0 : static_cast<long>(both.width) * both.height;
}
}  // namespace

ScreenRect intersection(const ScreenRect& a, const ScreenRect& b) {
    const int left = std::max(a.x, b.x), top = std::max(a.y, b.y);
    const int right = std::min(a.x + a.width, b.x + b.width), bottom = std::min(a.y + a.height, b.y + b.height);
    return ScreenRect{left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

bool coversMonitor(const std::vector<ScreenRect>& monitors, const ScreenRect& area) {
    for (const ScreenRect& m : monitors)
        if (m == area) return true;
    return false;
}

ScreenRect monitorShowing(const std::vector<ScreenRect>& monitors, const ScreenRect& area) {
    const ScreenRect* best = &monitors.front();
    long bestOverlap = 0;
    for (const ScreenRect& m : monitors)
        if (overlap(m, area) > bestOverlap) {
            bestOverlap = overlap(m, area);
            best = &m;
        }
    return *best;
}
