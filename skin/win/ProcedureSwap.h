// The window procedure the skin puts in a window's place, and the one it replaced: installing, calling through and
// putting back, the same for skinned dialogs and controls.
#pragma once

#include <windows.h>

namespace tarnvale {

class ProcedureSwap {
public:
    // Installs procedure and keeps the window's current procedure as the previous one.
    void Install(HWND window, WNDPROC procedure) {
        installed_ = procedure;
        previous_ =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
    }

    // Puts the previous procedure back, but only while ours is still the window's procedure: one installed over
    // ours later still calls ours, and taking ours out would cut that one off too.
    void Restore(HWND window) const {
        if (window && previous_ && GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(installed_))
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    }

    LRESULT CallPrevious(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const {
        return previous_ ? CallWindowProcA(previous_, window, message, wParam, lParam)
                         : DefWindowProcA(window, message, wParam, lParam);
    }

    WNDPROC Previous() const { return previous_; }

private:
    WNDPROC installed_ = nullptr;
    WNDPROC previous_ = nullptr;
};

} // namespace tarnvale
