// The dialog skin's procedure: attaching the controls, the background tiles, the client area and hit codes of the
// skinned frame, and the messages after which the frame repaints; the frame's painting, caption buttons and shape
// are in files of their own.
#include "skin/win/SkinDialog.h"

#include "skin/win/HoverTimer.h"
#include "skin/win/LoadedSkin.h"
#include "skin/win/SkinRegistry.h"
#include "skin/win/WinGeometry.h"
#include "skin/win/WindowStyle.h"

#include <windowsx.h>

namespace tarnvale {
namespace {

// The caption buttons the system would draw; while the previous procedure runs they are taken out of the style,
// so that it draws none of its own over the skin.
constexpr DWORD kCaptionButtonStyles = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

} // namespace

const SkinWindow::Handler<SkinDialog> SkinDialog::kHandlers[] = {
    {WM_ACTIVATE, &SkinDialog::OnActivate},       {WM_ERASEBKGND, &SkinDialog::OnEraseBackground},
    {WM_INITDIALOG, &SkinDialog::OnInitDialog},   {WM_PARENTNOTIFY, &SkinDialog::OnParentNotify},
    {WM_SKINCHANGED, &SkinDialog::OnSkinChanged}, {WM_DPICHANGED, &SkinDialog::OnDpiChanged},
};

const SkinWindow::Handler<SkinDialog> SkinDialog::kFrameHandlers[] = {
    {WM_SIZE, &SkinDialog::OnSize},
    {WM_SETTEXT, &SkinDialog::OnSetText},
    {WM_ACTIVATEAPP, &SkinDialog::OnActivationChange},
    {WM_NCACTIVATE, &SkinDialog::OnActivationChange},
    {WM_INITMENU, &SkinDialog::OnActivationChange},
    {WM_INITMENUPOPUP, &SkinDialog::OnActivationChange},
    {WM_ACTIVATETOPLEVEL, &SkinDialog::OnActivationChange},
    {WM_SETCURSOR, &SkinDialog::OnSetCursor},
    {WM_NCCALCSIZE, &SkinDialog::OnNcCalcSize},
    {WM_NCHITTEST, &SkinDialog::OnNcHitTest},
    {WM_NCPAINT, &SkinDialog::OnNcPaint},
    {WM_NCMOUSEMOVE, &SkinDialog::OnNcMouseMove},
    {WM_NCLBUTTONDOWN, &SkinDialog::OnNcLButtonDown},
    {WM_NCLBUTTONDBLCLK, &SkinDialog::OnNcLButtonDblClk},
    {WM_NCRBUTTONDOWN, &SkinDialog::OnNcRButtonDown},
    {WM_MOUSEMOVE, &SkinDialog::OnMouseMove},
    {WM_ENTERSIZEMOVE, &SkinDialog::OnEnterSizeMove},
    {WM_NCMOUSELEAVE, &SkinDialog::OnNcMouseLeave},
};

LRESULT SkinDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (Dispatch(*this, kHandlers, message, wParam, lParam, result) ||
        (IsFrameSkinned() && Dispatch(*this, kFrameHandlers, message, wParam, lParam, result)))
        return result;
    return CallPrevious(message, wParam, lParam);
}

void SkinDialog::GiveBack() {
    // Called with the subclass already off, so that the dialog's own procedure sees the size change and lays out its
    // standard frame again, instead of the skin frame being kept for the old size.
    RemoveShape();
    if (!IsRectEmpty(&beforeSkinning_) || growth_.width != 0 || growth_.height != 0)
        ResizeTo(UnskinnedRect(), SWP_FRAMECHANGED);
}

bool SkinDialog::IsFrameSkinned() const {
    return skin_.HasElementImage(kElementCaption) && skin_.HasElementImage(kElementFrameLeft) &&
           skin_.HasElementImage(kElementFrameRight) && skin_.HasElementImage(kElementFrameBottom);
}

LRESULT SkinDialog::CallPreviousWithout(DWORD styleBits, UINT message, WPARAM wParam, LPARAM lParam) {
    const DWORD taken = Style() & styleBits;
    if (taken)
        SetWindowLongPtrA(window_, GWL_STYLE, LONG_PTR(Style() & ~taken));
    const LRESULT result = CallPrevious(message, wParam, lParam);
    // Only the bits taken off go back: whatever else the previous procedure changed stays.
    if (taken && IsWindow(window_))
        SetWindowLongPtrA(window_, GWL_STYLE, LONG_PTR(DWORD(GetWindowLongPtrA(window_, GWL_STYLE)) | taken));
    return result;
}

FrameMetrics SkinDialog::Metrics() const {
    return {skin_.Element(kElementFrameLeft).frame.width, skin_.Element(kElementFrameRight).frame.width,
            skin_.Element(kElementCaption).frame.height, skin_.Element(kElementFrameBottom).frame.height};
}

DWORD SkinDialog::Style() const {
    return static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE));
}

int SkinDialog::BorderWidth() const {
    return BorderWidthOf(window_);
}

StandardFrame SkinDialog::Standard(const RECT& window, const RECT& client) const {
    // The left and top insets: the side lines, and the caption under the top ones.
    const int side = client.left - window.left, top = client.top - window.top;
    if (BorderWidth() == 0 || side <= 0 || top <= side)
        return {BorderWidth(), GetSystemMetrics(SM_CYCAPTION)};
    return {side, top - side};
}

StandardFrame SkinDialog::Standard() {
    RECT window{};
    GetWindowRect(window_, &window);
    RECT client = window;
    CallPrevious(WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&client));
    return Standard(window, client);
}

RECT SkinDialog::UnskinnedRect() const {
    if (!IsRectEmpty(&beforeSkinning_))
        return beforeSkinning_;
    RECT now{};
    GetWindowRect(window_, &now);
    now.right -= growth_.width;
    now.bottom -= growth_.height;
    return now;
}

void SkinDialog::ResizeTo(const RECT& rect, UINT extraFlags) {
    SetWindowPos(window_, nullptr, 0, 0, RectWidth(rect), RectHeight(rect),
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE | extraFlags);
}

LRESULT SkinDialog::OnActivate(UINT message, WPARAM wParam, LPARAM lParam) {
    active_ = LOWORD(wParam) != WA_INACTIVE;
    PaintFrame();
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinDialog::OnEraseBackground(UINT message, WPARAM wParam, LPARAM lParam) {
    const SkinElement& tile = skin_.Element(kElementDialog);
    if (!skin_.HasElementImage(kElementDialog) || tile.frame.width <= 0 || tile.frame.height <= 0)
        return CallPrevious(message, wParam, lParam);
    RECT client;
    GetClientRect(window_, &client);
    skin_.DrawTiled(reinterpret_cast<HDC>(wParam), kElementDialog, {client.right, client.bottom}, client, {0, 0});
    return 1;
}

LRESULT SkinDialog::OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog's own initialisation may have destroyed it, or taken the skin off it.
    LRESULT result;
    if (!CallPreviousAndStay(message, wParam, lParam, result))
        return result;
    registry_.AttachChildren(window_);
    // A skin change that came before this message has grown the window already; that growth is not part of the
    // size from before skinning.
    beforeSkinning_ = UnskinnedRect();
    SendMessageA(window_, WM_SKINCHANGED, 0, 0);
    return result;
}

LRESULT SkinDialog::OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == WM_CREATE)
        registry_.AttachControl(reinterpret_cast<HWND>(lParam));
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinDialog::OnSkinChanged(UINT, WPARAM, LPARAM) {
    captionFont_.reset();
    const RECT base = UnskinnedRect();
    const int border = BorderWidth();
    if (IsFrameSkinned()) {
        // The skin frame replaces a standard border; a window without one (a child dialog) keeps its size.
        if (border != 0) {
            const FrameGrowth growth = SkinFrameGrowth(Metrics(), Standard());
            growth_ = growth;
            ResizeTo({base.left, base.top, base.right + growth.width, base.bottom + growth.height}, 0);
            if (!Attached())
                return 0; // the dialog's own procedure destroyed it while it was resized
        }
        shapePending_ = true;
    } else {
        if (!IsRectEmpty(&beforeSkinning_) || growth_.width != 0 || growth_.height != 0) {
            growth_ = {};
            ResizeTo(base, 0);
            if (!Attached())
                return 0;
        }
        // Without the skin frame nothing may stay see-through, the client area's magenta included.
        RemoveShape();
    }
    SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return 0;
}

LRESULT SkinDialog::OnDpiChanged(UINT message, WPARAM wParam, LPARAM lParam) {
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (!suggested)
        return 0;
    skin_.SetDpi(HIWORD(wParam));
    // The system's suggestion is the whole window at the new DPI, skin frame included: the size before skinning is
    // what it leaves once the frame's growth at that DPI is taken off, so that the skin change below lands the
    // window exactly on the suggestion.
    const int border = BorderWidth();
    const FrameGrowth growth = IsFrameSkinned() && border != 0 ? SkinFrameGrowth(Metrics(), Standard()) : FrameGrowth{};
    beforeSkinning_ = {suggested->left, suggested->top, suggested->right - growth.width,
                       suggested->bottom - growth.height};
    growth_ = growth;
    SetWindowPos(window_, nullptr, suggested->left, suggested->top, RectWidth(*suggested), RectHeight(*suggested),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (!Attached())
        return 0;
    registry_.SkinChanged();
    // The dialog's own handling comes last, when the window already has its new size.
    return Attached() ? CallPrevious(message, wParam, lParam) : 0;
}

LRESULT SkinDialog::OnSize(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (!CallPreviousAndStay(message, wParam, lParam, result))
        return 0;
    shapePending_ = true;
    PaintFrame();
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
    return 0;
}

LRESULT SkinDialog::OnSetText(UINT message, WPARAM wParam, LPARAM lParam) {
    // Hidden for the moment, so that the system does not paint its own caption with the new text.
    const LRESULT result = CallPreviousWithout(WS_VISIBLE, message, wParam, lParam);
    if (Attached())
        PaintFrame();
    return result;
}

LRESULT SkinDialog::OnActivationChange(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallPreviousWithout(kCaptionButtonStyles, message, wParam, lParam);
    if (Attached())
        PaintFrame();
    return result;
}

LRESULT SkinDialog::OnSetCursor(UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsSizingHit(LOWORD(lParam)))
        return CallPreviousWithout(kCaptionButtonStyles, message, wParam, lParam);
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinDialog::OnNcCalcSize(UINT message, WPARAM wParam, LPARAM lParam) {
    const int border = BorderWidth();
    if (wParam) {
        auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
        const RECT window = params->rgrc[0];
        CallPrevious(message, wParam, lParam);
        const RECT client = params->rgrc[0];
        params->rgrc[0] = ToRECT(SkinClientFromStandard(FromRECT(client), Metrics(), Standard(window, client)));
        return 0;
    }
    auto* rect = reinterpret_cast<RECT*>(lParam);
    if (rect) {
        if (const std::optional<Rect> client = SkinClientFromWindow(FromRECT(*rect), Metrics(), border)) {
            *rect = ToRECT(*client);
            return 0;
        }
    }
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinDialog::OnNcHitTest(UINT, WPARAM, LPARAM lParam) {
    return HitTest(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

LRESULT SkinDialog::OnNcPaint(UINT, WPARAM, LPARAM) {
    PaintFrame();
    return 0;
}

LRESULT SkinDialog::OnNcMouseMove(UINT message, WPARAM wParam, LPARAM lParam) {
    const int code = static_cast<int>(wParam);
    if (code != hotButton_) {
        DrawCaptionButton(hotButton_, 0);
        DrawCaptionButton(code, 2);
        hotButton_ = code;
        StartHoverTimer(window_);
    }
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinDialog::OnNcLButtonDown(UINT message, WPARAM wParam, LPARAM lParam) {
    const int code = static_cast<int>(wParam);
    if (code == kHitCaption) {
        // The focus change tells the controls' parent, this dialog, whose handler may destroy it.
        SetFocus(window_);
        if (Attached())
            SendMessageA(window_, WM_SYSCOMMAND, SC_MOVE + HTCAPTION, lParam);
        return 0;
    }
    if (const std::optional<WPARAM> command = CaptionButtonCommand(code)) {
        if (TrackCaptionButton(code))
            SendMessageA(window_, WM_SYSCOMMAND, *command, lParam);
        return 0;
    }
    if (!IsSizingHit(code))
        return CallPrevious(message, wParam, lParam);

    // The system's sizing loop runs inside the previous procedure; WM_ENTERSIZEMOVE puts the style back as soon
    // as it starts, and if it never does, the style goes back here.
    savedStyle_ = Style();
    SetWindowLongPtrA(window_, GWL_STYLE, LONG_PTR(savedStyle_ & ~kCaptionButtonStyles));
    LRESULT result;
    if (!CallPreviousAndStay(message, wParam, lParam, result))
        return result;
    if (savedStyle_ != 0) {
        SetWindowLongPtrA(window_, GWL_STYLE, LONG_PTR(Style() | (savedStyle_ & kCaptionButtonStyles)));
        savedStyle_ = 0;
    }
    PaintFrame();
    return result;
}

LRESULT SkinDialog::OnNcLButtonDblClk(UINT, WPARAM wParam, LPARAM lParam) {
    WPARAM command = 0;
    if (wParam == HTCAPTION)
        command = IsZoomed(window_) ? SC_RESTORE : (Style() & WS_MAXIMIZEBOX) ? SC_MAXIMIZE : 0;
    else if (wParam == HTSYSMENU)
        command = SC_DEFAULT;
    if (command)
        SendMessageA(window_, WM_SYSCOMMAND, command, lParam);
    return 0;
}

LRESULT SkinDialog::OnNcRButtonDown(UINT message, WPARAM wParam, LPARAM lParam) {
    // No system menu from the caption: the skin has no place for one.
    if (wParam == HTCAPTION || wParam == HTSYSMENU)
        return 0;
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinDialog::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam) {
    if (hotButton_ != -1) {
        hotButton_ = -1;
        PaintFrame();
    }
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinDialog::OnEnterSizeMove(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool styleTaken = savedStyle_ != 0;
    LRESULT result;
    if (!CallPreviousAndStay(message, wParam, lParam, result) || !styleTaken)
        return result;
    SetWindowLongPtrA(window_, GWL_STYLE, LONG_PTR(Style() | (savedStyle_ & kCaptionButtonStyles)));
    savedStyle_ = 0;
    PaintFrame();
    return result;
}

LRESULT SkinDialog::OnNcMouseLeave(UINT, WPARAM, LPARAM) {
    hotButton_ = -1;
    PaintFrame();
    return 0;
}

} // namespace tarnvale
