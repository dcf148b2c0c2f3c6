#include "XProps.h"

#include <X11/Xatom.h>

#include "XErrors.h"

namespace e2e {

std::vector<unsigned long> cardinalsProperty(Display* display, Window window, const char* name, Atom type) {
    IgnoreXErrors guard(display);  // the window may be gone
    Atom actualType;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False, type, &actualType,
                           &format, &count, &after, &data) == Success &&
        data != nullptr) {
        // Format-32 property items come back as longs, whatever their size on the wire.
        if (actualType == type && format == 32) {
            const unsigned long* items = reinterpret_cast<const unsigned long*>(data);
            values.assign(items, items + count);
        }
        XFree(data);
    }
    return values;
}

std::optional<Window> windowProperty(Display* display, Window window, const char* name) {
    const auto values = cardinalsProperty(display, window, name, XA_WINDOW);
    if (values.empty()) return std::nullopt;
    return static_cast<Window>(values.front());
}

std::vector<Window> windowListProperty(Display* display, Window window, const char* name) {
    const auto values = cardinalsProperty(display, window, name, XA_WINDOW);
    return std::vector<Window>(values.begin(), values.end());
}

std::optional<unsigned long> cardinalProperty(Display* display, Window window, const char* name) {
    const auto values = cardinalsProperty(display, window, name, XA_CARDINAL);
    if (values.empty()) return std::nullopt;
    return values.front();
}

std::optional<Geometry> windowGeometry(Display* display, Window window) {
    IgnoreXErrors guard(display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return std::nullopt;
    int x = 0, y = 0;
    Window child;
    if (!XTranslateCoordinates(display, window, attributes.root, 0, 0, &x, &y, &child)) return std::nullopt;
    if (guard.failed()) return std::nullopt;
    return Geometry{x, y, attributes.width, attributes.height, attributes.map_state == IsViewable};
}

}  // namespace e2e
