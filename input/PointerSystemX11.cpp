#include <GL/glut.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/Xfixes.h>

#include <initializer_list>

#include "input/MotionStream.h"
#include "input/PointerSystem.h"
#include "input/ScreenX11.h"

// The pointer through a connection of its own to the toolkit's X server. Its events
// carry the serials of its own requests, so the placements made through it are told
// apart in the motion it reads: motion the mouse made before a placement still shows
// the old place, and without this would be counted again from the new one. Its raw
// motion counts what the screen edge held back.
namespace {
// XInput 2.2: raw motion of every device, delivered whatever grabs are active.
constexpr int inputMajor = 2;
constexpr int inputMinor = 2;
// Devices whose kind of motion (steps or positions) is remembered; more are asked anew.
constexpr int deviceMemory = 16;

struct DeviceKind {
    int id;
    bool absolute;
};

struct SystemState {
    bool bound = false;
    bool barriersAllowed = false;  // XFixes 5
    PointerBarrier barriers[4] = {};
    bool held = false;
    ScreenRect holdDecidedFor{0, 0, -1, -1};  // the window the barriers were last set for
    Display* display = nullptr;  // the layer's own connection; the toolkit's if none could be opened
    Window window = 0;
    int inputOpcode = -1;  // of XInput 2; -1 without it
    MotionStream stream;
    DeviceKind devices[deviceMemory] = {};
    int deviceCount = 0;
} sys;

bool streamed() { return sys.inputOpcode >= 0; }

// A device reports positions when its first two axes are absolute (a tablet, a touch
// screen); a mouse reports steps.
bool reportsPositions(int device) {
    for (int i = 0; i < sys.deviceCount; ++i)
        if (sys.devices[i].id == device) return sys.devices[i].absolute;
    bool absolute = false;
    int count = 0;
    XIDeviceInfo* info = XIQueryDevice(sys.display, device, &count);
    for (int i = 0; info != nullptr && i < info[0].num_classes; ++i) {
        const XIAnyClassInfo* c = info[0].classes[i];
        if (c->type != XIValuatorClass) continue;
        const auto* v = reinterpret_cast<const XIValuatorClassInfo*>(c);
        if (v->number <= 1 && v->mode == XIModeAbsolute) absolute = true;
    }
    if (info != nullptr) XIFreeDeviceInfo(info);
    if (sys.deviceCount == deviceMemory) sys.deviceCount = 0;
    sys.devices[sys.deviceCount++] = DeviceKind{device, absolute};
    return absolute;
}

void addRaw(const XIRawEvent& e, unsigned long serial) {
    RawMotion raw{serial, e.time, e.sourceid, reportsPositions(e.sourceid), false, false, 0.0, 0.0};
    const double* value = e.valuators.values;
    for (int axis = 0; axis < e.valuators.mask_len * 8; ++axis) {
        if (!XIMaskIsSet(e.valuators.mask, axis)) continue;
        if (axis == 0) raw.hasX = true, raw.x = *value;
        if (axis == 1) raw.hasY = true, raw.y = *value;
        ++value;
    }
    sys.stream.add(raw);
}

// Reads every event that has come; the stream keeps what they mean.
void drain() {
    if (!streamed()) return;
    while (XPending(sys.display) > 0) {
        XEvent event;
        XNextEvent(sys.display, &event);
        XGenericEventCookie& cookie = event.xcookie;
        if (cookie.type != GenericEvent || cookie.extension != sys.inputOpcode ||
            !XGetEventData(sys.display, &cookie))
            continue;
        switch (cookie.evtype) {
            case XI_RawMotion:
                addRaw(*static_cast<XIRawEvent*>(cookie.data), cookie.serial);
                break;
            case XI_Motion:
            case XI_Enter:
            case XI_Leave: {
                const auto& e = *static_cast<XIDeviceEvent*>(cookie.data);
                // Leaving, or another client taking the pointer: its motion goes elsewhere.
                const bool inside = cookie.evtype != XI_Leave &&
                                    !(cookie.evtype == XI_Enter &&
                                      static_cast<XIEnterEvent*>(cookie.data)->mode == XINotifyGrab);
                sys.stream.add(PointerMotion{cookie.serial, e.time, e.sourceid, e.root_x, e.root_y, inside});
                break;
            }
            case XI_HierarchyChanged:
                sys.deviceCount = 0;  // devices come and go; ask again
                break;
        }
        XFreeEventData(sys.display, &cookie);
    }
}

// In full screen four barriers on the window's edges hold the pointer inside it, so that
// a fast move does not carry it onto another monitor, off the window, where its motion
// would not be seen; the steps it makes against a barrier still count.
void holdInside(const ScreenRect& window) {
    if (sys.held) {
        for (PointerBarrier b : sys.barriers) XFixesDestroyPointerBarrier(sys.display, b);
        sys.held = false;
    }
    if (!coversMonitor(monitorsOf(sys.display), window) || !sys.barriersAllowed) return;
    const Window root = DefaultRootWindow(sys.display);
    const int left = window.x, top = window.y, right = window.x + window.width, bottom = window.y + window.height;
    constexpr int bothWays = 0;
    sys.barriers[0] = XFixesCreatePointerBarrier(sys.display, root, left, top, left, bottom, bothWays, 0, nullptr);
    sys.barriers[1] = XFixesCreatePointerBarrier(sys.display, root, right, top, right, bottom, bothWays, 0, nullptr);
    sys.barriers[2] = XFixesCreatePointerBarrier(sys.display, root, left, top, right, top, bothWays, 0, nullptr);
    sys.barriers[3] = XFixesCreatePointerBarrier(sys.display, root, left, bottom, right, bottom, bothWays, 0, nullptr);
    sys.held = true;
}

void selectEvents(Window window, int device, std::initializer_list<int> types) {
    unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
    for (int t : types) XISetMask(mask, t);
    XIEventMask events{device, static_cast<int>(sizeof mask), mask};
    XISelectEvents(sys.display, window, &events, 1);
}

// The layer's own connection, reading the pointer's motion over the window and every
// device's raw motion. Without XInput 2 the toolkit's connection serves, and travel is
// measured from the rest point.
void openStream(Display* toolkit) {
    sys.display = XOpenDisplay(DisplayString(toolkit));
    int event, error, major = inputMajor, minor = inputMinor;
    if (sys.display == nullptr ||
        !XQueryExtension(sys.display, "XInputExtension", &sys.inputOpcode, &event, &error) ||
        XIQueryVersion(sys.display, &major, &minor) != Success) {
        if (sys.display != nullptr) XCloseDisplay(sys.display);
        sys.display = toolkit;
        sys.inputOpcode = -1;
        return;
    }
    selectEvents(sys.window, XIAllMasterDevices, {XI_Motion, XI_Enter, XI_Leave});
    selectEvents(DefaultRootWindow(sys.display), XIAllMasterDevices, {XI_RawMotion});
    selectEvents(DefaultRootWindow(sys.display), XIAllDevices, {XI_HierarchyChanged});
    XSync(sys.display, False);
}
}  // namespace

bool bindPointerSystem() {
    if (sys.bound) return true;
    Display* toolkit = glXGetCurrentDisplay();
    if (toolkit == nullptr) return false;
    sys.bound = true;
    sys.window = glXGetCurrentDrawable();
    openStream(toolkit);
    return true;
}

// The toolkit's blank cursor hides the pointer from the eye, but a compositor running
// X clients (Xwayland) holds the pointer where a client places it only when the server
// itself hides the cursor, which XFixes asks of it.
void hideSystemPointer() {
    glutSetCursor(GLUT_CURSOR_NONE);
    int event, error, major = 5, minor = 0;
    if (XFixesQueryExtension(sys.display, &event, &error) && XFixesQueryVersion(sys.display, &major, &minor) &&
        major >= 4) {
        XFixesHideCursor(sys.display, sys.window);
        XFlush(sys.display);
        sys.barriersAllowed = major >= 5;
    }
}

bool windowArea(ScreenRect& area) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(sys.display, sys.window, &attributes) && attributes.map_state == IsViewable &&
           windowRect(sys.display, sys.window, area);
}

std::vector<ScreenRect> monitorAreas() { return monitorsOf(sys.display); }

bool windowReportedFullScreen() { return reportedFullScreen(sys.display, sys.window); }

// From the events read so far when they tell; else asked of the server.
bool pointerPosition(ScreenPoint& at) {
    drain();
    double x, y;
    if (streamed() && sys.stream.position(x, y)) {
        at = ScreenPoint{static_cast<int>(x), static_cast<int>(y)};
        return true;
    }
    Window root, child;
    int windowX, windowY;
    unsigned mask;
    return XQueryPointer(sys.display, sys.window, &root, &child, &at.x, &at.y, &windowX, &windowY, &mask);
}

// Made even onto the pointer's own position (the server then reports no motion), so
// that motion made from here on counts.
ScreenPoint warpPointer(ScreenPoint to, const ScreenRect& window) {
    if (window != sys.holdDecidedFor) holdInside(window);
    sys.holdDecidedFor = window;
    const unsigned long serial = NextRequest(sys.display);
    XWarpPointer(sys.display, None, DefaultRootWindow(sys.display), 0, 0, 0, 0, to.x, to.y);
    XFlush(sys.display);
    if (streamed()) sys.stream.placed(serial, to.x, to.y);
    return to;
}

bool placementOnItsWay() {
    drain();
    return streamed() && sys.stream.placementOnItsWay();
}

// A request of its own marks the moment: events made after the server handled it
// carry its serial or a later one.
void pauseTravel() {
    if (!streamed()) return;
    const unsigned long serial = NextRequest(sys.display);
    XNoOp(sys.display);
    XFlush(sys.display);
    sys.stream.pauseFrom(serial);
}

void travelSince(int windowX, int windowY, ScreenPoint rest, double& dx, double& dy) {
    if (!streamed()) {
        ScreenRect area;
        const bool placed = windowRect(sys.display, sys.window, area);
        dx = placed ? static_cast<double>(area.x) + windowX - rest.x : 0.0;
        dy = placed ? static_cast<double>(area.y) + windowY - rest.y : 0.0;
        return;
    }
    drain();
    sys.stream.take(dx, dy);
}
