// The button family: faces drawn from the skin, presses and the space key turned into BN_CLICKED, and the check
// state kept by the skin, radio groups included.
#include "skin/win/SkinButtons.h"

#include "skin/ButtonGeometry.h"
#include "skin/win/GdiHandles.h"
#include "skin/win/LoadedSkin.h"
#include "skin/win/SkinTextControls.h"
#include "skin/win/WinGeometry.h"

#include <vector>

namespace tarnvale {
namespace {

static_assert(kButtonHorizontalField == (BS_LEFT | BS_RIGHT) && kButtonCenter == BS_CENTER);
static_assert(kButtonVerticalField == (BS_TOP | BS_BOTTOM) && kButtonPushLike == BS_PUSHLIKE);
static_assert(kButtonAutoCheckBox == BS_AUTOCHECKBOX && kButtonAutoRadio == BS_AUTORADIOBUTTON);

constexpr int kPressedFrame = 1;

// Button kind -> the element its face is drawn from.
constexpr struct {
    SkinKind kind;
    int faceElement;
} kButtonKinds[] = {
    {SkinKind::PushButton, kElementPushButton},
    {SkinKind::RadioButton, kElementRadioButton},
    {SkinKind::CheckBox, kElementCheckBox},
};

int FaceElementOf(SkinKind kind) {
    for (const auto& row : kButtonKinds) {
        if (row.kind == kind)
            return row.faceElement;
    }
    return kElementPushButton;
}

// The caption of a push button in rect, measured with the font selected into dc as DrawCaption draws it.
RECT PushButtonTextRect(HDC dc, const std::string& text, const RECT& rect, DWORD style) {
    return ToRECT(tarnvale::PushButtonTextRect(FromRECT(rect), MeasureCaption(dc, text), style,
                                               GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYBORDER)));
}

} // namespace

SkinButton::SkinButton(LoadedSkin& skin, SkinRegistry& registry, SkinKind kind)
    : SkinControl(skin, registry, kind), faceElement_(FaceElementOf(kind)) {}

const SkinWindow::Handler<SkinButton> SkinButton::kHandlers[] = {
    {WM_SETFOCUS, &SkinButton::OnFocus},
    {WM_KILLFOCUS, &SkinButton::OnFocus},
    {WM_SETTEXT, &SkinButton::PreviousThenRedraw},
    {WM_PAINT, &SkinButton::OnSkinPaint},
    {WM_ERASEBKGND, &SkinButton::OnEraseToParentBackground},
    // The face covers the edge too, so the control's own edge is never drawn.
    {WM_NCPAINT, &SkinButton::OnSkinNcPaint},
    {BM_GETCHECK, &SkinButton::OnGetCheck},
    {BM_SETCHECK, &SkinButton::OnSetCheck},
    {WM_KEYDOWN, &SkinButton::OnKeyDown},
    {WM_KEYUP, &SkinButton::OnKeyUp},
    {WM_CHAR, &SkinButton::OnChar},
    {WM_DEADCHAR, &SkinButton::OnChar},
    {WM_MOUSEMOVE, &SkinButton::OnMouseMove},
    {WM_LBUTTONDOWN, &SkinButton::OnLButtonDown},
    {WM_LBUTTONDBLCLK, &SkinButton::OnLButtonDown},
    {WM_LBUTTONUP, &SkinButton::OnLButtonUp},
    {WM_CAPTURECHANGED, &SkinButton::OnCaptureChanged},
    {WM_MOUSELEAVE, &SkinButton::OnHotLeave},
};

LRESULT SkinButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    TakeCheckState();
    LRESULT result;
    if (Dispatch(*this, kHandlers, message, wParam, lParam, result))
        return result;
    return SkinControl::WindowProc(message, wParam, lParam);
}

bool SkinButton::Skinned() const {
    return skin_.HasElementImage(faceElement_) && skin_.HasElementImage(kElementPushButton);
}

void SkinButton::TakeCheckState() {
    if (checkStateTaken_)
        return;
    checkStateTaken_ = true;
    checkState = CallPrevious(BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SkinButton::Paint(HDC hdc, const RECT& rect) {
    const DWORD style = StyleOf(window_);
    const bool disabled = !IsWindowEnabled(window_);
    const ButtonFace face = ChooseButtonFace(faceElement_, style, {pressed, hot, focused, disabled, checkState});
    if (face.element == kElementPushButton)
        skin_.DrawSized(hdc, face.element, face.frame, rect); // the face stretched over the whole button
    else
        skin_.DrawFrame(hdc, face.element, face.frame, rect, ILD_TRANSPARENT); // the box at its size, top-left

    const std::string text = OwnText();
    if (text.empty())
        return;
    ScopedDCState state(hdc);
    if (const HFONT font = ParentFont(registry_, window_))
        SelectObject(hdc, font);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, CaptionColour(skin_, face.element));
    if (face.element == kElementPushButton) {
        // The pressed caption sits one pixel right and down of the others. Each line is centred, as the control
        // centres it, and a caption wider than the face is cut on both sides.
        RECT start = rect;
        if (face.frame != kPressedFrame)
            OffsetRect(&start, -1, -1);
        IntersectClipRect(hdc, rect.left, rect.top, rect.right, rect.bottom);
        DrawCaption(hdc, text, PushButtonTextRect(hdc, text, start, style), disabled, DT_CENTER);
        return;
    }
    TEXTMETRICA metrics{};
    GetTextMetricsA(hdc, &metrics);
    DrawCaption(hdc, text,
                ToRECT(CheckTextRect(FromRECT(rect), skin_.Element(face.element).frame.width, metrics.tmHeight)),
                disabled);
}

bool SkinButton::NotifyClicked() {
    const HWND window = window_;
    return SendAndStay(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                       reinterpret_cast<LPARAM>(window));
}

bool SkinButton::AutoStep() {
    switch (AutoStepFor(StyleOf(window_))) {
    case AutoStep::Toggle:
        checkState = !checkState;
        return true;
    case AutoStep::CheckInGroup:
        if (!UncheckRadioGroup())
            return false;
        checkState = true;
        return true;
    case AutoStep::None:
        return true;
    }
    return true;
}

bool SkinButton::UncheckRadioGroup() {
    const HWND window = window_;
    std::vector<HWND> siblings;
    std::vector<bool> startsGroup;
    std::size_t self = 0;
    for (HWND sibling = GetWindow(window, GW_HWNDFIRST); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        if (sibling == window)
            self = siblings.size();
        siblings.push_back(sibling);
        startsGroup.push_back((StyleOf(sibling) & WS_GROUP) != 0);
    }
    const SiblingSpan group = RadioGroupSpan(startsGroup, self);
    for (std::size_t i = group.first; i < group.end; ++i) {
        // Radio buttons answer with the button bit as well: the radio bit alone decides.
        if (IsWindow(siblings[i]) && (SendMessageA(siblings[i], WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            SendMessageA(siblings[i], BM_SETCHECK, BST_UNCHECKED, 0);
    }
    return Attached();
}

LRESULT SkinButton::OnFocus(UINT message, WPARAM wParam, LPARAM lParam) {
    // The control's own procedure may draw its focus rectangle straight onto the window here: it goes first, and
    // the skin paints over what it drew.
    LRESULT result;
    if (!CallPreviousAndStay(message, wParam, lParam, result))
        return result;
    focused = message == WM_SETFOCUS;
    Redraw();
    return result;
}

LRESULT SkinButton::OnGetCheck(UINT, WPARAM, LPARAM) {
    return checkState ? BST_CHECKED : BST_UNCHECKED;
}

LRESULT SkinButton::OnSetCheck(UINT, WPARAM wParam, LPARAM) {
    checkState = wParam == BST_CHECKED;
    Redraw();
    return 0;
}

LRESULT SkinButton::OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam) {
    if (wParam != VK_SPACE)
        return SkinControl::WindowProc(message, wParam, lParam);
    pressed = true;
    Redraw();
    return 0;
}

LRESULT SkinButton::OnKeyUp(UINT message, WPARAM wParam, LPARAM lParam) {
    if (wParam != VK_SPACE || !pressed)
        return SkinControl::WindowProc(message, wParam, lParam);
    pressed = false;
    // The parent hears of the click before the check state changes.
    if (NotifyClicked() && AutoStep())
        Redraw();
    return 0;
}

LRESULT SkinButton::OnChar(UINT message, WPARAM wParam, LPARAM lParam) {
    if (GetCapture() == window_) {
        ReleaseCapture();
        pressed = false;
        Redraw();
    }
    return SkinControl::WindowProc(message, wParam, lParam);
}

LRESULT SkinButton::OnMouseMove(UINT, WPARAM, LPARAM lParam) {
    if (GetCapture() == window_) {
        // While held, the button shows pressed only with the cursor over it.
        POINT cursor = PointFromLParam(lParam);
        ClientToScreen(window_, &cursor);
        RECT bounds;
        GetWindowRect(window_, &bounds);
        const bool inside = PtInRect(&bounds, cursor) != FALSE;
        if (inside != pressed) {
            pressed = inside;
            Redraw();
        }
    } else {
        BecomeHot();
    }
    return 0;
}

LRESULT SkinButton::OnLButtonDown(UINT, WPARAM, LPARAM) {
    if (GetFocus() != window_) {
        SetFocus(window_); // the parent hears of the focus change and may act on it
        if (!Attached())
            return 0;
    }
    SetCapture(window_);
    pressed = true;
    Redraw();
    return 0;
}

LRESULT SkinButton::OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam) {
    if (GetCapture() == window_) {
        // The check state changes before the parent hears of the click; a release off the button is no click.
        const bool clicked = pressed;
        if (clicked && !AutoStep())
            return 0;
        ReleaseCapture();
        if (clicked && !NotifyClicked())
            return 0; // the parent's handler destroyed the button
    }
    return SkinControl::WindowProc(message, wParam, lParam);
}

LRESULT SkinButton::OnCaptureChanged(UINT message, WPARAM wParam, LPARAM lParam) {
    if (pressed) {
        pressed = false;
        Redraw();
    }
    return SkinControl::WindowProc(message, wParam, lParam);
}

} // namespace tarnvale
