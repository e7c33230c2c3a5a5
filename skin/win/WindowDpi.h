// The DPI a window is shown at, asked of the newest call the system has and of the screen's device context on
// systems before per-monitor DPI.
#pragma once

#include <windows.h>

namespace tarnvale {

// The DPI of the screen the window is on (a null window: the system's); 96 when the system cannot say.
int WindowDpi(HWND window);

} // namespace tarnvale
