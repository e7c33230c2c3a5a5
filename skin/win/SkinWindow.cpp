// The root of the skinned windows: the subclass that routes a window's messages to its object, calling through, and
// the one detach at WM_NCDESTROY.
#include "skin/win/SkinWindow.h"

#include "skin/win/SkinRegistry.h"

#include <commctrl.h>

namespace tarnvale {
namespace {

// One subclass of the skin's per window; the procedure and this id name it.
constexpr UINT_PTR kSkinSubclassId = 0x536B696E;

} // namespace

SkinWindow::~SkinWindow() {
    Detach();
}

bool SkinWindow::Attach(HWND window) {
    if (attached_ || !window || !IsWindow(window))
        return false;
    if (!SetWindowSubclass(window, SubclassProc, kSkinSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    window_ = window;
    attached_ = true;
    chainProcedure_ = GetWindowLongPtrA(window, GWLP_WNDPROC);
    return true;
}

void SkinWindow::Detach() {
    if (!attached_)
        return;
    attached_ = false;
    // The last subclass to go takes the chain's entry out and puts the window's first procedure back, also over one
    // installed later by someone else. While there is one, our subclass stays on without its object, passing every
    // message through, and goes with the window.
    if (GetWindowLongPtrA(window_, GWLP_WNDPROC) == chainProcedure_)
        RemoveWindowSubclass(window_, SubclassProc, kSkinSubclassId);
    else
        SetWindowSubclass(window_, SubclassProc, kSkinSubclassId, 0);
}

LRESULT SkinWindow::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(window_, message, wParam, lParam);
}

bool SkinWindow::CallPreviousAndStay(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = CallPrevious(message, wParam, lParam);
    return attached_;
}

bool SkinWindow::SendAndStay(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    SendMessageA(target, message, wParam, lParam);
    return attached_;
}

LRESULT CALLBACK SkinWindow::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR object) {
    if (!object) {
        if (message == WM_NCDESTROY)
            RemoveWindowSubclass(window, SubclassProc, kSkinSubclassId);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    auto& self = *reinterpret_cast<SkinWindow*>(object);
    SkinRegistry& registry = self.registry_;
    ++self.depth_;
    const LRESULT result =
        self.Skinned() ? self.WindowProc(message, wParam, lParam) : self.CallPrevious(message, wParam, lParam);
    // However a kind treats its messages, a destroyed window leaves the registry: a later window given the same
    // handle must not count as skinned.
    if (message == WM_NCDESTROY && self.attached_)
        registry.Forget(window);
    // The object is freed only once none of its messages is under way, so that no handler returns into freed memory.
    if (--self.depth_ == 0 && !self.attached_)
        registry.Dispose(self);
    return result;
}

} // namespace tarnvale
