// Built in place of the real compositor start-up when the Wayland client libraries
// (GIO, wayland-client, xkbcommon) are missing: the Wayland desktops are then not
// registered as tests, and a run that names one is told why.
#include <stdexcept>

#include "WaylandCompositor.h"

namespace e2e {

WaylandCompositor::WaylandCompositor(const Desktop& desktop, const ScratchDir& scratch)
    : desktop_(desktop), scratch_(scratch) {
    throw std::runtime_error(desktop.name +
                             ": built without the Wayland client libraries; run scripts/test, which installs them");
}

std::unique_ptr<Input> WaylandCompositor::makeInput(Display*) const { return nullptr; }

void WaylandCompositor::stop() {}

}  // namespace e2e
