// List views and headers: the list view's flat border, its skinned bars repainted after whatever may scroll it or
// change its range, children attached as they come; the header drawn whole from the skin.
#include "skin/win/SkinListView.h"

#include "skin/ListControlGeometry.h"
#include "skin/win/LoadedSkin.h"
#include "skin/win/SkinRegistry.h"
#include "skin/win/WinGeometry.h"

#include <optional>

namespace tarnvale {
namespace {

constexpr int kHeaderTextChars = 255;

} // namespace

// LVM_SETITEMCOUNT is among the messages after which the list may have scrolled or changed its range: an owner-data
// list changes its range by it alone, with no insert or delete that would otherwise bring the bars up to date.
const SkinWindow::Handler<SkinListView> SkinListView::kHandlers[] = {
    {WM_SIZE, &SkinListView::BaseThenBars},
    {WM_NOTIFY, &SkinListView::BaseThenBars},
    {WM_PARENTNOTIFY, &SkinListView::OnParentNotify},
    {LVM_SETITEMA, &SkinListView::PreviousThenBars},
    {LVM_INSERTITEMA, &SkinListView::PreviousThenBars},
    {LVM_DELETEITEM, &SkinListView::PreviousThenBars},
    {LVM_DELETEALLITEMS, &SkinListView::PreviousThenBars},
    {LVM_SETITEMPOSITION, &SkinListView::PreviousThenBars},
    {LVM_ENSUREVISIBLE, &SkinListView::PreviousThenBars},
    {LVM_SCROLL, &SkinListView::PreviousThenBars},
    {LVM_INSERTCOLUMNA, &SkinListView::PreviousThenBars},
    {LVM_DELETECOLUMN, &SkinListView::PreviousThenBars},
    {LVM_SETCOLUMNWIDTH, &SkinListView::PreviousThenBars},
    {LVM_SETITEMSTATE, &SkinListView::PreviousThenBars},
    {LVM_SETITEMTEXTA, &SkinListView::PreviousThenBars},
    {LVM_SETICONSPACING, &SkinListView::PreviousThenBars},
    {LVM_SETITEMCOUNT, &SkinListView::PreviousThenBars},
};

LRESULT SkinListView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return Route(*this, kHandlers, message, wParam, lParam);
}

LRESULT SkinListView::OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam) {
    // A child made later, such as the edit of an in-place label edit, is dressed before it first shows.
    if (LOWORD(wParam) == WM_CREATE)
        registry_.AttachControl(reinterpret_cast<HWND>(lParam));
    return SkinScrolling::WindowProc(message, wParam, lParam);
}

bool SkinListView::HasPaint() const {
    return skin_.Element(kElementListView).borderColor != kNoColour;
}

void SkinListView::Paint(HDC hdc, const RECT& rect) {
    const std::uint32_t border = skin_.Element(kElementListView).borderColor;
    if (border == kNoColour)
        return;
    DrawFlatBorder(hdc, rect, border, GetSysColor(IsWindowEnabled(window_) ? COLOR_WINDOW : COLOR_BTNFACE));
}

const SkinWindow::Handler<SkinHeader> SkinHeader::kHandlers[] = {
    // The control does not paint: the skin draws every item and the filler.
    {WM_PAINT, &SkinHeader::OnSkinPaint},
    {WM_ERASEBKGND, &SkinHeader::OnEraseNothing},
    {WM_MOUSEMOVE, &SkinHeader::OnMouseMove},
    {WM_MOUSELEAVE, &SkinHeader::OnMouseLeave},
};

LRESULT SkinHeader::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (Dispatch(*this, kHandlers, message, wParam, lParam, result))
        return result;
    return SkinControl::WindowProc(message, wParam, lParam);
}

bool SkinHeader::Skinned() const {
    return skin_.HasElementImage(kElementHeader);
}

LRESULT SkinHeader::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam) {
    if ((StyleOf(window_) & HDS_BUTTONS) && !hot) {
        hot = true;
        ArmLeaveReport();
    }
    hoverPoint_ = PointFromLParam(lParam);
    Redraw();
    // The control still tracks its dividers and drags.
    return SkinControl::WindowProc(message, wParam, lParam);
}

LRESULT SkinHeader::OnMouseLeave(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hot)
        return SkinControl::WindowProc(message, wParam, lParam);
    hoverPoint_ = kNoHoverPoint;
    hot = false;
    Redraw();
    return 1;
}

void SkinHeader::Paint(HDC hdc, const RECT&) {
    const bool buttons = (StyleOf(window_) & HDS_BUTTONS) != 0;
    // Pressed is no state of the skin: an item looks pressed while the button is down with the cursor over it,
    // a divider drag included.
    const bool down = GetKeyState(VK_LBUTTON) < 0;
    ScopedDCState state(hdc);
    if (const auto font = reinterpret_cast<HFONT>(SendMessageA(GetParent(window_), WM_GETFONT, 0, 0)))
        SelectObject(hdc, font);
    SetBkMode(hdc, TRANSPARENT);

    const Point hover = FromPOINT(hoverPoint_);
    std::optional<Rect> last;
    bool lastPressed = false;
    const int count = static_cast<int>(CallPrevious(HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[kHeaderTextChars + 1] = {};
        HDITEMA item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = kHeaderTextChars;
        CallPrevious(HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        RECT bounds;
        if (!CallPrevious(HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&bounds)))
            continue;
        const Rect itemRect = FromRECT(bounds);
        const int frame = HeaderItemFrame(itemRect.Contains(hover), buttons, down);
        skin_.DrawSized(hdc, kElementHeader, frame, bounds);
        // Always left-aligned, whatever the item's format; "&" is shown as it is.
        RECT textRect = ToRECT(HeaderTextRect(itemRect, frame == kHeaderFramePressed));
        DrawTextA(hdc, text, -1, &textRect, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        // The rightmost item ends the items, also when they have been dragged into another order.
        if (!last || itemRect.right >= last->right) {
            last = itemRect;
            lastPressed = frame == kHeaderFramePressed;
        }
    }
    RECT client;
    GetClientRect(window_, &client);
    const Rect filler = HeaderFillerRect(FromRECT(client), last, lastPressed);
    if (!filler.Empty())
        skin_.DrawSized(hdc, kElementHeader, kHeaderFrameNormal, ToRECT(filler));
}

} // namespace tarnvale
