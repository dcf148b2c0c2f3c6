#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Wait.h"

namespace e2e {

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// What a window shows, read back from the server, 8 bits per channel.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row by row, top row first

    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    bool operator==(const Picture& o) const { return width == o.width && height == o.height && pixels == o.pixels; }
    bool operator!=(const Picture& o) const { return !(*this == o); }
};

// The window's contents; an empty picture if the window is gone.
Picture capture(Display* display, Window window);

// Unchanged this long, a picture of a light scene counts as settled.
constexpr Millis settledQuiet(300);

// Captures until the picture has not changed for `quiet` (several captures in a row),
// or `limit` has passed; nullopt if it never settled.
std::optional<Picture> captureSettled(Display* display, Window window, Millis limit, Millis quiet = settledQuiet);

// How many pixels differ (all of them if the sizes differ).
long differingPixels(const Picture& a, const Picture& b);
// How many pixels show exactly `colour`.
long pixelsOf(const Picture& picture, Rgb colour);
// "1234 pixels differ, first at (x, y): (r,g,b) vs (r,g,b)", for failure messages.
std::string describeDifference(const Picture& a, const Picture& b);

// Writes an 8-bit RGB PNG; throws std::runtime_error on failure.
void writePng(const Picture& picture, const std::string& path);

}  // namespace e2e
