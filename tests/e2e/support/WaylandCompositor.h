#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

#include "Child.h"
#include "Desktop.h"
#include "Input.h"
#include "ScratchDir.h"

namespace e2e {

// A headless Wayland compositor, GNOME's (mutter) or sway, with the Xwayland it starts,
// on which X programs such as the viewer run as on a user's Wayland desktop. Its
// Wayland socket, session bus and Xwayland display are its own, so runs side by side
// never meet. Everything it started ends with it.
class WaylandCompositor {
public:
    // Throws std::runtime_error when the compositor or its Xwayland does not come up.
    WaylandCompositor(const Desktop& desktop, const ScratchDir& scratch);
    WaylandCompositor(const WaylandCompositor&) = delete;
    WaylandCompositor& operator=(const WaylandCompositor&) = delete;

    // The Xwayland display, and the authority file a client needs for it (or empty).
    const std::string& displayName() const { return displayName_; }
    const std::string& xauthority() const { return xauthority_; }
    // Input that enters at the compositor, as a device's does.
    std::unique_ptr<Input> makeInput(Display* display) const;

    // Ends the compositor, its Xwayland and its bus; idempotent.
    void stop();

private:
    void startMutter();
    void startSway();

    const Desktop& desktop_;
    const ScratchDir& scratch_;
    std::unique_ptr<Child> bus_;
    std::unique_ptr<Child> compositor_;
    std::string busAddress_;     // mutter's session bus
    std::string waylandSocket_;  // sway's Wayland socket
    std::string displayName_;
    std::string xauthority_;
};

}  // namespace e2e
