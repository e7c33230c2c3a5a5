// The hover timer: a system timer of the window's own that looks at the cursor until it has left.
#include "skin/win/HoverTimer.h"

namespace tarnvale {
namespace {

constexpr UINT kHoverTimerId = 0;
constexpr UINT kHoverTimerMs = 50;

VOID CALLBACK HoverLeaveTimerProc(HWND window, UINT, UINT_PTR idEvent, DWORD) {
    POINT cursor{};
    RECT bounds{};
    GetCursorPos(&cursor);
    GetWindowRect(window, &bounds);
    if (PtInRect(&bounds, cursor))
        return;
    // Stopped before the window hears of it, so that a handler starting the timer again keeps its new timer.
    KillTimer(window, idEvent);
    SendMessageA(window, WM_NCMOUSELEAVE, 0, 0);
}

} // namespace

void StartHoverTimer(HWND window) {
    SetTimer(window, kHoverTimerId, kHoverTimerMs, HoverLeaveTimerProc);
}

} // namespace tarnvale
