#include "input/ScreenX11.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

namespace {
// Monitors as a list of their own came with XRandR 1.5.
constexpr int randrMonitorsMajor = 1;
constexpr int randrMonitorsMinor = 5;

bool randrHasMonitors(Display* display) {
    int eventBase, errorBase, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase) || !XRRQueryVersion(display, &major, &minor))
        return false;
    return major > randrMonitorsMajor || (major == randrMonitorsMajor && minor >= randrMonitorsMinor);
}

// The window a property names, if it holds one.
bool windowProperty(Display* display, Window window, Atom name, Window& value) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    const bool read = XGetWindowProperty(display, window, name, 0, 1, False, XA_WINDOW, &type, &format, &count,
                                         &after, &data) == Success &&
                      data != nullptr && type == XA_WINDOW && format == 32 && count == 1;
    if (read) value = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
    if (data != nullptr) XFree(data);
    return read;
}

// Errors are expected while probing a check window that may be gone.
int ignoreError(Display*, XErrorEvent*) { return 0; }
}  // namespace

std::vector<ScreenRect> monitorsOf(Display* display) {
    std::vector<ScreenRect> monitors;
    const Window root = DefaultRootWindow(display);
    if (randrHasMonitors(display)) {
        int count = 0;
        XRRMonitorInfo* info = XRRGetMonitors(display, root, True, &count);
        for (int i = 0; info != nullptr && i < count; ++i)
            monitors.push_back(ScreenRect{info[i].x, info[i].y, info[i].width, info[i].height});
        if (info != nullptr) XRRFreeMonitors(info);
    } else {
        int eventBase, errorBase;
        if (XineramaQueryExtension(display, &eventBase, &errorBase) && XineramaIsActive(display)) {
            int count = 0;
            XineramaScreenInfo* info = XineramaQueryScreens(display, &count);
            for (int i = 0; info != nullptr && i < count; ++i)
                monitors.push_back(ScreenRect{info[i].x_org, info[i].y_org, info[i].width, info[i].height});
            if (info != nullptr) XFree(info);
        }
    }
    if (monitors.empty())
        monitors.push_back(ScreenRect{0, 0, DisplayWidth(display, DefaultScreen(display)),
                                      DisplayHeight(display, DefaultScreen(display))});
    return monitors;
}

bool windowRect(Display* display, Window window, ScreenRect& area) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return false;
    Window child;
    if (!XTranslateCoordinates(display, window, attributes.root, 0, 0, &area.x, &area.y, &child)) return false;
    area.width = attributes.width;
    area.height = attributes.height;
    return true;
}

bool reportedFullScreen(Display* display, Window window) {
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom fullScreenState = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    bool fullScreen = false;
    if (XGetWindowProperty(display, window, state, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr && type == XA_ATOM && format == 32) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) fullScreen = fullScreen || atoms[i] == fullScreenState;
    }
    if (data != nullptr) XFree(data);
    return fullScreen;
}

bool windowManagerAnswers(Display* display) {
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    Window named = 0, self = 0;
    if (!windowProperty(display, DefaultRootWindow(display), check, named)) return false;
    XSync(display, False);
    auto* previous = XSetErrorHandler(ignoreError);
    const bool answers = windowProperty(display, named, check, self) && self == named;
    XSync(display, False);
    XSetErrorHandler(previous);
    return answers;
}
