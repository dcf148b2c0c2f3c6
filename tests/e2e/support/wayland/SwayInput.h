#pragma once

#include <xkbcommon/xkbcommon.h>

#include <string>

#include "Input.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwlr_virtual_pointer_manager_v1;
struct zwlr_virtual_pointer_v1;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace e2e {

// Input entering a wlroots compositor (sway) as a device's would: a virtual pointer and
// a virtual keyboard, both made once for the whole session. The keyboard keeps one
// keymap (the standard US one) from start to end: a keyboard that comes and goes, or
// brings a keymap of its own, loses the key events sent before X has caught up.
class SwayInput : public Input {
public:
    // `socket`: the compositor's Wayland socket. Throws std::runtime_error when the
    // compositor lacks either protocol.
    SwayInput(Display* display, const std::string& socket);
    ~SwayInput() override;

    void moveBy(int dx, int dy) override;
    void button(unsigned button, bool pressed) override;
    void key(KeySym key, bool pressed) override;

private:
    void sendModifiers();
    void flush();

    wl_display* wayland_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    zwlr_virtual_pointer_manager_v1* pointerManager_ = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboardManager_ = nullptr;
    zwlr_virtual_pointer_v1* pointer_ = nullptr;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    xkb_context* xkb_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;

    friend struct SwayRegistry;
};

}  // namespace e2e
