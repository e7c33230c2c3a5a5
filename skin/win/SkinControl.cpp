// The control base: the base procedure's table, and the repaint paths every kind shares.
#include "skin/win/SkinControl.h"

#include "skin/win/LoadedSkin.h"

#include <algorithm>

namespace tarnvale {

const SkinWindow::Handler<SkinControl> SkinControl::kHandlers[] = {
    {WM_SETFOCUS, &SkinControl::OnFocus},  {WM_KILLFOCUS, &SkinControl::OnFocus},
    {WM_ENABLE, &SkinControl::OnEnable},   {WM_PAINT, &SkinControl::OnPaint},
    {WM_NCPAINT, &SkinControl::OnNcPaint}, {WM_SETREDRAW, &SkinControl::OnSetRedraw},
};

LRESULT SkinControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (Dispatch(*this, kHandlers, message, wParam, lParam, result))
        return result;
    return CallPrevious(message, wParam, lParam);
}

void SkinControl::Paint(HDC, const RECT&) {}

void SkinControl::Redraw() {
    if (redrawOff_)
        return;
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
}

void SkinControl::PaintBuffered() {
    if (!HasPaint() || redrawOff_)
        return;
    WindowDC windowDC(window_);
    RECT rect;
    if (!windowDC || !GetWindowRect(window_, &rect))
        return;
    OffsetRect(&rect, -rect.left, -rect.top);
    const PaintBuffer::Lease buffer(skin_.OffScreen(), windowDC.get(), rect.right, rect.bottom);
    if (!buffer.dc())
        return;
    // The kind paints over what the control drew, so magenta in the skin leaves the control's pixels.
    BitBlt(buffer.dc(), 0, 0, rect.right, rect.bottom, windowDC.get(), 0, 0, SRCCOPY);
    Paint(buffer.dc(), rect);
    BitBlt(windowDC.get(), 0, 0, rect.right, rect.bottom, buffer.dc(), 0, 0, SRCCOPY);
}

void SkinControl::PaintBufferedAtNcPaint() {
    // The frame is also sent from within a paint (BeginPaint sends it, having taken the update region already): the
    // skin's paint of the whole window comes right after it then.
    if (!paintFollows_ && !GetUpdateRect(window_, nullptr, FALSE))
        PaintBuffered();
}

void SkinControl::DrawFlatBorder(HDC hdc, const RECT& rect, COLORREF border, COLORREF inner) {
    // Four strips per line: far cheaper than a pen and a rectangle, and exactly one pixel wide whatever the DC's mode.
    auto frame = [hdc](const RECT& r, COLORREF colour) {
        if (r.right - r.left <= 0 || r.bottom - r.top <= 0)
            return;
        const RECT strips[] = {{r.left, r.top, r.right, r.top + 1},
                               {r.left, r.bottom - 1, r.right, r.bottom},
                               {r.left, r.top, r.left + 1, r.bottom},
                               {r.right - 1, r.top, r.right, r.bottom}};
        for (const RECT& strip : strips)
            LoadedSkin::FillSolid(hdc, strip, colour);
    };
    const COLORREF background = GetBkColor(hdc);
    frame({rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1}, inner);
    frame(rect, border);
    SetBkColor(hdc, background);
}

LRESULT SkinControl::PreviousThenRedraw(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (CallPreviousAndStay(message, wParam, lParam, result))
        Redraw();
    return result;
}

LRESULT SkinControl::PaintNow() {
    PAINTSTRUCT paint;
    paintFollows_ = true;
    BeginPaint(window_, &paint);
    paintFollows_ = false;
    PaintBuffered();
    EndPaint(window_, &paint);
    return 0;
}

std::string SkinControl::OwnText() {
    // The previous procedure answers in the kind of text this object is called with.
    const auto read = [this](auto& text) {
        text.resize(static_cast<std::size_t>(std::max<LRESULT>(0, CallPrevious(WM_GETTEXTLENGTH, 0, 0))) + 1);
        const LRESULT length = CallPrevious(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
        text.resize(length > 0 ? std::min(static_cast<std::size_t>(length), text.size() - 1) : 0);
    };
    std::string text;
    if (!Unicode()) {
        read(text);
        return text;
    }
    std::wstring wide;
    read(wide);
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(std::max(bytes, 0)));
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), bytes, nullptr, nullptr);
    return text;
}

void SkinControl::PaintParentBackground(HDC hdc) {
    const HWND parent = GetParent(window_);
    if (!skin_.HasElementImage(kElementDialog) || !parent)
        return;
    // The control's client area as the parent sees it, in the parent's background laid from its client origin as
    // the dialog lays it.
    RECT area;
    GetWindowRect(window_, &area);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    const int border = BorderWidthOf(window_);
    InflateRect(&area, -border, -border);
    if (IsRectEmpty(&area))
        return;
    RECT client;
    GetClientRect(parent, &client);
    skin_.DrawTiled(hdc, kElementDialog, {client.right, client.bottom}, area, {0, 0});
}

LRESULT SkinControl::OnSkinPaint(UINT, WPARAM, LPARAM) {
    return PaintNow();
}

LRESULT SkinControl::OnSkinNcPaint(UINT, WPARAM, LPARAM) {
    PaintBufferedAtNcPaint();
    return 0;
}

LRESULT SkinControl::OnEraseToParentBackground(UINT, WPARAM wParam, LPARAM) {
    PaintParentBackground(reinterpret_cast<HDC>(wParam));
    return 1;
}

LRESULT SkinControl::OnEraseNothing(UINT, WPARAM, LPARAM) {
    return 1;
}

void SkinControl::BecomeHot() {
    if (hot)
        return;
    hot = true;
    Redraw();
    ArmLeaveReport();
}

LRESULT SkinControl::OnHotLeave(UINT, WPARAM, LPARAM) {
    if (hot) {
        hot = false;
        Redraw();
    }
    return 0;
}

void SkinControl::ArmLeaveReport() {
    TRACKMOUSEEVENT leave{sizeof(leave), TME_LEAVE, window_, 0};
    _TrackMouseEvent(&leave);
}

LRESULT SkinControl::OnSetRedraw(UINT message, WPARAM wParam, LPARAM lParam) {
    // A control filled row by row with its redraw off (a large catalogue) must not cost a skin paint per row; the
    // skin paints once when the control draws again, after the control itself (a list view repaints its own bars
    // then).
    if (!wParam) {
        redrawOff_ = true;
        return CallPrevious(message, wParam, lParam);
    }
    LRESULT result;
    if (!CallPreviousAndStay(message, wParam, lParam, result))
        return result;
    redrawOff_ = false;
    PaintBars();
    PaintBuffered();
    return result;
}

LRESULT SkinControl::OnFocus(UINT message, WPARAM wParam, LPARAM lParam) {
    focused = message == WM_SETFOCUS;
    Redraw();
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinControl::OnEnable(UINT message, WPARAM wParam, LPARAM lParam) {
    return PreviousThenRedraw(message, wParam, lParam);
}

LRESULT SkinControl::OnPaint(UINT message, WPARAM wParam, LPARAM lParam) {
    // The control paints itself first, and asks its parent for colours meanwhile: the parent's handler may have
    // destroyed it, or taken the skin off it.
    LRESULT result;
    paintFollows_ = true;
    if (!CallPreviousAndStay(message, wParam, lParam, result))
        return result;
    return PaintNow();
}

LRESULT SkinControl::OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam) {
    // The control's own edge first, the skin over it.
    CallPrevious(message, wParam, lParam);
    PaintBufferedAtNcPaint();
    return 0;
}

} // namespace tarnvale
