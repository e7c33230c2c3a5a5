// The report of the cursor leaving a window's non-client area, which the system gives only for the client area
// without tracking: the skin's caption buttons and scroll bars look hot until it comes.
#pragma once

#include <windows.h>

namespace tarnvale {

// Sends WM_NCMOUSELEAVE to window once the cursor has left its rectangle (checked every 50 ms), then stops.
void StartHoverTimer(HWND window);

} // namespace tarnvale
