#pragma once

// Keeps the window system from acting on key combinations the viewer's own key table
// decides (Alt+F4 with other modifiers closes a window by default on some systems).
// Called once the window exists and is current.
void keepKeysFromWindowSystem();
