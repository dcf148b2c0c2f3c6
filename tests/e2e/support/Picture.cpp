#include "Picture.h"

#include <X11/Xutil.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "XErrors.h"

namespace e2e {
namespace {
// Position of the lowest set bit: where a channel sits in a pixel value.
int shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

std::uint8_t channel(unsigned long pixel, unsigned long mask) {
    return static_cast<std::uint8_t>((pixel & mask) >> shiftOf(mask));
}
}  // namespace

Picture capture(Display* display, Window window) {
    IgnoreXErrors guard(display);
    XWindowAttributes attributes;
    Picture picture;
    if (!XGetWindowAttributes(display, window, &attributes)) return picture;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) return picture;
    if (image->depth != 24) {
        XDestroyImage(image);
        throw std::runtime_error("expected a 24-bit window, got depth " + std::to_string(image->depth));
    }
    picture.width = image->width;
    picture.height = image->height;
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    // 32-bit pixels in this machine's byte order are read straight from the image: a
    // call per pixel makes a full-HD capture too slow to follow a glide frame by frame.
    const std::uint32_t one = 1;
    const bool hostOrder = (*reinterpret_cast<const unsigned char*>(&one) == 1) == (image->byte_order == LSBFirst);
    const bool direct = image->bits_per_pixel == 32 && hostOrder;
    for (int y = 0; y < picture.height; ++y) {
        const char* row = image->data + static_cast<std::size_t>(y) * image->bytes_per_line;
        for (int x = 0; x < picture.width; ++x) {
            std::uint32_t word;
            if (direct) std::memcpy(&word, row + 4 * static_cast<std::size_t>(x), sizeof word);
            const unsigned long p = direct ? word : XGetPixel(image, x, y);
            picture.pixels[static_cast<std::size_t>(y) * picture.width + x] =
                Rgb{channel(p, image->red_mask), channel(p, image->green_mask), channel(p, image->blue_mask)};
        }
    }
    XDestroyImage(image);
    return picture;
}

std::optional<Picture> captureSettled(Display* display, Window window, Millis limit, Millis quiet) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    Picture last = capture(display, window);
    auto unchangedSince = Clock::now();
    for (;;) {
        std::this_thread::sleep_for(Millis(20));
        Picture next = capture(display, window);
        const auto now = Clock::now();
        if (next != last) {
            last = std::move(next);
            unchangedSince = now;
        } else if (now - unchangedSince >= quiet && last.width > 0) {
            return last;
        }
        if (now >= deadline) return std::nullopt;
    }
}

long differingPixels(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height) return static_cast<long>(std::max(a.pixels.size(), b.pixels.size()));
    long count = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) count += a.pixels[i] != b.pixels[i];
    return count;
}

long pixelsOf(const Picture& picture, Rgb colour) {
    long count = 0;
    for (const Rgb& p : picture.pixels) count += p == colour;
    return count;
}

std::string describeDifference(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height)
        return "sizes differ: " + std::to_string(a.width) + "x" + std::to_string(a.height) + " vs " +
               std::to_string(b.width) + "x" + std::to_string(b.height);
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.at(x, y) != b.at(x, y)) {
                char text[160];
                const Rgb p = a.at(x, y), q = b.at(x, y);
                std::snprintf(text, sizeof text, "%ld pixels differ, first at (%d, %d): (%d,%d,%d) vs (%d,%d,%d)",
                              differingPixels(a, b), x, y, p.r, p.g, p.b, q.r, q.g, q.b);
                return text;
            }
    return "the pictures are equal";
}

void writePng(const Picture& picture, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        throw std::runtime_error("PNG encoding failed for " + path);
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    static_assert(sizeof(Rgb) == 3, "rows are written straight from the pixels");
    for (int y = 0; y < picture.height; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(&picture.pixels[static_cast<std::size_t>(y) * picture.width]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

}  // namespace e2e
