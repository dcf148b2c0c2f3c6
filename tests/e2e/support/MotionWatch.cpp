#include "MotionWatch.h"

#include <X11/extensions/XInput2.h>

#include <cmath>
#include <stdexcept>
#include <thread>

#include "XErrors.h"

namespace e2e {

MotionWatch::MotionWatch(Display* display, Window window, Listen listen)
    : display_(display), window_(window), listen_(listen) {
    if (listen_ == Listen::Core) {
        select(true);
        return;
    }
    int event, error, major = 2, minor = 0;
    if (!XQueryExtension(display_, "XInputExtension", &opcode_, &event, &error) ||
        XIQueryVersion(display_, &major, &minor) != Success)
        throw std::runtime_error("the X server lacks XInput 2");
    select(true);
}

MotionWatch::~MotionWatch() {
    IgnoreXErrors guard(display_);  // the window may be gone with its program
    select(false);
}

void MotionWatch::select(bool motion) {
    if (listen_ == Listen::Core) {
        XSelectInput(display_, window_, motion ? PointerMotionMask | EnterWindowMask : NoEventMask);
        XSync(display_, False);
        return;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (motion) XISetMask(bits, listen_ == Listen::Raw ? XI_RawMotion : XI_Motion);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(display_, listen_ == Listen::Raw ? DefaultRootWindow(display_) : window_, &mask, 1);
    XSync(display_, False);
}

std::vector<Point> MotionWatch::collect(Millis period) {
    std::this_thread::sleep_for(period);
    XSync(display_, False);
    std::vector<Point> seen;
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MotionNotify && event.xmotion.window == window_) {
            seen.push_back(Point{event.xmotion.x, event.xmotion.y});
            continue;
        }
        if (event.type == EnterNotify && event.xcrossing.window == window_ && event.xcrossing.mode == NotifyUngrab) {
            seen.push_back(Point{event.xcrossing.x, event.xcrossing.y});
            continue;
        }
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != opcode_ || !XGetEventData(display_, cookie))
            continue;
        if (cookie->evtype == XI_RawMotion) {
            const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
            double step[2] = {0.0, 0.0};
            const double* value = raw->valuators.values;
            for (int axis = 0; axis < raw->valuators.mask_len * 8; ++axis)
                if (XIMaskIsSet(raw->valuators.mask, axis)) {
                    if (axis < 2) step[axis] = *value;
                    ++value;
                }
            seen.push_back(Point{static_cast<int>(std::lround(step[0])), static_cast<int>(std::lround(step[1]))});
        }
        if (cookie->evtype == XI_Motion) {
            const auto* motion = static_cast<const XIDeviceEvent*>(cookie->data);
            if (motion->event == window_)
                seen.push_back(Point{static_cast<int>(std::lround(motion->event_x)),
                                     static_cast<int>(std::lround(motion->event_y))});
        }
        XFreeEventData(display_, cookie);
    }
    return seen;
}

}  // namespace e2e
