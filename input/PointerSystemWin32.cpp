#include <GL/glut.h>
#include <windows.h>

#include "input/PointerSystem.h"

// The pointer through the Windows user-interface calls, on the window of the current GL
// context. A mouse's steps are read as raw input, which counts each of them in full
// whatever the pointer does (a screen edge holds the pointer, raw input goes on). Where
// no device sends steps (a tablet, a remote desktop), the travel of a mouse-move message
// is its distance from the rest point, as Windows reports the pointer after a placement
// where the placement left it.
namespace {
// More than any toolkit raises the pointer's display count.
constexpr int hideCallLimit = 16;
// Raw input's usage page and usage of a mouse.
constexpr USHORT genericDesktopPage = 0x01;
constexpr USHORT mouseUsage = 0x02;
// While steps are read, a placement waits until the mouse has rested this long: made
// while steps are still on their way, its echo can come back as a step of its own (wine
// turns it into a step back by the distance travelled meanwhile).
constexpr DWORD restBeforePlacementMs = 30;
constexpr unsigned restCheckMs = 10;

struct SystemState {
    HWND window = nullptr;
    WNDPROC toolkitProcedure = nullptr;
    bool steps = false;      // the mouse reports steps as raw input
    bool positions = false;  // a device reported a position since the last travel
    bool paused = false;
    double stepsX = 0.0, stepsY = 0.0;  // since the last travel
    DWORD lastStep = 0;                 // ms
    bool placementWaits = false;
    ScreenPoint waitingPlacement;
} sys;

BOOL CALLBACK addMonitor(HMONITOR, HDC, LPRECT area, LPARAM list) {
    reinterpret_cast<std::vector<ScreenRect>*>(list)->push_back(
        ScreenRect{area->left, area->top, area->right - area->left, area->bottom - area->top});
    return TRUE;
}

POINT clientOrigin() {
    POINT origin{0, 0};
    ClientToScreen(sys.window, &origin);
    return origin;
}

// In full screen the pointer is held inside the window. One pixel in from each side: a
// clip that covers the whole desktop is taken as none by some systems (wine), which then
// make raw input out of positions. A window is left free, for the user to reach others.
void clipTo(const ScreenRect& window) {
    if (!coversMonitor(monitorAreas(), window) || window.width < 3 || window.height < 3) {
        ClipCursor(nullptr);
        return;
    }
    const RECT clip{window.x + 1, window.y + 1, window.x + window.width - 1, window.y + window.height - 1};
    ClipCursor(&clip);
}

void clipToWindow() {
    ScreenRect window;
    if (windowArea(window)) clipTo(window);
}

void readRawInput(LPARAM handle) {
    RAWINPUT raw;
    UINT size = sizeof raw;
    if (GetRawInputData(reinterpret_cast<HRAWINPUT>(handle), RID_INPUT, &raw, &size, sizeof(RAWINPUTHEADER)) ==
            static_cast<UINT>(-1) ||
        raw.header.dwType != RIM_TYPEMOUSE)
        return;
    const RAWMOUSE& mouse = raw.data.mouse;
    if (mouse.usFlags & MOUSE_MOVE_ABSOLUTE) {
        sys.positions = true;
        return;
    }
    if (mouse.lLastX == 0 && mouse.lLastY == 0) return;
    sys.steps = true;
    sys.lastStep = static_cast<DWORD>(GetMessageTime());
    if (sys.paused) return;
    sys.stepsX += mouse.lLastX;
    sys.stepsY += mouse.lLastY;
}

LRESULT CALLBACK inputFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INPUT) readRawInput(lParam);
    // The pointer is free while another window is active.
    if (message == WM_ACTIVATE) {
        if (LOWORD(wParam) == WA_INACTIVE)
            ClipCursor(nullptr);
        else
            clipToWindow();
    }
    return CallWindowProcA(sys.toolkitProcedure, window, message, wParam, lParam);
}

void placeWhenRested(int /*value*/) {
    if (!sys.placementWaits) return;
    // Input still on its way, or made lately, means the mouse has not rested.
    if (HIWORD(GetQueueStatus(QS_RAWINPUT | QS_MOUSEMOVE)) != 0 ||
        GetTickCount() - sys.lastStep < restBeforePlacementMs) {
        glutTimerFunc(restCheckMs, placeWhenRested, 0);
        return;
    }
    sys.placementWaits = false;
    sys.paused = false;
    clipToWindow();
    SetCursorPos(sys.waitingPlacement.x, sys.waitingPlacement.y);
}
}  // namespace

bool bindPointerSystem() {
    if (sys.window != nullptr) return true;
    sys.window = WindowFromDC(wglGetCurrentDC());
    if (sys.window == nullptr) return false;
    // Asking where the pointer is brings the system's idea of it up to date first: wine
    // otherwise turns the first position it learns into one step from the screen's corner.
    POINT unused;
    GetCursorPos(&unused);
    const RAWINPUTDEVICE mice{genericDesktopPage, mouseUsage, 0, sys.window};
    RegisterRawInputDevices(&mice, 1, sizeof mice);
    sys.toolkitProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(sys.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(inputFilter)));
    return true;
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
    if (!IsWindowVisible(sys.window) || !GetClientRect(sys.window, &client)) return false;
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
// it already is would only come back as one more mouse-move message. While steps are
// read, the pointer's place does not count, so the placement waits for the mouse to rest;
// steps count again once it is made.
ScreenPoint warpPointer(ScreenPoint to, const ScreenRect& window) {
    if (sys.steps) {
        sys.waitingPlacement = to;
        if (!sys.placementWaits) {
            sys.placementWaits = true;
            glutTimerFunc(restCheckMs, placeWhenRested, 0);
        }
        return to;
    }
    sys.paused = false;
    clipTo(window);
    ScreenPoint landed;
    if (pointerPosition(landed) && landed == to) return landed;
    SetCursorPos(to.x, to.y);
    landed = to;
    pointerPosition(landed);
    return landed;
}

bool placementOnItsWay() { return sys.placementWaits; }

void pauseTravel() {
    sys.paused = true;
    sys.stepsX = sys.stepsY = 0.0;
}

void travelSince(int windowX, int windowY, ScreenPoint rest, double& dx, double& dy) {
    if (sys.steps && !sys.positions) {
        dx = sys.stepsX;
        dy = sys.stepsY;
    } else {
        const POINT origin = clientOrigin();
        dx = static_cast<double>(origin.x) + windowX - rest.x;
        dy = static_cast<double>(origin.y) + windowY - rest.y;
    }
    sys.positions = false;
    sys.stepsX = sys.stepsY = 0.0;
}
