// Edits, list boxes and combo boxes: the flat skin border in place of the control's own edge, the skinned bars
// repainted after whatever may scroll them, and the combo box's button and drop-down list.
#include "skin/win/SkinEditLists.h"

#include "skin/ListControlGeometry.h"
#include "skin/win/SkinManager.h"
#include "skin/win/WinGeometry.h"

namespace tarnvale {
namespace {

// List-box messages after which the control may have scrolled or changed its range.
constexpr UINT kMovingListBoxMessages[] = {
    LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,  LB_SETSEL,
    LB_SETCURSEL, LB_SELECTSTRING, LB_SETTOPINDEX,  LB_SETITEMHEIGHT,
};

bool IsUpDownOf(HWND candidate, HWND buddy) {
    char name[32] = {};
    return candidate && GetClassNameA(candidate, name, sizeof(name)) && lstrcmpiA(name, UPDOWN_CLASSA) == 0 &&
           reinterpret_cast<HWND>(SendMessageA(candidate, UDM_GETBUDDY, 0, 0)) == buddy;
}

} // namespace

LRESULT SkinEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Without a border colour the edit keeps its own edge; its bars stay skinned through the base.
    const std::uint32_t border = owner_.Element(kElementEdit).borderColor;
    if (border == kNoColour)
        return SkinScrolling::WindowProc(message, wParam, lParam);
    if (message == WM_ENABLE)
        return OnEnable(message, wParam, lParam);
    if (message == WM_NCPAINT)
        return NcPaintWithFlatBorder(message, wParam, lParam, border);
    if (IsKeyOrMouseMessage(message))
        return BaseThenBars(message, wParam, lParam);
    return SkinScrolling::WindowProc(message, wParam, lParam);
}

LRESULT SkinEdit::OnEnable(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (!CallPreviousAndStay(message, wParam, lParam, result))
        return 0;
    PaintBuffered();
    bars_.PaintNonClient(); // a disabled bar has disabled arrows and no thumb
    // An up-down control draws its arrows disabled with its buddy; it must paint again, and a posted WM_PAINT
    // would paint nothing without a region to update.
    if (const HWND next = GetWindow(window_, GW_HWNDNEXT); IsUpDownOf(next, window_))
        InvalidateRect(next, nullptr, TRUE);
    return 0;
}

LRESULT SkinListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const std::uint32_t border = owner_.Element(kElementListBox).borderColor;
    if (border == kNoColour)
        return SkinScrolling::WindowProc(message, wParam, lParam);
    if (message == WM_NCPAINT)
        return NcPaintWithFlatBorder(message, wParam, lParam, border);
    if (message == WM_SIZE || IsKeyOrMouseMessage(message))
        return BaseThenBars(message, wParam, lParam);
    if (IsOneOf(message, kMovingListBoxMessages))
        return PreviousThenBars(message, wParam, lParam);
    return SkinScrolling::WindowProc(message, wParam, lParam);
}

LRESULT SkinComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Without the button image the combo box keeps its own border and button; a list inside stays skinned.
    if (!owner_.HasElementImage(kElementComboBox))
        return SkinControl::WindowProc(message, wParam, lParam);
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_SETFOCUS)
            Redraw();
        break;
    case WM_CTLCOLORLISTBOX:
        return OnListColour(message, wParam, lParam);
    case WM_MOUSEMOVE:
        if (!hot) {
            hot = true;
            Redraw();
            ArmLeaveReport();
        }
        break;
    case WM_LBUTTONUP:
        if (GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1)
            Redraw();
        break;
    case WM_MOUSELEAVE:
        if (hot) {
            hot = false;
            Redraw();
        }
        return 0;
    default:
        break;
    }
    return SkinControl::WindowProc(message, wParam, lParam);
}

LRESULT SkinComboBox::OnListColour(UINT message, WPARAM wParam, LPARAM lParam) {
    // The list asks for its colours when it first paints, that is when it first drops down: from then on it is
    // skinned.
    if (!dropList_ && lParam) {
        SkinManager& owner = owner_;
        const HWND window = window_;
        const auto list = reinterpret_cast<HWND>(lParam);
        dropList_ = list;
        owner.AttachControl(list);
        InvalidateRect(list, nullptr, TRUE);
        if (!StillAttached(owner, window))
            return 0;
    }
    return SkinControl::WindowProc(message, wParam, lParam);
}

bool SkinComboBox::HasPaint() const {
    return owner_.HasElementImage(kElementComboBox);
}

void SkinComboBox::Paint(HDC hdc, const RECT& rect) {
    const SkinElement& element = owner_.Element(kElementComboBox);
    const bool enabled = IsWindowEnabled(window_) != FALSE;
    if (element.borderColor != kNoColour)
        DrawFlatBorder(hdc, rect, element.borderColor, GetSysColor(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    const ComboMetrics metrics{GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE),
                               GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CXVSCROLL)};
    const bool atLeft = (ExStyleOf(window_) & WS_EX_RIGHT) != 0;
    const Rect button = ComboButtonRect(rect.right - rect.left, rect.bottom - rect.top, atLeft, metrics);
    const bool dropped = SendMessageA(window_, CB_GETDROPPEDSTATE, 0, 0) != 0;
    owner_.DrawSized(hdc, kElementComboBox, ComboButtonFrame(dropped, hot, enabled), ToRECT(button));
}

} // namespace tarnvale
