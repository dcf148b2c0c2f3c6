#include <GL/glut.h>
#include <windows.h>

#include "input/PointerSystem.h"

// The pointer through the Windows user-interface calls, on the window of the current GL
// context. Windows reports the pointer's position after a placement as the placement
// left it, so the travel of a mouse-move message is its distance from the rest point.
namespace {
// More than any toolkit raises the pointer's display count.
constexpr int hideCallLimit = 16;

HWND window = nullptr;

BOOL CALLBACK addMonitor(HMONITOR, HDC, LPRECT area, LPARAM list) {
    reinterpret_cast<std::vector<ScreenRect>*>(list)->push_back(
        ScreenRect{area->left, area->top, area->right - area->left, area->bottom - area->top});
    return TRUE;
}

POINT clientOrigin() {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return origin;
}
}  // namespace

bool bindPointerSystem() {
    if (window == nullptr) window = WindowFromDC(wglGetCurrentDC());
    return window != nullptr;
}

// Windows shows the pointer while a per-thread count is at least zero. The toolkit
// raises the count when it creates its window, so one call may not be enough: the
// count is lowered until it is below zero, and nothing raises it again.
void hideSystemPointer() {
    for (int calls = 0; calls < hideCallLimit && ShowCursor(FALSE) >= 0; ++calls) {
    }
}

bool windowArea(ScreenRect& area) {
    RECT client;
    if (!IsWindowVisible(window) || !GetClientRect(window, &client)) return false;
    const POINT origin = clientOrigin();
    area = ScreenRect{origin.x, origin.y, client.right, client.bottom};
    return true;
}

std::vector<ScreenRect> monitorAreas() {
    std::vector<ScreenRect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty())
        monitors.push_back(ScreenRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    return monitors;
}

// Full screen on Windows is the window covering its monitor; no manager reports it.
bool windowReportedFullScreen() { return false; }

bool pointerPosition(ScreenPoint& at) {
    POINT p;
    if (!GetCursorPos(&p)) return false;
    at = ScreenPoint{p.x, p.y};
    return true;
}

// Windows keeps the pointer on the screen: it rests where it landed. A placement where
// it already is would only come back as one more mouse-move message.
ScreenPoint warpPointer(ScreenPoint to) {
    ScreenPoint landed;
    if (pointerPosition(landed) && landed == to) return landed;
    SetCursorPos(to.x, to.y);
    landed = to;
    pointerPosition(landed);
    return landed;
}

bool placementOnItsWay() { return false; }

void pauseTravel() {}

void travelSince(int windowX, int windowY, ScreenPoint rest, double& dx, double& dy) {
    const POINT origin = clientOrigin();
    dx = static_cast<double>(origin.x) + windowX - rest.x;
    dy = static_cast<double>(origin.y) + windowY - rest.y;
}
