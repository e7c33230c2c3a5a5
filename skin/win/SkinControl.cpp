// The control base: subclassing and the messages every kind shares.
#include "skin/win/SkinControl.h"

#include "skin/win/SkinManager.h"

namespace tarnvale {

LRESULT SkinControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        // Detaching deletes this object: nothing of it may be touched afterwards.
        SkinManager& owner = owner_;
        const HWND window = window_;
        const LRESULT result = CallPrevious(message, wParam, lParam);
        owner.DetachControl(window);
        return result;
    }
    return CallPrevious(message, wParam, lParam);
}

void SkinControl::Paint(HDC, const RECT&) {}

void SkinControl::Subclass(HWND window, WNDPROC newProcedure) {
    if (!window || !IsWindow(window))
        return;
    window_ = window;
    installed_ = newProcedure;
    previous_ =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(newProcedure)));
}

void SkinControl::Unsubclass() {
    detaching_ = true;
    // A procedure installed over ours later still calls ours; taking ours out would cut that one off too.
    if (window_ && previous_ && GetWindowLongPtrA(window_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(installed_))
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
}

void SkinControl::Redraw() {
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
}

LRESULT SkinControl::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return previous_ ? CallWindowProcA(previous_, window_, message, wParam, lParam)
                     : DefWindowProcA(window_, message, wParam, lParam);
}

} // namespace tarnvale
