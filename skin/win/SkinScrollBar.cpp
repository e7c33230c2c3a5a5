// Stand-alone scroll bars: painting the whole control as one bar, presses and drags reported to the parent, and
// showing, disabling or hiding the bar by its range.
#include "skin/win/SkinScrollBar.h"

#include "skin/win/LoadedSkin.h"
#include "skin/win/WinGeometry.h"

#include <cstdint>

namespace tarnvale {

const SkinWindow::Handler<SkinScrollBar> SkinScrollBar::kHandlers[] = {
    {WM_PAINT, &SkinScrollBar::OnPaint},
    {WM_ENABLE, &SkinScrollBar::PreviousThenRedraw},
    {SBM_SETRANGEREDRAW, &SkinScrollBar::PreviousThenRedraw},
    {WM_HSCROLL, &SkinScrollBar::PreviousThenRedraw},
    {WM_VSCROLL, &SkinScrollBar::PreviousThenRedraw},
    {SBM_SETPOS, &SkinScrollBar::OnSetPos},
    {SBM_SETSCROLLINFO, &SkinScrollBar::OnSetScrollInfo},
    {WM_LBUTTONDOWN, &SkinScrollBar::OnLButtonDown},
    {WM_LBUTTONUP, &SkinScrollBar::OnLButtonUp},
    {WM_LBUTTONDBLCLK, &SkinScrollBar::OnLButtonDblClk},
    {WM_MOUSEMOVE, &SkinScrollBar::OnMouseMove},
    {WM_MOUSELEAVE, &SkinScrollBar::OnMouseLeave},
    {WM_CAPTURECHANGED, &SkinScrollBar::OnCaptureChanged},
};

LRESULT SkinScrollBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (Dispatch(*this, kHandlers, message, wParam, lParam, result))
        return result;
    return SkinScrolling::WindowProc(message, wParam, lParam);
}

bool SkinScrollBar::Skinned() const {
    return bars_.Skinned();
}

void SkinScrollBar::Paint(HDC hdc, const RECT& rect) {
    bars_.Draw(hdc, rect, Vertical());
}

bool SkinScrollBar::Vertical() const {
    return (StyleOf(window_) & SBS_VERT) != 0;
}

LRESULT SkinScrollBar::OnPaint(UINT, WPARAM, LPARAM) {
    ValidateRect(window_, nullptr);
    PaintBuffered();
    return 0;
}

LRESULT SkinScrollBar::OnSetPos(UINT message, WPARAM wParam, LPARAM) {
    // The control must not paint itself: the skin does, once.
    const LRESULT result = CallPrevious(message, wParam, FALSE);
    Redraw();
    return result;
}

LRESULT SkinScrollBar::OnSetScrollInfo(UINT message, WPARAM, LPARAM lParam) {
    const LRESULT result = CallPrevious(message, FALSE, lParam);
    // The caller's structure holds only what its mask names (SetScrollPos sends the position alone): whether the
    // bar can scroll is read back from the control.
    SCROLLINFO now{};
    now.cbSize = sizeof(now);
    now.fMask = SIF_ALL;
    CallPrevious(SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&now));
    const auto* given = reinterpret_cast<const SCROLLINFO*>(lParam);
    const bool keepShown = given && (given->fMask & SIF_DISABLENOSCROLL);
    if (std::int64_t(now.nMin) < std::int64_t(now.nMax) - std::int64_t(now.nPage) + 1) {
        EnableWindow(window_, TRUE);
        ShowWindow(window_, SW_SHOW);
    } else {
        EnableWindow(window_, FALSE);
        if (!keepShown)
            ShowWindow(window_, SW_HIDE);
    }
    if (Attached())
        Redraw();
    return result;
}

LRESULT SkinScrollBar::OnLButtonDown(UINT, WPARAM, LPARAM lParam) {
    const bool vertical = Vertical();
    const POINT point = PointFromLParam(lParam);
    RECT client;
    GetClientRect(window_, &client);
    const BarPart part = HitBarPart(bars_.Layout(client, vertical), FromPOINT(point));
    bars_.pressedPart = part;
    if (part == PartThumb) {
        bars_.dragStartOffset = bars_.ThumbTrackToPosition(vertical, kCurrentThumbOffset);
        bars_.pressPoint = point;
    } else if (part != PartNone && !bars_.SendLineStep(GetParent(window_), part, vertical)) {
        return 0; // the parent's handler destroyed the bar
    }
    bars_.pressed = true;
    Redraw();
    SetCapture(window_);
    return 0;
}

LRESULT SkinScrollBar::OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam) {
    bars_.pressed = false;
    if (GetCapture() == window_)
        ReleaseCapture();
    bars_.pressedPart = PartNone;
    LRESULT result;
    if (CallPreviousAndStay(message, wParam, lParam, result))
        Redraw();
    return result;
}

LRESULT SkinScrollBar::OnCaptureChanged(UINT message, WPARAM wParam, LPARAM lParam) {
    // Whatever takes the capture away ends the press as a button-up would.
    if (!bars_.pressed || reinterpret_cast<HWND>(lParam) == window_)
        return SkinScrolling::WindowProc(message, wParam, lParam);
    bars_.pressed = false;
    bars_.pressedPart = PartNone;
    LRESULT result;
    if (CallPreviousAndStay(message, wParam, lParam, result))
        Redraw();
    return result;
}

LRESULT SkinScrollBar::OnLButtonDblClk(UINT, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(window_, WM_LBUTTONDOWN, wParam, lParam);
}

LRESULT SkinScrollBar::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT point = PointFromLParam(lParam);
    const bool captured = GetCapture() == window_;
    if (captured && bars_.pressedPart == PartThumb) {
        const bool vertical = Vertical();
        const int moved = vertical ? point.y - bars_.pressPoint.y : point.x - bars_.pressPoint.x;
        const int position = bars_.ThumbTrackToPosition(vertical, bars_.dragStartOffset + moved);
        if (!SendAndStay(GetParent(window_), vertical ? WM_VSCROLL : WM_HSCROLL,
                         MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(position)), reinterpret_cast<LPARAM>(window_)))
            return 0;
    } else if (!captured && !hot) {
        hot = true;
        ArmLeaveReport();
    }
    bars_.hoverPoint = point;
    // The system's own bar may repaint itself on the move: the skin paints last.
    const LRESULT result = SkinScrolling::WindowProc(message, wParam, lParam);
    if (Attached())
        Redraw();
    return result;
}

LRESULT SkinScrollBar::OnMouseLeave(UINT, WPARAM, LPARAM) {
    if (hot) {
        bars_.hoverPoint = kNoHoverPoint;
        hot = false;
        Redraw();
    }
    return 0;
}

} // namespace tarnvale
