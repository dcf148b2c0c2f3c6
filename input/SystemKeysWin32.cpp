#include <GL/glut.h>
#include <windows.h>

#include "input/SystemKeys.h"

// With Alt held, Windows sends keys as system keys. The toolkit reports them and then
// hands them to the default window procedure, which closes the window on Alt+F4 with
// any other modifiers too (Alt+Shift+F4). F4 is passed on to the toolkit as a plain
// key instead: it still reports F4 with the modifiers read from the keyboard, and the
// viewer's key table alone decides what F4 does.
namespace {
WNDPROC toolkitProcedure = nullptr;

LRESULT CALLBACK keyFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (wParam == VK_F4 && message == WM_SYSKEYDOWN) message = WM_KEYDOWN;
    if (wParam == VK_F4 && message == WM_SYSKEYUP) message = WM_KEYUP;
    return CallWindowProcA(toolkitProcedure, window, message, wParam, lParam);
}
}  // namespace

void keepKeysFromWindowSystem() {
    if (toolkitProcedure != nullptr) return;
    const HWND window = WindowFromDC(wglGetCurrentDC());
    if (window == nullptr) return;
    toolkitProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(keyFilter)));
}
