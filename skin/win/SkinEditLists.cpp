// Edits, list boxes and combo boxes: the flat skin border in place of the control's own edge, the skinned bars
// repainted after whatever may scroll them, and the combo box's button and drop-down list.
#include "skin/win/SkinEditLists.h"

#include "skin/ListControlGeometry.h"
#include "skin/win/LoadedSkin.h"
#include "skin/win/SkinRegistry.h"
#include "skin/win/WinGeometry.h"

namespace tarnvale {
namespace {

bool IsUpDownOf(HWND candidate, HWND buddy) {
    char name[32] = {};
    return candidate && GetClassNameA(candidate, name, sizeof(name)) && lstrcmpiA(name, UPDOWN_CLASSA) == 0 &&
           reinterpret_cast<HWND>(SendMessageA(candidate, UDM_GETBUDDY, 0, 0)) == buddy;
}

} // namespace

const SkinWindow::Handler<SkinEdit> SkinEdit::kHandlers[] = {
    {WM_ENABLE, &SkinEdit::OnEnable},
    {WM_NCPAINT, &SkinEdit::OnNcPaint},
};

LRESULT SkinEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Without a border colour the edit keeps its own edge; its bars stay skinned through the base.
    if (skin_.Element(kElementEdit).borderColor == kNoColour)
        return SkinScrolling::WindowProc(message, wParam, lParam);
    return Route(*this, kHandlers, message, wParam, lParam);
}

LRESULT SkinEdit::OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam) {
    return NcPaintWithFlatBorder(message, wParam, lParam, skin_.Element(kElementEdit).borderColor);
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

// List-box messages after which the control may have scrolled or changed its range: the bars follow.
const SkinWindow::Handler<SkinListBox> SkinListBox::kHandlers[] = {
    {WM_NCPAINT, &SkinListBox::OnNcPaint},
    {WM_SIZE, &SkinListBox::BaseThenBars},
    {LB_ADDSTRING, &SkinListBox::PreviousThenBars},
    {LB_INSERTSTRING, &SkinListBox::PreviousThenBars},
    {LB_DELETESTRING, &SkinListBox::PreviousThenBars},
    {LB_RESETCONTENT, &SkinListBox::PreviousThenBars},
    {LB_SETSEL, &SkinListBox::PreviousThenBars},
    {LB_SETCURSEL, &SkinListBox::PreviousThenBars},
    {LB_SELECTSTRING, &SkinListBox::PreviousThenBars},
    {LB_SETTOPINDEX, &SkinListBox::PreviousThenBars},
    {LB_SETITEMHEIGHT, &SkinListBox::PreviousThenBars},
};

LRESULT SkinListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (skin_.Element(kElementListBox).borderColor == kNoColour)
        return SkinScrolling::WindowProc(message, wParam, lParam);
    return Route(*this, kHandlers, message, wParam, lParam);
}

LRESULT SkinListBox::OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam) {
    return NcPaintWithFlatBorder(message, wParam, lParam, skin_.Element(kElementListBox).borderColor);
}

const SkinWindow::Handler<SkinComboBox> SkinComboBox::kHandlers[] = {
    {WM_COMMAND, &SkinComboBox::OnCommand},     {WM_CTLCOLORLISTBOX, &SkinComboBox::OnListColour},
    {WM_MOUSEMOVE, &SkinComboBox::OnMouseMove}, {WM_LBUTTONUP, &SkinComboBox::OnLButtonUp},
    {WM_MOUSELEAVE, &SkinComboBox::OnHotLeave},
};

LRESULT SkinComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Without the button image the combo box keeps its own border and button; a list inside stays skinned.
    LRESULT result;
    if (HasPaint() && Dispatch(*this, kHandlers, message, wParam, lParam, result))
        return result;
    return SkinControl::WindowProc(message, wParam, lParam);
}

LRESULT SkinComboBox::OnCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == EN_SETFOCUS)
        Redraw();
    return SkinControl::WindowProc(message, wParam, lParam);
}

LRESULT SkinComboBox::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam) {
    BecomeHot();
    return SkinControl::WindowProc(message, wParam, lParam);
}

LRESULT SkinComboBox::OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam) {
    if (GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1)
        Redraw();
    return SkinControl::WindowProc(message, wParam, lParam);
}

LRESULT SkinComboBox::OnListColour(UINT message, WPARAM wParam, LPARAM lParam) {
    // The list asks for its colours when it first paints, that is when it first drops down: from then on it is
    // skinned.
    if (!dropList_ && lParam) {
        const auto list = reinterpret_cast<HWND>(lParam);
        dropList_ = list;
        registry_.AttachControl(list);
        InvalidateRect(list, nullptr, TRUE);
        if (!Attached())
            return 0;
    }
    return SkinControl::WindowProc(message, wParam, lParam);
}

bool SkinComboBox::HasPaint() const {
    return skin_.HasElementImage(kElementComboBox);
}

void SkinComboBox::Paint(HDC hdc, const RECT& rect) {
    const SkinElement& element = skin_.Element(kElementComboBox);
    const bool enabled = IsWindowEnabled(window_) != FALSE;
    if (element.borderColor != kNoColour)
        DrawFlatBorder(hdc, rect, element.borderColor, GetSysColor(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    const ComboMetrics metrics{GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE),
                               GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CXVSCROLL)};
    const bool atLeft = (ExStyleOf(window_) & WS_EX_RIGHT) != 0;
    const Rect button = ComboButtonRect(rect.right - rect.left, rect.bottom - rect.top, atLeft, metrics);
    const bool dropped = SendMessageA(window_, CB_GETDROPPEDSTATE, 0, 0) != 0;
    skin_.DrawSized(hdc, kElementComboBox, ComboButtonFrame(dropped, hot, enabled), ToRECT(button));
}

} // namespace tarnvale
