#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The unit tests link a recording stand-in in place of GL, GLU, GLUT and the pointer
// layer: every call is logged with its arguments, and the calls that return values
// return what the test chose.
struct GlCall {
    const char* name;
    double args[5];
    int argCount;
    const void* pointer;  // a pointer argument (glutInit's argc, a callback, ...)
    std::string text;     // a string argument (the window title)

    double arg(int i) const { return args[i]; }
};

struct GlutCallbacks {
    void (*display)() = nullptr;
    void (*reshape)(int, int) = nullptr;
    void (*mouse)(int, int, int, int) = nullptr;
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*special)(int, int, int) = nullptr;
    void (*passiveMotion)(int, int) = nullptr;
    void (*motion)(int, int) = nullptr;
    void (*timer)(int) = nullptr;
};

namespace glrec {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

// Forgets every call, callback and chosen return value.
void reset();
// Forgets the calls only; chosen values and the pointer's rest stay.
void clearCalls();
const std::vector<GlCall>& calls();
// Index of the first call named `name` at or after `from`, or npos.
std::size_t find(const char* name, std::size_t from = 0);
std::size_t count(const char* name);
// The names of the calls from `from` on, in order (for whole-sequence asserts).
std::vector<std::string> names(std::size_t from = 0);
// The calls named `name`, in order.
std::vector<GlCall> all(const char* name);
// Vertex and normal calls are many; a test about whole frames can leave them out.
void recordVertices(bool on);

void setGet(int query, int value);  // what glutGet(query) returns (0 if never set)
void setModifiers(int modifiers);   // what glutGetModifiers returns
void setRenderModeResult(int value);
// Where the stand-in pointer rests (window pixels); reset() leaves no rest point known.
void setPointerRest(int x, int y);
void forgetPointerRest();
const GlutCallbacks& callbacks();

}  // namespace glrec
