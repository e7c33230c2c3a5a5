// The control base: subclassing, the base procedure's table, and the repaint paths every kind shares.
#include "skin/win/SkinControl.h"

#include "skin/win/SkinManager.h"

namespace tarnvale {

const SkinControl::Handler SkinControl::kHandlers[] = {
    {WM_SETFOCUS, &SkinControl::OnFocus},
    {WM_KILLFOCUS, &SkinControl::OnFocus},
    {WM_ENABLE, &SkinControl::OnEnable},
    {WM_PAINT, &SkinControl::OnPaint},
    {WM_NCDESTROY, &SkinControl::OnNcDestroy},
    {WM_STYLECHANGING, &SkinControl::OnStyleChange},
    {WM_STYLECHANGED, &SkinControl::OnStyleChange},
    {WM_NCCALCSIZE, &SkinControl::OnNcCalcSize},
    {WM_NCHITTEST, &SkinControl::OnNcHitTest},
    {WM_NCPAINT, &SkinControl::OnNcPaint},
    {WM_NCMOUSEMOVE, &SkinControl::OnNcMouseMove},
    {WM_NCLBUTTONDOWN, &SkinControl::OnNcLButtonDown},
    {WM_NCLBUTTONDBLCLK, &SkinControl::OnNcLButtonDown},
    {WM_HSCROLL, &SkinControl::OnScroll},
    {WM_VSCROLL, &SkinControl::OnScroll},
    {WM_MOUSEMOVE, &SkinControl::OnMouseMove},
    {WM_LBUTTONUP, &SkinControl::OnLButtonUp},
    {WM_CAPTURECHANGED, &SkinControl::OnCaptureChanged},
    {WM_NCMOUSELEAVE, &SkinControl::OnNcMouseLeave},
};

LRESULT SkinControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const Handler& handler : kHandlers) {
        if (handler.message == message)
            return (this->*handler.handle)(message, wParam, lParam);
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

void SkinControl::PaintBuffered() {
    if (!HasPaint())
        return;
    WindowDC windowDC(window_);
    RECT rect;
    if (!windowDC || !GetWindowRect(window_, &rect))
        return;
    OffsetRect(&rect, -rect.left, -rect.top);
    MemoryDC buffer(windowDC.get());
    UniqueBitmap bits(CreateCompatibleBitmap(windowDC.get(), rect.right, rect.bottom));
    if (!buffer || !bits)
        return;
    ScopedSelect select(buffer.get(), bits.get());
    // The kind paints over what the control drew, so magenta in the skin leaves the control's pixels.
    BitBlt(buffer.get(), 0, 0, rect.right, rect.bottom, windowDC.get(), 0, 0, SRCCOPY);
    Paint(buffer.get(), rect);
    BitBlt(windowDC.get(), 0, 0, rect.right, rect.bottom, buffer.get(), 0, 0, SRCCOPY);
}

LRESULT SkinControl::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure_.CallPrevious(window_, message, wParam, lParam);
}

bool SkinControl::StillAttached(SkinManager& owner, HWND window, const SkinControl* self) {
    return owner.FindControl(window) == self;
}

bool SkinControl::CallPreviousAndStay(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    SkinManager& owner = owner_;
    const HWND window = window_;
    result = CallPrevious(message, wParam, lParam);
    return StillAttached(owner, window, this);
}

bool SkinControl::SendAndStay(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    SkinManager& owner = owner_;
    const HWND window = window_;
    SendMessageA(target, message, wParam, lParam);
    return StillAttached(owner, window, this);
}

LRESULT SkinControl::OnFocus(UINT message, WPARAM wParam, LPARAM lParam) {
    focused = message == WM_SETFOCUS;
    Redraw();
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinControl::OnEnable(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (CallPreviousAndStay(message, wParam, lParam, result))
        Redraw();
    return result;
}

LRESULT SkinControl::OnPaint(UINT message, WPARAM wParam, LPARAM lParam) {
    CallPrevious(message, wParam, lParam); // the control paints itself first
    PAINTSTRUCT paint;
    BeginPaint(window_, &paint);
    PaintBuffered();
    EndPaint(window_, &paint);
    return 0;
}

LRESULT SkinControl::OnStyleChange(UINT message, WPARAM wParam, LPARAM lParam) {
    // The scroll-bar styles that WM_NCCALCSIZE takes away for a moment are no change for the control to act on: a
    // list view would show its bars again at once, and so have its client area computed with them after all.
    if (clearingBarStyles_ && static_cast<int>(wParam) == GWL_STYLE)
        return 0;
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinControl::OnNcDestroy(UINT message, WPARAM wParam, LPARAM lParam) {
    // Detaching deletes this object: nothing of it may be touched afterwards.
    SkinManager& owner = owner_;
    const HWND window = window_;
    const LRESULT result = CallPrevious(message, wParam, lParam);
    owner.DetachControl(window);
    return result;
}

} // namespace tarnvale
