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
    procedure_.Install(window, newProcedure);
}

void SkinControl::Unsubclass() {
    detaching_ = true;
    procedure_.Restore(window_);
}

void SkinControl::Redraw() {
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
}

LRESULT SkinControl::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure_.CallPrevious(window_, message, wParam, lParam);
}

} // namespace tarnvale
