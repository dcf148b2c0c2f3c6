#include "SwayInput.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

#include "EvdevButton.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace e2e {
namespace {
constexpr unsigned keymapFormatXkb = WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1;
constexpr unsigned evdevOffset = 8;  // an XKB keycode is the evdev code plus 8

// Event times in milliseconds, as a device stamps them.
unsigned nowMs() {
    return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

}  // namespace

struct SwayRegistry {
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
        auto* input = static_cast<SwayInput*>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && input->seat_ == nullptr)
            input->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
            input->pointerManager_ = static_cast<zwlr_virtual_pointer_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
        else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
            input->keyboardManager_ = static_cast<zwp_virtual_keyboard_manager_v1*>(
                wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}
};

namespace {
const wl_registry_listener registryListener = {SwayRegistry::global, SwayRegistry::globalRemove};
}

SwayInput::SwayInput(Display* display, const std::string& socket) : Input(display) {
    wayland_ = wl_display_connect(socket.c_str());
    if (wayland_ == nullptr) throw std::runtime_error("cannot connect to the compositor at " + socket);
    registry_ = wl_display_get_registry(wayland_);
    wl_registry_add_listener(registry_, &registryListener, this);
    wl_display_roundtrip(wayland_);
    if (seat_ == nullptr || pointerManager_ == nullptr || keyboardManager_ == nullptr)
        throw std::runtime_error("the compositor offers no seat, virtual pointer or virtual keyboard");
    pointer_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointerManager_, seat_);
    keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboardManager_, seat_);

    xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names = {"evdev", "pc105", "us", "", ""};
    keymap_ = xkb_ != nullptr ? xkb_keymap_new_from_names(xkb_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
    if (keymap_ == nullptr) throw std::runtime_error("no US keymap from xkbcommon");
    state_ = xkb_state_new(keymap_);
    char* text = xkb_keymap_get_as_string(keymap_, XKB_KEYMAP_FORMAT_TEXT_V1);
    const std::size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    const bool written = fd >= 0 && ::write(fd, text, size) == static_cast<ssize_t>(size);
    std::free(text);
    if (!written) throw std::runtime_error("cannot hand the keymap over");
    zwp_virtual_keyboard_v1_keymap(keyboard_, keymapFormatXkb, fd, static_cast<uint32_t>(size));
    ::close(fd);
    wl_display_roundtrip(wayland_);
    confirmMovesThroughX();
}

SwayInput::~SwayInput() {
    if (keyboard_ != nullptr) zwp_virtual_keyboard_v1_destroy(keyboard_);
    if (pointer_ != nullptr) zwlr_virtual_pointer_v1_destroy(pointer_);
    if (wayland_ != nullptr) {
        wl_display_flush(wayland_);
        wl_display_disconnect(wayland_);
    }
    if (state_ != nullptr) xkb_state_unref(state_);
    if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
    if (xkb_ != nullptr) xkb_context_unref(xkb_);
}

void SwayInput::flush() {
    if (wl_display_flush(wayland_) < 0) throw std::runtime_error("the compositor went away");
}

void SwayInput::moveBy(int dx, int dy) {
    zwlr_virtual_pointer_v1_motion(pointer_, nowMs(), wl_fixed_from_int(dx), wl_fixed_from_int(dy));
    zwlr_virtual_pointer_v1_frame(pointer_);
    flush();
}

void SwayInput::button(unsigned button, bool pressed) {
    zwlr_virtual_pointer_v1_button(pointer_, nowMs(), evdevButton(button),
                                   pressed ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
    zwlr_virtual_pointer_v1_frame(pointer_);
    flush();
}

// The key's code in the keyboard's own keymap; the modifiers follow from the keys held.
void SwayInput::key(KeySym key, bool pressed) {
    xkb_keycode_t code = XKB_KEYCODE_INVALID;
    for (xkb_keycode_t k = xkb_keymap_min_keycode(keymap_); k <= xkb_keymap_max_keycode(keymap_); ++k) {
        const xkb_keysym_t* syms;
        if (xkb_keymap_key_get_syms_by_level(keymap_, k, 0, 0, &syms) == 1 && syms[0] == key) {
            code = k;
            break;
        }
    }
    if (code == XKB_KEYCODE_INVALID) throw std::runtime_error("no key for keysym " + std::to_string(key));
    zwp_virtual_keyboard_v1_key(keyboard_, nowMs(), code - evdevOffset,
                                pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    xkb_state_update_key(state_, code, pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
    sendModifiers();
    flush();
}

void SwayInput::sendModifiers() {
    zwp_virtual_keyboard_v1_modifiers(keyboard_, xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED),
                                      xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
                                      xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED),
                                      xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_EFFECTIVE));
}

}  // namespace e2e
