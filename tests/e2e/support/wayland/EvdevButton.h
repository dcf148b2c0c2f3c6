#pragma once

#include <linux/input-event-codes.h>

#include <stdexcept>
#include <string>

namespace e2e {

// The evdev code of X's pointer button numbers 1, 2 and 3, in which compositors take
// buttons.
inline unsigned evdevButton(unsigned button) {
    switch (button) {
        case 1: return BTN_LEFT;
        case 2: return BTN_MIDDLE;
        case 3: return BTN_RIGHT;
        default: throw std::runtime_error("no evdev code for pointer button " + std::to_string(button));
    }
}

}  // namespace e2e
