// The root of the skinned windows: taking and giving back the procedure, calling through, and the attachment check.
#include "skin/win/SkinWindow.h"

#include "skin/win/SkinManager.h"

namespace tarnvale {

void SkinWindow::Subclass(HWND window, WNDPROC newProcedure) {
    if (!window || !IsWindow(window))
        return;
    window_ = window;
    procedure_.Install(window, newProcedure);
}

void SkinWindow::Unsubclass() {
    detaching_ = true;
    procedure_.Restore(window_);
}

LRESULT SkinWindow::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure_.CallPrevious(window_, message, wParam, lParam);
}

bool SkinWindow::StillAttached(SkinManager& owner, HWND window) const {
    return owner.FindSkinned(window) == this;
}

bool SkinWindow::CallPreviousAndStay(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    SkinManager& owner = owner_;
    const HWND window = window_;
    result = CallPrevious(message, wParam, lParam);
    return StillAttached(owner, window);
}

bool SkinWindow::SendAndStay(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    SkinManager& owner = owner_;
    const HWND window = window_;
    SendMessageA(target, message, wParam, lParam);
    return StillAttached(owner, window);
}

} // namespace tarnvale
