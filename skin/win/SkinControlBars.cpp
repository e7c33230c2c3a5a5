// The skinned scroll bars of the control base: room reserved in the non-client area, bars painted from the skin,
// and presses on them tracked (line steps with auto-repeat on the arrows, thumb dragging).
#include "skin/win/SkinControl.h"

#include "skin/win/SkinManager.h"
#include "skin/win/WinGeometry.h"

namespace tarnvale {
namespace {

constexpr UINT_PTR kRepeatTimerId = 0;
constexpr UINT kFirstRepeatMs = 200;
constexpr UINT kRepeatMs = 50;

// Frames of the arrow strip: four per arrow (normal, pressed, disabled, hot), the glyph of frame f at f + 16, then
// the grippers of the vertical and the horizontal thumb.
constexpr int kUpArrow = 0, kDownArrow = 4, kLeftArrow = 8, kRightArrow = 12;
constexpr int kArrowPressed = 1, kArrowDisabled = 2, kArrowHot = 3;
constexpr int kGlyphOffset = 16;
constexpr int kVerticalGripper = 32, kHorizontalGripper = 33;
constexpr int kThumbPressed = 1, kThumbHot = 3;

constexpr UINT kScrollBarInfoSize = 60;
static_assert(sizeof(SCROLLBARINFO) == kScrollBarInfoSize);

// GetScrollBarInfo, looked up at each use: systems without it still get bars, with the thumb reckoned from the
// scroll information instead.
bool QueryScrollBarInfo(HWND window, LONG objectId, SCROLLBARINFO& info) {
    using Function = BOOL(WINAPI*)(HWND, LONG, PSCROLLBARINFO);
    const HMODULE user32 = GetModuleHandleA("USER32.DLL");
    const FARPROC found = user32 ? GetProcAddress(user32, "GetScrollBarInfo") : nullptr;
    const auto query = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
    if (!query)
        return false;
    info = {};
    info.cbSize = kScrollBarInfoSize;
    return query(window, objectId, &info) != FALSE;
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

bool SkinControl::BarsSkinned() const {
    for (int id : {kElementScrollArrows, kElementShaftHorz, kElementShaftVert, kElementThumbHorz, kElementThumbVert}) {
        if (!owner_.HasElementImage(id))
            return false;
    }
    return true;
}

bool SkinControl::SendLineStep(HWND target, BarPart part, bool vertical) {
    const WPARAM code =
        part == PartFirstArrow ? (vertical ? SB_LINEUP : SB_LINERIGHT) : (vertical ? SB_LINEDOWN : SB_LINELEFT);
    return SendAndStay(target, vertical ? WM_VSCROLL : WM_HSCROLL, code, reinterpret_cast<LPARAM>(window_));
}

BarLayout SkinControl::ComputeBarLayout(const RECT& barRect, bool vertical) const {
    BarFacts facts;
    facts.bar = FromRECT(barRect);
    facts.vertical = vertical;
    facts.arrowLength = GetSystemMetrics(SM_CXHSCROLL);
    facts.otherBar = vertical ? hasHorzBar : hasVertBar;
    facts.windowEnabled = IsWindowEnabled(window_) != FALSE;
    const bool control = className_ == "SCROLLBAR";
    SCROLLBARINFO info;
    if (QueryScrollBarInfo(window_, control ? OBJID_CLIENT : vertical ? OBJID_VSCROLL : OBJID_HSCROLL, info)) {
        facts.thumb = {info.xyThumbTop, info.xyThumbBottom};
        facts.unavailable = info.rgstate[0] == STATE_SYSTEM_UNAVAILABLE;
    } else {
        RECT client;
        GetClientRect(window_, &client);
        facts.thumb = ThumbSpanFromRange(ScrollRangeOf(window_, control    ? SB_CTL
                                                                : vertical ? SB_VERT
                                                                           : SB_HORZ),
                                         vertical ? client.bottom : client.right, GetSystemMetrics(SM_CXVSCROLL));
    }
    return tarnvale::ComputeBarLayout(facts);
}

int SkinControl::ThumbTrackToPosition(bool vertical, int offset) const {
    const int bar = className_ == "SCROLLBAR" ? SB_CTL : vertical ? SB_VERT : SB_HORZ;
    RECT client;
    GetClientRect(window_, &client);
    return tarnvale::ThumbTrackToPosition(ScrollRangeOf(window_, bar), vertical ? client.bottom : client.right,
                                          GetSystemMetrics(SM_CXVSCROLL), offset);
}

void SkinControl::DrawScrollBar(HDC hdc, const RECT& barRect, bool vertical) {
    const BarLayout layout = ComputeBarLayout(barRect, vertical);
    DrawShaft(hdc, layout, vertical);

    // The bars are laid out from the window's top-left corner; the hover point is in client coordinates.
    POINT clientOrigin{0, 0};
    RECT window;
    ClientToScreen(window_, &clientOrigin);
    GetWindowRect(window_, &window);
    const bool hovering = hoverPoint.x != kNoHoverPoint.x || hoverPoint.y != kNoHoverPoint.y;
    const Point hover =
        hovering ? Point{hoverPoint.x + clientOrigin.x - window.left, hoverPoint.y + clientOrigin.y - window.top}
                 : FromPOINT(kNoHoverPoint);
    const SkinElement& arrows = owner_.Element(kElementScrollArrows);
    // Glyphs and grippers are drawn at their own size, centred on their part.
    auto drawCentred = [&](const Rect& part, int frame) {
        const int left = part.left + part.Width() / 2 - arrows.frame.width / 2;
        const int top = part.top + part.Height() / 2 - arrows.frame.height / 2;
        owner_.DrawFrame(hdc, kElementScrollArrows, frame,
                         {left, top, left + arrows.frame.width, top + arrows.frame.height}, ILD_TRANSPARENT);
    };

    const struct {
        const Rect& rect;
        BarPart part;
        int base;
    } arrowParts[] = {
        {layout.firstArrow, PartFirstArrow, vertical ? kUpArrow : kRightArrow},
        {layout.secondArrow, PartSecondArrow, vertical ? kDownArrow : kLeftArrow},
    };
    for (const auto& arrow : arrowParts) {
        const bool over = arrow.rect.Contains(hover);
        int frame = arrow.base;
        if (!layout.enabled)
            frame += kArrowDisabled;
        else if (!pressed && over)
            frame += kArrowHot;
        else if (over && pressedPart == arrow.part)
            frame += kArrowPressed;
        owner_.DrawSized(hdc, kElementScrollArrows, frame, ToRECT(arrow.rect));
        drawCentred(arrow.rect, frame + kGlyphOffset);
    }

    // A disabled bar has no thumb.
    if (!layout.enabled || layout.thumb.Empty())
        return;
    const bool over = layout.thumb.Contains(hover);
    const int frame = !pressed && over ? kThumbHot : over && pressedPart == PartThumb ? kThumbPressed : 0;
    owner_.DrawSized(hdc, vertical ? kElementThumbVert : kElementThumbHorz, frame, ToRECT(layout.thumb));
    drawCentred(layout.thumb, vertical ? kVerticalGripper : kHorizontalGripper);
}

void SkinControl::DrawShaft(HDC hdc, const BarLayout& layout, bool vertical) {
    const int id = vertical ? kElementShaftVert : kElementShaftHorz;
    if (!owner_.HasElementImage(id))
        return;
    const SkinElement& shaft = owner_.Element(id);
    switch (shaft.sizingType) {
    case SizingTrueSize:
        return;
    case SizingStretch:
        owner_.DrawSized(hdc, id, 0, ToRECT(layout.shaft));
        return;
    case SizingTile: {
        const int piece = vertical ? shaft.frame.height : shaft.frame.width;
        if (piece <= 0)
            return;
        // The last piece is not cut: the arrow drawn next covers its overhang. Only the corner square is kept
        // from it, as from every other part.
        const Rect& end = vertical ? layout.secondArrow : layout.firstArrow;
        ScopedDCState state(hdc);
        IntersectClipRect(hdc, layout.shaft.left, layout.shaft.top, vertical ? layout.shaft.right : end.right,
                          vertical ? end.bottom : layout.shaft.bottom);
        const int start = vertical ? layout.shaft.top : layout.shaft.left;
        const int stop = vertical ? layout.shaft.bottom : layout.shaft.right;
        for (int at = start; at < stop; at += piece) {
            const RECT rect = vertical ? RECT{layout.shaft.left, at, layout.shaft.right, at + piece}
                                       : RECT{at, layout.shaft.top, at + piece, layout.shaft.bottom};
            owner_.DrawSized(hdc, id, 0, rect);
        }
        return;
    }
    }
}

RECT SkinControl::NonClientBarRect(bool vertical) const {
    RECT window;
    GetWindowRect(window_, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    const int border = SkinManager::BorderWidthOf(window_);
    const int thickness = GetSystemMetrics(SM_CXVSCROLL);
    if (vertical)
        return {width - border - thickness, border, width - border, height - border};
    return {border, height - border - thickness, width - border, height - border};
}

void SkinControl::PaintScrollBars() {
    if (!(hasVertBar || hasHorzBar) || redrawOff_ || !BarsSkinned())
        return;
    WindowDC windowDC(window_);
    if (!windowDC)
        return;
    if (hasVertBar)
        PaintBar(windowDC.get(), NonClientBarRect(true), true);
    if (hasHorzBar)
        PaintBar(windowDC.get(), NonClientBarRect(false), false);
}

void SkinControl::PaintBar(HDC windowDC, const RECT& barRect, bool vertical) {
    // Only the bar's own area is copied and drawn: nothing outside it can change.
    const int width = barRect.right - barRect.left, height = barRect.bottom - barRect.top;
    if (width <= 0 || height <= 0)
        return;
    MemoryDC buffer(windowDC);
    UniqueBitmap bits(CreateCompatibleBitmap(windowDC, width, height));
    if (!buffer || !bits)
        return;
    ScopedSelect select(buffer.get(), bits.get());
    BitBlt(buffer.get(), 0, 0, width, height, windowDC, barRect.left, barRect.top, SRCCOPY);
    SetViewportOrgEx(buffer.get(), -barRect.left, -barRect.top, nullptr);
    DrawScrollBar(buffer.get(), barRect, vertical);
    SetViewportOrgEx(buffer.get(), 0, 0, nullptr);
    BitBlt(windowDC, barRect.left, barRect.top, width, height, buffer.get(), 0, 0, SRCCOPY);
}

LRESULT SkinControl::OnNcCalcSize(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!BarsSkinned())
        return CallPrevious(message, wParam, lParam);
    // The control computes its client area as if it had no bars; the skinned bars then take their room.
    const auto style = StyleOf(window_);
    const DWORD bars = style & (WS_HSCROLL | WS_VSCROLL);
    hasHorzBar = (style & WS_HSCROLL) != 0;
    hasVertBar = (style & WS_VSCROLL) != 0;
    clearingBarStyles_ = bars != 0;
    if (bars)
        SetWindowLongPtrA(window_, GWL_STYLE, static_cast<LONG_PTR>(style & ~bars));
    const LRESULT result = CallPrevious(message, wParam, lParam);
    if (bars)
        SetWindowLongPtrA(window_, GWL_STYLE, GetWindowLongPtrA(window_, GWL_STYLE) | static_cast<LONG_PTR>(bars));
    clearingBarStyles_ = false;
    auto* rect = reinterpret_cast<RECT*>(lParam); // the first member of NCCALCSIZE_PARAMS too
    if (!rect)
        return result;
    const int barHeight = GetSystemMetrics(SM_CYHSCROLL), barWidth = GetSystemMetrics(SM_CXVSCROLL);
    if (hasHorzBar && rect->bottom - rect->top > barHeight)
        rect->bottom -= barHeight;
    if (hasVertBar && rect->right - rect->left >= barWidth)
        rect->right -= barWidth;
    return result;
}

LRESULT SkinControl::OnNcHitTest(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT hit = CallPrevious(message, wParam, lParam);
    if ((hit == HTHSCROLL || hit == HTVSCROLL) && BarsSkinned())
        PaintScrollBars();
    return hit;
}

LRESULT SkinControl::OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!BarsSkinned())
        return CallPrevious(message, wParam, lParam);
    CallPrevious(message, wParam, lParam);
    PaintScrollBars();
    PaintBuffered();
    return 0;
}

LRESULT SkinControl::OnNcMouseMove(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!BarsSkinned())
        return CallPrevious(message, wParam, lParam);
    hoverPoint = PointFromLParam(lParam);
    ScreenToClient(window_, &hoverPoint);
    owner_.StartHoverTimer(window_);
    // The system's own bars may still be live underneath and repaint themselves here: the skin paints last.
    LRESULT result;
    if (CallPreviousAndStay(message, wParam, lParam, result))
        PaintScrollBars();
    return result;
}

LRESULT SkinControl::OnNcLButtonDown(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!BarsSkinned())
        return CallPrevious(message, wParam, lParam);
    const LRESULT hit = OnNcHitTest(WM_NCHITTEST, wParam, lParam);
    if (hit != HTVSCROLL && hit != HTHSCROLL)
        return CallPrevious(message, wParam, lParam);
    const bool vertical = hit == HTVSCROLL;
    const POINT point = PointFromLParam(lParam);
    dragVertical = vertical;
    RECT window;
    GetWindowRect(window_, &window);
    RECT bar = NonClientBarRect(vertical);
    OffsetRect(&bar, window.left, window.top);
    const BarPart part = HitBarPart(ComputeBarLayout(bar, vertical), FromPOINT(point));
    pressedPart = part; // a press on the shaft leaves no part pressed from an earlier press
    if (part == PartThumb) {
        dragStartOffset = ThumbTrackToPosition(vertical, kCurrentThumbOffset);
        pressPoint = point;
        ScreenToClient(window_, &pressPoint);
    } else if (part != PartNone && !SendLineStep(window_, part, vertical)) {
        return 0;
    }
    pressed = true;
    SetCapture(window_);
    ncTracking = true;
    owner_.SetLastCursorPosition(point);
    SetTimer(window_, kRepeatTimerId, kFirstRepeatMs, ArrowRepeatTimerProc);
    PaintScrollBars();
    return 0;
}

LRESULT SkinControl::OnScroll(UINT message, WPARAM wParam, LPARAM lParam) {
    // The control may have told its parent, whose handler may have destroyed it.
    LRESULT result;
    if (!CallPreviousAndStay(message, wParam, lParam, result) || !BarsSkinned())
        return result;
    Redraw();
    PaintScrollBars();
    return 0;
}

LRESULT SkinControl::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!BarsSkinned())
        return CallPrevious(message, wParam, lParam);
    const POINT point = PointFromLParam(lParam);
    if (!ncTracking) {
        hoverPoint = point;
        return CallPrevious(message, wParam, lParam);
    }
    if (pressedPart == PartThumb && !DragThumb(point))
        return 0;
    hoverPoint = point;
    return 0;
}

bool SkinControl::DragThumb(POINT point) {
    const HWND window = window_;
    const bool edit = className_ == "EDIT";
    const int moved = dragVertical ? point.y - pressPoint.y : point.x - pressPoint.x;
    const int position = ThumbTrackToPosition(dragVertical, dragStartOffset + moved);
    // An edit repaints once after the step rather than line by line during it.
    if (edit && !SendAndStay(window, WM_SETREDRAW, FALSE, 0))
        return false;
    // Scrolling tells the parent, whose handler may have destroyed the control.
    bool stays = true;
    if (className_ == "SYSLISTVIEW32") {
        // A list view scrolls by whole rows, measured in pixels; sideways it scrolls by pixels.
        if (dragVertical) {
            const int rows = position - GetScrollPos(window, SB_VERT);
            const int rowHeight = ListViewRowHeight(window);
            if (rows != 0 && rowHeight > 0)
                stays = SendAndStay(window, LVM_SCROLL, 0, static_cast<LPARAM>(rowHeight) * rows);
        } else if (const int pixels = position - GetScrollPos(window, SB_HORZ); pixels != 0) {
            stays = SendAndStay(window, LVM_SCROLL, static_cast<WPARAM>(pixels), 0);
        }
    } else {
        stays = SendAndStay(window, dragVertical ? WM_VSCROLL : WM_HSCROLL,
                            MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(position)), reinterpret_cast<LPARAM>(window));
    }
    if (!stays)
        return false;
    if (edit) {
        // Redraw coming back on repaints the bars.
        if (!SendAndStay(window, WM_SETREDRAW, TRUE, 0))
            return false;
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }
    return true;
}

void SkinControl::EndBarPress() {
    ncTracking = false;
    KillTimer(window_, kRepeatTimerId);
    pressed = false;
    PaintScrollBars();
}

LRESULT SkinControl::OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam) {
    if (ncTracking && BarsSkinned()) {
        ncTracking = false; // before the capture goes, so that losing it ends nothing twice
        ReleaseCapture();
        EndBarPress();
    }
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinControl::OnCaptureChanged(UINT message, WPARAM wParam, LPARAM lParam) {
    // Whatever takes the capture away ends the press as a button-up would: the arrow stops stepping.
    if (ncTracking && reinterpret_cast<HWND>(lParam) != window_)
        EndBarPress();
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinControl::OnNcMouseLeave(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!BarsSkinned())
        return CallPrevious(message, wParam, lParam);
    hoverPoint = kNoHoverPoint;
    PaintScrollBars();
    return 0;
}

bool SkinControl::RepeatLineStep() {
    if (!ncTracking)
        return false;
    if (pressedPart != PartFirstArrow && pressedPart != PartSecondArrow)
        return true; // a press on the thumb or the shaft steps nothing, but the timer keeps watching the cursor
    return SendLineStep(window_, pressedPart, dragVertical);
}

VOID CALLBACK ArrowRepeatTimerProc(HWND window, UINT, UINT_PTR idEvent, DWORD) {
    POINT cursor{};
    GetCursorPos(&cursor);
    KillTimer(window, idEvent);
    SkinManager* manager = SkinManager::Current();
    if (!manager)
        return;
    // The slightest move ends the repeat until the next press.
    const POINT pressedAt = manager->LastCursorPosition();
    if (cursor.x != pressedAt.x || cursor.y != pressedAt.y)
        return;
    SkinControl* control = manager->FindControl(window);
    if (!control || !control->RepeatLineStep())
        return;
    SetTimer(window, kRepeatTimerId, kRepeatMs, ArrowRepeatTimerProc);
}

} // namespace tarnvale
