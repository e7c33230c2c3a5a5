// The root of the skinned windows: the procedure that routes a window's messages to its object, calling through, and
// the one detach at WM_NCDESTROY.
#include "skin/win/SkinWindow.h"

#include "skin/win/SkinRegistry.h"

namespace tarnvale {
namespace {

// The procedure the skin's replaced, kept on the window for as long as the skin's stays in its chain: once the
// object has gone, a message still reaching the skin's procedure (through one installed later) goes on from here.
// The name says how it is called.
constexpr char kPreviousUnicode[] = "Tarnvale.SkinPreviousW";
constexpr char kPreviousAnsi[] = "Tarnvale.SkinPreviousA";

LRESULT CallProcedure(bool unicode, WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!procedure)
        return unicode ? DefWindowProcW(window, message, wParam, lParam)
                       : DefWindowProcA(window, message, wParam, lParam);
    return unicode ? CallWindowProcW(procedure, window, message, wParam, lParam)
                   : CallWindowProcA(procedure, window, message, wParam, lParam);
}

// Where the skin's procedure stays behind one installed later without an object: every message goes straight on,
// and WM_NCDESTROY, the last, takes the kept procedure off the window.
LRESULT PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const HANDLE unicode = GetPropA(window, kPreviousUnicode);
    const HANDLE kept = unicode ? unicode : GetPropA(window, kPreviousAnsi);
    if (message == WM_NCDESTROY) {
        RemovePropA(window, kPreviousUnicode);
        RemovePropA(window, kPreviousAnsi);
    }
    return CallProcedure(unicode != nullptr, reinterpret_cast<WNDPROC>(kept), window, message, wParam, lParam);
}

} // namespace

SkinWindow::~SkinWindow() {
    Detach();
}

bool SkinWindow::Attach(HWND window) {
    if (attached_ || !window || !IsWindow(window))
        return false;
    // The skin's procedure may still be in the window's chain, passing messages on, from an object that let go while
    // a later procedure sat in front of it: this object takes that place rather than entering the chain twice.
    if (const HANDLE kept = GetPropA(window, kPreviousUnicode)) {
        unicode_ = true;
        previous_ = reinterpret_cast<WNDPROC>(kept);
    } else if (const HANDLE keptAnsi = GetPropA(window, kPreviousAnsi)) {
        unicode_ = false;
        previous_ = reinterpret_cast<WNDPROC>(keptAnsi);
    } else {
        // Replaced as the kind of procedure the window has, so that no message is translated on the way through.
        unicode_ = IsWindowUnicode(window) != FALSE;
        const auto ours = reinterpret_cast<LONG_PTR>(&Procedure);
        const LONG_PTR previous =
            unicode_ ? SetWindowLongPtrW(window, GWLP_WNDPROC, ours) : SetWindowLongPtrA(window, GWLP_WNDPROC, ours);
        if (!previous)
            return false;
        previous_ = reinterpret_cast<WNDPROC>(previous);
        SetPropA(window, unicode_ ? kPreviousUnicode : kPreviousAnsi, reinterpret_cast<HANDLE>(previous));
    }
    window_ = window;
    attached_ = true;
    return true;
}

void SkinWindow::Detach() {
    if (!attached_)
        return;
    attached_ = false;
    // Put back only while ours is the window's procedure: one installed later still calls ours, and taking ours out
    // would cut that one off too.
    const LONG_PTR current =
        unicode_ ? GetWindowLongPtrW(window_, GWLP_WNDPROC) : GetWindowLongPtrA(window_, GWLP_WNDPROC);
    if (current != reinterpret_cast<LONG_PTR>(&Procedure))
        return;
    const auto previous = reinterpret_cast<LONG_PTR>(previous_);
    if (unicode_)
        SetWindowLongPtrW(window_, GWLP_WNDPROC, previous);
    else
        SetWindowLongPtrA(window_, GWLP_WNDPROC, previous);
    RemovePropA(window_, kPreviousUnicode);
    RemovePropA(window_, kPreviousAnsi);
}

LRESULT SkinWindow::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallProcedure(unicode_, previous_, window_, message, wParam, lParam);
}

bool SkinWindow::CallPreviousAndStay(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = CallPrevious(message, wParam, lParam);
    return attached_;
}

bool SkinWindow::SendAndStay(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    SendMessageA(target, message, wParam, lParam);
    return attached_;
}

LRESULT CALLBACK SkinWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SkinWindow* const object = FindSkinWindow(window);
    if (!object || !object->attached_)
        return PassOn(window, message, wParam, lParam);
    SkinWindow& self = *object;
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
