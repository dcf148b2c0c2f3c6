#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Window-manager properties as the EWMH defines them, read from the test's connection.
std::vector<unsigned long> cardinalsProperty(Display* display, Window window, const char* name, Atom type);
std::optional<Window> windowProperty(Display* display, Window window, const char* name);
std::vector<Window> windowListProperty(Display* display, Window window, const char* name);
std::optional<unsigned long> cardinalProperty(Display* display, Window window, const char* name);

// Position relative to the root, and size, of a window; nullopt once it is gone.
struct Geometry {
    int x, y, width, height;
    bool viewable;
};
std::optional<Geometry> windowGeometry(Display* display, Window window);

}  // namespace e2e
