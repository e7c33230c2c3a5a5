// The DPI a window is shown at, and the system's metrics at a DPI, asked of the newest calls the system has and of the
// screen's device context and the system's metrics on systems before per-monitor DPI.
#pragma once

#include <windows.h>

namespace tarnvale {

// The DPI of the screen the window is on (a null window: the system's); 96 when the system cannot say.
int WindowDpi(HWND window);
// A system metric (SM_CXVSCROLL and the like) for windows shown at dpi; on systems without per-monitor DPI, the
// system's value scaled from the system's DPI.
int SystemMetricAtDpi(int index, int dpi);

} // namespace tarnvale
