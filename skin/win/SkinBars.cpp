// The skinned scroll bars of the kinds that scroll: room reserved in the non-client area, bars painted from the
// skin, and presses on them tracked (line steps with the arrow repeat, thumb drags).
#include "skin/win/SkinBars.h"

#include "skin/win/HoverTimer.h"
#include "skin/win/LoadedSkin.h"
#include "skin/win/SkinPainters.h"
#include "skin/win/SkinRegistry.h"
#include "skin/win/SkinScrolling.h"
#include "skin/win/WinGeometry.h"

#include <algorithm>
#include <iterator>

namespace tarnvale {
namespace {

constexpr ScrollWay kScrollWays[] = {
    // kind, whole control, by rows, repaint once per step
    {SkinKind::Edit, false, false, true},
    {SkinKind::ListBox, false, false, false},
    {SkinKind::ListView, false, true, false},
    {SkinKind::ScrollBar, true, false, false},
};

// The arrow repeat's timer, under an id of its own: it reaches the control's procedure, where the skin sees it first,
// and must not replace a timer of the control's.
constexpr UINT_PTR kRepeatTimerId = 0x5B4152;

// The bar's thumb as the system places it; false where the system cannot say, and the thumb is then reckoned from
// the scroll information.
bool QueryScrollBarInfo(HWND window, LONG objectId, SCROLLBARINFO& info) {
    info = {};
    info.cbSize = sizeof(info);
    return GetScrollBarInfo(window, objectId, &info) != FALSE;
}

ScrollRange ScrollRangeOf(HWND window, int bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    if (!GetScrollInfo(window, bar, &info))
        return {};
    return {info.nMin, info.nMax, info.nPage, info.nPos};
}

// The height of a list-view row: that of row 1 in column 1 as the list measures it, or of row 0 when there is no
// second row or column; 0 for an empty list.
int ListViewRowHeight(HWND list) {
    RECT row{LVIR_BOUNDS, 1, 0, 0};
    if (SendMessageA(list, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&row)) && row.bottom > row.top)
        return row.bottom - row.top;
    row = {LVIR_BOUNDS, 0, 0, 0};
    if (SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)) && row.bottom > row.top)
        return row.bottom - row.top;
    return 0;
}

} // namespace

const ScrollWay* ScrollWayOf(SkinKind kind) {
    const auto row = std::find_if(std::begin(kScrollWays), std::end(kScrollWays),
                                  [&](const ScrollWay& w) { return w.kind == kind; });
    return row == std::end(kScrollWays) ? nullptr : &*row;
}

const SkinWindow::Handler<SkinBars> SkinBars::kHandlers[] = {
    {WM_STYLECHANGING, &SkinBars::OnStyleChange},
    {WM_STYLECHANGED, &SkinBars::OnStyleChange},
    {WM_NCCALCSIZE, &SkinBars::OnNcCalcSize},
    {WM_NCHITTEST, &SkinBars::OnNcHitTest},
    {WM_NCPAINT, &SkinBars::OnNcPaint},
    {WM_NCMOUSEMOVE, &SkinBars::OnNcMouseMove},
    {WM_NCLBUTTONDOWN, &SkinBars::OnNcLButtonDown},
    {WM_NCLBUTTONDBLCLK, &SkinBars::OnNcLButtonDown},
    {WM_HSCROLL, &SkinBars::OnScroll},
    {WM_VSCROLL, &SkinBars::OnScroll},
    {WM_MOUSEMOVE, &SkinBars::OnMouseMove},
    {WM_LBUTTONUP, &SkinBars::OnLButtonUp},
    {WM_CAPTURECHANGED, &SkinBars::OnCaptureChanged},
    {WM_NCMOUSELEAVE, &SkinBars::OnNcMouseLeave},
    {WM_TIMER, &SkinBars::OnTimer},
};

bool SkinBars::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return SkinWindow::Dispatch(*this, kHandlers, message, wParam, lParam, result);
}

HWND SkinBars::Window() const {
    return control_.Window();
}

LRESULT SkinBars::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return control_.CallPrevious(message, wParam, lParam);
}

bool SkinBars::Skinned() const {
    for (int id : {kElementScrollArrows, kElementShaftHorz, kElementShaftVert, kElementThumbHorz, kElementThumbVert}) {
        if (!control_.skin_.HasElementImage(id))
            return false;
    }
    return true;
}

bool SkinBars::SendLineStep(HWND target, BarPart part, bool vertical) {
    const WPARAM code =
        part == PartFirstArrow ? (vertical ? SB_LINEUP : SB_LINERIGHT) : (vertical ? SB_LINEDOWN : SB_LINELEFT);
    return control_.SendAndStay(target, vertical ? WM_VSCROLL : WM_HSCROLL, code, reinterpret_cast<LPARAM>(Window()));
}

BarLayout SkinBars::Layout(const RECT& barRect, bool vertical) const {
    const HWND window = Window();
    BarFacts facts;
    facts.bar = FromRECT(barRect);
    facts.vertical = vertical;
    facts.arrowLength = control_.skin_.Metric(SM_CXHSCROLL);
    facts.otherBar = vertical ? hasHorzBar_ : hasVertBar_;
    facts.windowEnabled = IsWindowEnabled(window) != FALSE;
    SCROLLBARINFO info;
    const bool known = QueryScrollBarInfo(window,
                                          way_.wholeControl ? OBJID_CLIENT
                                          : vertical        ? OBJID_VSCROLL
                                                            : OBJID_HSCROLL,
                                          info);
    if (known)
        facts.unavailable = info.rgstate[0] == STATE_SYSTEM_UNAVAILABLE;
    // The system places its thumb between arrows of the size its own DPI gives; on a screen of another DPI the
    // arrows are of that screen's size, and the thumb is reckoned from the scroll information between them.
    if (known && facts.arrowLength == GetSystemMetrics(SM_CXHSCROLL)) {
        facts.thumb = {info.xyThumbTop, info.xyThumbBottom};
    } else {
        RECT client;
        GetClientRect(window, &client);
        facts.thumb = ThumbSpanFromRange(ScrollRangeOf(window, way_.wholeControl ? SB_CTL
                                                               : vertical        ? SB_VERT
                                                                                 : SB_HORZ),
                                         vertical ? client.bottom : client.right, control_.skin_.Metric(SM_CXVSCROLL));
    }
    return ComputeBarLayout(facts);
}

int SkinBars::ThumbTrackToPosition(bool vertical, int offset) const {
    const HWND window = Window();
    const int bar = way_.wholeControl ? SB_CTL : vertical ? SB_VERT : SB_HORZ;
    RECT client;
    GetClientRect(window, &client);
    return tarnvale::ThumbTrackToPosition(ScrollRangeOf(window, bar), vertical ? client.bottom : client.right,
                                          control_.skin_.Metric(SM_CXVSCROLL), offset);
}

void SkinBars::Draw(HDC hdc, const RECT& barRect, bool vertical) {
    const HWND window = Window();
    // The bars are laid out from the window's top-left corner; the hover point is in client coordinates.
    POINT clientOrigin{0, 0};
    RECT bounds;
    ClientToScreen(window, &clientOrigin);
    GetWindowRect(window, &bounds);
    BarLook look;
    if (hoverPoint.x != kNoHoverPoint.x || hoverPoint.y != kNoHoverPoint.y)
        look.hover = {hoverPoint.x + clientOrigin.x - bounds.left, hoverPoint.y + clientOrigin.y - bounds.top};
    look.pressed = pressed;
    look.pressedPart = pressedPart;
    PaintScrollBar(hdc, control_.skin_, Layout(barRect, vertical), vertical, look);
}

RECT SkinBars::NonClientBarRect(bool vertical) const {
    RECT bounds;
    GetWindowRect(Window(), &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    const int border = BorderWidthOf(Window());
    const int thickness = control_.skin_.Metric(SM_CXVSCROLL);
    if (vertical)
        return {width - border - thickness, border, width - border, height - border};
    return {border, height - border - thickness, width - border, height - border};
}

void SkinBars::PaintNonClient() {
    if (!(hasVertBar_ || hasHorzBar_) || control_.redrawOff_ || !Skinned())
        return;
    WindowDC windowDC(Window());
    if (!windowDC)
        return;
    if (hasVertBar_)
        PaintBar(windowDC.get(), NonClientBarRect(true), true);
    if (hasHorzBar_)
        PaintBar(windowDC.get(), NonClientBarRect(false), false);
}

void SkinBars::PaintBar(HDC windowDC, const RECT& barRect, bool vertical) {
    // Only the bar's own area is copied and drawn: nothing outside it can change.
    const int width = barRect.right - barRect.left, height = barRect.bottom - barRect.top;
    if (width <= 0 || height <= 0)
        return;
    const PaintBuffer::Lease buffer(control_.skin_.OffScreen(), windowDC, width, height);
    if (!buffer.dc())
        return;
    BitBlt(buffer.dc(), 0, 0, width, height, windowDC, barRect.left, barRect.top, SRCCOPY);
    SetViewportOrgEx(buffer.dc(), -barRect.left, -barRect.top, nullptr);
    Draw(buffer.dc(), barRect, vertical);
    SetViewportOrgEx(buffer.dc(), 0, 0, nullptr);
    BitBlt(windowDC, barRect.left, barRect.top, width, height, buffer.dc(), 0, 0, SRCCOPY);
}

LRESULT SkinBars::OnStyleChange(UINT message, WPARAM wParam, LPARAM lParam) {
    // The scroll-bar styles that WM_NCCALCSIZE takes away for a moment are no change for the control to act on: a
    // list view would show its bars again at once, and so have its client area computed with them after all.
    if (clearingBarStyles_ && static_cast<int>(wParam) == GWL_STYLE)
        return 0;
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinBars::OnNcCalcSize(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Skinned())
        return CallPrevious(message, wParam, lParam);
    // The control computes its client area as if it had no bars; the skinned bars then take their room.
    const HWND window = Window();
    const auto style = StyleOf(window);
    const DWORD bars = style & (WS_HSCROLL | WS_VSCROLL);
    hasHorzBar_ = (style & WS_HSCROLL) != 0;
    hasVertBar_ = (style & WS_VSCROLL) != 0;
    clearingBarStyles_ = bars != 0;
    if (bars)
        SetWindowLongPtrA(window, GWL_STYLE, static_cast<LONG_PTR>(style & ~bars));
    const LRESULT result = CallPrevious(message, wParam, lParam);
    if (bars)
        SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) | static_cast<LONG_PTR>(bars));
    clearingBarStyles_ = false;
    auto* rect = reinterpret_cast<RECT*>(lParam); // the first member of NCCALCSIZE_PARAMS too
    if (!rect)
        return result;
    const int barHeight = control_.skin_.Metric(SM_CYHSCROLL), barWidth = control_.skin_.Metric(SM_CXVSCROLL);
    if (hasHorzBar_ && rect->bottom - rect->top > barHeight)
        rect->bottom -= barHeight;
    if (hasVertBar_ && rect->right - rect->left >= barWidth)
        rect->right -= barWidth;
    return result;
}

LRESULT SkinBars::OnNcHitTest(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT hit = CallPrevious(message, wParam, lParam);
    if ((hit == HTHSCROLL || hit == HTVSCROLL) && Skinned())
        PaintNonClient();
    return hit;
}

LRESULT SkinBars::OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Skinned())
        return CallPrevious(message, wParam, lParam);
    CallPrevious(message, wParam, lParam);
    PaintNonClient();
    control_.PaintBufferedAtNcPaint();
    return 0;
}

LRESULT SkinBars::OnNcMouseMove(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Skinned())
        return CallPrevious(message, wParam, lParam);
    const HWND window = Window();
    hoverPoint = PointFromLParam(lParam);
    ScreenToClient(window, &hoverPoint);
    StartHoverTimer(window);
    // The system's own bars may still be live underneath and repaint themselves here: the skin paints last.
    LRESULT result;
    if (control_.CallPreviousAndStay(message, wParam, lParam, result))
        PaintNonClient();
    return result;
}

LRESULT SkinBars::OnNcLButtonDown(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Skinned())
        return CallPrevious(message, wParam, lParam);
    const LRESULT hit = OnNcHitTest(WM_NCHITTEST, wParam, lParam);
    if (hit != HTVSCROLL && hit != HTHSCROLL)
        return CallPrevious(message, wParam, lParam);
    const HWND window = Window();
    const bool vertical = hit == HTVSCROLL;
    const POINT point = PointFromLParam(lParam);
    pressVertical = vertical;
    RECT bounds;
    GetWindowRect(window, &bounds);
    RECT bar = NonClientBarRect(vertical);
    OffsetRect(&bar, bounds.left, bounds.top);
    const BarPart part = HitBarPart(Layout(bar, vertical), FromPOINT(point));
    pressedPart = part; // a press on the shaft leaves no part pressed from an earlier press
    if (part == PartThumb) {
        dragStartOffset = ThumbTrackToPosition(vertical, kCurrentThumbOffset);
        pressPoint = point;
        ScreenToClient(window, &pressPoint);
    } else if (part != PartNone && !SendLineStep(window, part, vertical)) {
        return 0;
    }
    pressed = true;
    SetCapture(window);
    tracking_ = true;
    pressScreenPoint_ = point;
    repeatStep_ = 0; // the press's own step
    ArmRepeat();
    PaintNonClient();
    return 0;
}

LRESULT SkinBars::OnScroll(UINT message, WPARAM wParam, LPARAM lParam) {
    // The control may have told its parent, whose handler may have destroyed it.
    LRESULT result;
    if (!control_.CallPreviousAndStay(message, wParam, lParam, result) || !Skinned())
        return result;
    control_.Redraw();
    PaintNonClient();
    return 0;
}

LRESULT SkinBars::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Skinned())
        return CallPrevious(message, wParam, lParam);
    const POINT point = PointFromLParam(lParam);
    if (!tracking_) {
        hoverPoint = point;
        return CallPrevious(message, wParam, lParam);
    }
    if (pressedPart == PartThumb && !DragThumb(point))
        return 0;
    hoverPoint = point;
    return 0;
}

bool SkinBars::DragThumb(POINT point) {
    SkinScrolling& control = control_;
    const HWND window = Window();
    const int moved = pressVertical ? point.y - pressPoint.y : point.x - pressPoint.x;
    const int position = ThumbTrackToPosition(pressVertical, dragStartOffset + moved);
    const bool once = way_.repaintOncePerStep;
    if (once && !control.SendAndStay(window, WM_SETREDRAW, FALSE, 0))
        return false;
    // Scrolling tells the parent, whose handler may have destroyed the control.
    bool stays = true;
    if (way_.scrollsByRows) {
        if (pressVertical) {
            const int rows = position - GetScrollPos(window, SB_VERT);
            const int rowHeight = ListViewRowHeight(window);
            if (rows != 0 && rowHeight > 0)
                stays = control.SendAndStay(window, LVM_SCROLL, 0, static_cast<LPARAM>(rowHeight) * rows);
        } else if (const int pixels = position - GetScrollPos(window, SB_HORZ); pixels != 0) {
            stays = control.SendAndStay(window, LVM_SCROLL, static_cast<WPARAM>(pixels), 0);
        }
    } else {
        stays = control.SendAndStay(window, pressVertical ? WM_VSCROLL : WM_HSCROLL,
                                    MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(position)),
                                    reinterpret_cast<LPARAM>(window));
    }
    if (!stays)
        return false;
    if (once) {
        // Redraw coming back on repaints the bars.
        if (!control.SendAndStay(window, WM_SETREDRAW, TRUE, 0))
            return false;
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }
    return true;
}

void SkinBars::EndPress() {
    tracking_ = false;
    KillTimer(Window(), kRepeatTimerId);
    pressed = false;
    PaintNonClient();
}

LRESULT SkinBars::OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam) {
    if (tracking_ && Skinned()) {
        tracking_ = false; // before the capture goes, so that losing it ends nothing twice
        ReleaseCapture();
        EndPress();
    }
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinBars::OnCaptureChanged(UINT message, WPARAM wParam, LPARAM lParam) {
    // Whatever takes the capture away ends the press as a button-up would: the arrow stops stepping.
    if (tracking_ && reinterpret_cast<HWND>(lParam) != Window())
        EndPress();
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinBars::OnNcMouseLeave(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Skinned())
        return CallPrevious(message, wParam, lParam);
    hoverPoint = kNoHoverPoint;
    PaintNonClient();
    return 0;
}

bool SkinBars::RepeatTick(POINT cursor) {
    // The slightest move ends the repeat until the next press.
    if (!tracking_ || cursor.x != pressScreenPoint_.x || cursor.y != pressScreenPoint_.y)
        return false;
    if (pressedPart != PartFirstArrow && pressedPart != PartSecondArrow)
        return true; // a press on the thumb or the shaft steps nothing, but the timer keeps watching the cursor
    return SendLineStep(Window(), pressedPart, pressVertical);
}

void SkinBars::ArmRepeat() {
    SetTimer(Window(), kRepeatTimerId, ArrowRepeatDelayMs(++repeatStep_), nullptr);
}

LRESULT SkinBars::OnTimer(UINT message, WPARAM wParam, LPARAM lParam) {
    if (wParam != kRepeatTimerId)
        return CallPrevious(message, wParam, lParam);
    POINT cursor{};
    GetCursorPos(&cursor);
    KillTimer(Window(), kRepeatTimerId);
    if (RepeatTick(cursor))
        ArmRepeat();
    return 0;
}

} // namespace tarnvale
