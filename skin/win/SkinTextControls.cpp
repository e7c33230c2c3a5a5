// Group boxes and static text over the skinned dialog background, and the caption drawing the button family shares
// with them.
#include "skin/win/SkinTextControls.h"

#include "skin/ButtonGeometry.h"
#include "skin/win/GdiHandles.h"
#include "skin/win/LoadedSkin.h"
#include "skin/win/SkinDialog.h"
#include "skin/win/SkinRegistry.h"
#include "skin/win/WinGeometry.h"

namespace tarnvale {
namespace {

static_assert(kStaticTypeField == SS_TYPEMASK && kStaticCenterImage == SS_CENTERIMAGE);
static_assert(kStaticEndEllipsis == SS_ENDELLIPSIS && kStaticPathEllipsis == SS_PATHELLIPSIS);
static_assert(kStaticWordEllipsis == SS_WORDELLIPSIS && kStaticNoPrefix == SS_NOPREFIX);
static_assert(kTextWordEllipsis == DT_WORD_ELLIPSIS && kTextPathEllipsis == DT_PATH_ELLIPSIS);
static_assert(kTextEndEllipsis == DT_END_ELLIPSIS && kTextNoPrefix == DT_NOPREFIX);

} // namespace

HFONT ParentFont(const SkinRegistry& registry, HWND control) {
    const HWND parent = GetParent(control);
    if (!parent)
        return nullptr;
    if (SkinDialog* dialog = registry.FindDialog(parent))
        return dialog->Font();
    return reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0));
}

COLORREF CaptionColour(const LoadedSkin& skin, int element) {
    if (const std::uint32_t own = skin.Element(element).textColor; own != kNoColour)
        return own;
    if (element != kElementPushButton) {
        if (const std::uint32_t text = skin.Element(kElementSysMetrics).textColor; text != kNoColour)
            return text;
    }
    return GetSysColor(COLOR_BTNTEXT);
}

namespace {

struct CaptionText {
    const std::string& text;
    UINT alignment;
};

BOOL CALLBACK CaptionTextProc(HDC hdc, LPARAM lData, WPARAM, int cx, int cy) {
    const auto& caption = *reinterpret_cast<const CaptionText*>(lData);
    RECT box{0, 0, cx, cy};
    DrawTextA(hdc, caption.text.c_str(), -1, &box, caption.alignment | DT_NOCLIP);
    return TRUE;
}

} // namespace

void DrawCaption(HDC hdc, const std::string& text, const RECT& box, bool disabled, UINT alignment) {
    // Drawn through a text callback rather than as prefix text, which would put every line at the box's left.
    const CaptionText caption{text, alignment};
    DrawStateA(hdc, nullptr, CaptionTextProc, reinterpret_cast<LPARAM>(&caption), 0, box.left, box.top,
               box.right - box.left, box.bottom - box.top, DST_COMPLEX | (disabled ? DSS_DISABLED : 0));
}

TextSize MeasureCaption(HDC hdc, const std::string& text) {
    RECT measured{};
    DrawTextA(hdc, text.c_str(), -1, &measured, DT_CALCRECT);
    return {measured.right - measured.left, measured.bottom - measured.top};
}

const SkinWindow::Handler<SkinGroupBox> SkinGroupBox::kHandlers[] = {
    {WM_PAINT, &SkinGroupBox::OnSkinPaint},
    {WM_ERASEBKGND, &SkinGroupBox::OnEraseNothing}, // the dialog's background stays inside the frame
    {WM_NCPAINT, &SkinGroupBox::OnSkinNcPaint},
};

LRESULT SkinGroupBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (Dispatch(*this, kHandlers, message, wParam, lParam, result))
        return result;
    return SkinControl::WindowProc(message, wParam, lParam);
}

bool SkinGroupBox::Skinned() const {
    return skin_.HasElementImage(kElementGroupBox) || skin_.Element(kElementGroupBox).textColor != kNoColour;
}

RECT SkinGroupBox::GroupCaptionRect(HDC dc, const char* text, const RECT& rect) const {
    RECT measured{};
    DrawTextA(dc, text, -1, &measured, DT_CALCRECT | DT_SINGLELINE);
    const TextSize size{measured.right - measured.left, measured.bottom - measured.top};
    return ToRECT(tarnvale::GroupCaptionRect(FromRECT(rect), size, StyleOf(window_), GetSystemMetrics(SM_CXEDGE),
                                             GetSystemMetrics(SM_CYEDGE), LOWORD(GetDialogBaseUnits())));
}

void SkinGroupBox::Paint(HDC hdc, const RECT& rect) {
    const std::string text = OwnText();
    ScopedDCState state(hdc);
    if (const HFONT font = ParentFont(registry_, window_))
        SelectObject(hdc, font);
    const RECT caption = GroupCaptionRect(hdc, text.c_str(), rect);
    RECT frame = ToRECT(GroupFrameRect(FromRECT(rect), FromRECT(caption)));
    if (skin_.HasElementImage(kElementGroupBox))
        skin_.DrawSized(hdc, kElementGroupBox, 0, frame);
    else
        DrawEdge(hdc, &frame, EDGE_ETCHED, BF_RECT);
    // Without a caption the frame line runs unbroken.
    if (text.empty())
        return;
    SetTextColor(hdc, CaptionColour(skin_, kElementGroupBox));
    SetBkMode(hdc, TRANSPARENT);
    {
        // The background under the caption wipes the frame line that runs behind it.
        ScopedDCState clip(hdc);
        IntersectClipRect(hdc, caption.left, caption.top, caption.right, caption.bottom);
        PaintParentBackground(hdc);
    }
    const LONG left = GroupCaptionTextLeft(FromRECT(caption), StyleOf(window_), GetSystemMetrics(SM_CXEDGE));
    DrawCaption(hdc, text, {left, caption.top, caption.right, caption.bottom}, !IsWindowEnabled(window_));
}

const SkinWindow::Handler<SkinStatic> SkinStatic::kHandlers[] = {
    {WM_PAINT, &SkinStatic::OnSkinPaint},
    {WM_ERASEBKGND, &SkinStatic::OnEraseToParentBackground},
    // The control paints its new text at once, in its own look: the skin paints over it.
    {WM_SETTEXT, &SkinStatic::PreviousThenRedraw},
};

LRESULT SkinStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (Dispatch(*this, kHandlers, message, wParam, lParam, result))
        return result;
    return SkinControl::WindowProc(message, wParam, lParam);
}

bool SkinStatic::Skinned() const {
    return skin_.HasElementImage(kElementDialog) || skin_.Element(kElementSysMetrics).textColor != kNoColour;
}

void SkinStatic::Paint(HDC hdc, const RECT& rect) {
    ScopedDCState state(hdc);
    if (const HFONT font = ParentFont(registry_, window_))
        SelectObject(hdc, font);
    SetBkMode(hdc, TRANSPARENT);
    if (const std::uint32_t colour = skin_.Element(kElementSysMetrics).textColor; colour != kNoColour)
        SetTextColor(hdc, colour);
    const StaticText text{OwnText(), StyleOf(window_)};
    DrawStateA(hdc, GetSysColorBrush(COLOR_WINDOWTEXT), StaticTextProc, reinterpret_cast<LPARAM>(&text), 1, rect.left,
               rect.top, rect.right - rect.left, rect.bottom - rect.top,
               DST_COMPLEX | (IsWindowEnabled(window_) ? 0 : DSS_DISABLED));
}

BOOL CALLBACK StaticTextProc(HDC hdc, LPARAM lData, WPARAM, int cx, int cy) {
    const auto& text = *reinterpret_cast<const StaticText*>(lData);
    std::string copy = text.text; // DrawTextEx may write into what it draws
    RECT box{0, 0, cx, cy};
    DrawTextExA(hdc, copy.data(), -1, &box, StaticTextFlags(text.style), nullptr);
    return TRUE;
}

} // namespace tarnvale
