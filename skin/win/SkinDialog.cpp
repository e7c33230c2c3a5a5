// Dialog skin: attaching controls, background tiles, and the skinned frame with its caption buttons and shape.
#include "skin/win/SkinDialog.h"

#include "skin/win/SkinManager.h"
#include "skin/win/WinGeometry.h"
#include "skin/win/WindowStyle.h"

#include <windowsx.h>

#include <iterator>
#include <vector>

namespace tarnvale {
namespace {

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

// The caption buttons the system would draw; while the previous procedure runs they are taken out of the style,
// so that it draws none of its own over the skin.
constexpr DWORD kCaptionButtonStyles = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

// How long the caption-button loop waits for input before it looks at the capture again.
constexpr DWORD kTrackWaitMs = 15;

// Hit code -> the element that draws its button, the style bit that shows it (the close button is shown by an
// enabled close item in the system menu instead) and the command it sends.
struct CaptionButtonRow {
    int hitCode;
    int element;
    DWORD styleBit;
    WPARAM command;
};
constexpr CaptionButtonRow kCaptionButtons[] = {
    {kHitClose, kElementCloseButton, 0, SC_CLOSE},
    {kHitMinButton, kElementMinButton, WS_MINIMIZEBOX, SC_MINIMIZE},
    {kHitMaxButton, kElementMaxButton, WS_MAXIMIZEBOX, SC_MAXIMIZE},
};

const CaptionButtonRow* ButtonForHit(int hitCode) {
    for (const CaptionButtonRow& row : kCaptionButtons) {
        if (row.hitCode == hitCode)
            return &row;
    }
    return nullptr;
}

const CaptionButtonRow* ButtonForElement(int element) {
    for (const CaptionButtonRow& row : kCaptionButtons) {
        if (row.element == element)
            return &row;
    }
    return nullptr;
}

bool CloseItemEnabled(HWND window) {
    const HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu)
        return false;
    const UINT state = GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND);
    return state != UINT(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

bool Minimised(HWND window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(window, &placement))
        return false;
    switch (placement.showCmd) {
    case SW_HIDE:
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
        return true;
    default:
        return false;
    }
}

using SetLayeredWindowAttributesProc = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

// Looked up by name: systems without layered windows have no such function.
SetLayeredWindowAttributesProc LayeredWindowAttributes() {
    static const auto proc = reinterpret_cast<SetLayeredWindowAttributesProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("USER32.DLL"), "SetLayeredWindowAttributes")));
    return proc;
}

} // namespace

const SkinWindow::Handler<SkinDialog> SkinDialog::kHandlers[] = {
    {WM_ACTIVATE, &SkinDialog::OnActivate},         {WM_ERASEBKGND, &SkinDialog::OnEraseBackground},
    {WM_NCDESTROY, &SkinDialog::OnNcDestroy},       {WM_INITDIALOG, &SkinDialog::OnInitDialog},
    {WM_PARENTNOTIFY, &SkinDialog::OnParentNotify}, {WM_SKINCHANGED, &SkinDialog::OnSkinChanged},
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

void SkinDialog::Unsubclass() {
    // The dialog's own procedure goes back first, so that it sees the size change and lays out its standard
    // frame again, instead of the skin frame being kept for the old size.
    SkinWindow::Unsubclass();
    if (!window_)
        return;
    RemoveShape();
    if (!IsRectEmpty(&beforeSkinning_) || growth_.width != 0 || growth_.height != 0)
        ResizeTo(UnskinnedRect(), SWP_FRAMECHANGED);
}

bool SkinDialog::IsFrameSkinned() const {
    return owner_.HasElementImage(kElementCaption) && owner_.HasElementImage(kElementFrameLeft) &&
           owner_.HasElementImage(kElementFrameRight) && owner_.HasElementImage(kElementFrameBottom);
}

LRESULT SkinDialog::CallPreviousWithout(DWORD styleBits, UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = window_;
    const DWORD taken = Style() & styleBits;
    if (taken)
        SetWindowLongPtrA(window, GWL_STYLE, LONG_PTR(Style() & ~taken));
    const LRESULT result = CallPrevious(message, wParam, lParam);
    // Only the bits taken off go back: whatever else the previous procedure changed stays.
    if (taken && IsWindow(window))
        SetWindowLongPtrA(window, GWL_STYLE, LONG_PTR(DWORD(GetWindowLongPtrA(window, GWL_STYLE)) | taken));
    return result;
}

FrameMetrics SkinDialog::Metrics() const {
    return {owner_.Element(kElementFrameLeft).frame.width, owner_.Element(kElementFrameRight).frame.width,
            owner_.Element(kElementCaption).frame.height, owner_.Element(kElementFrameBottom).frame.height};
}

DWORD SkinDialog::Style() const {
    return static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE));
}

int SkinDialog::BorderWidth() const {
    return BorderWidthOf(window_);
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
    SetWindowPos(window_, nullptr, 0, 0, Width(rect), Height(rect),
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE | extraFlags);
}

void SkinDialog::RemoveShape() {
    if (addedLayered_) {
        const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE));
        SetWindowLongPtrA(window_, GWL_EXSTYLE, LONG_PTR(exStyle & ~DWORD(WS_EX_LAYERED)));
        addedLayered_ = false;
    }
    if (setRegion_) {
        SetWindowRgn(window_, nullptr, FALSE);
        setRegion_ = false;
    }
}

LRESULT SkinDialog::OnActivate(UINT message, WPARAM wParam, LPARAM lParam) {
    active_ = LOWORD(wParam) != WA_INACTIVE;
    PaintFrame();
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinDialog::OnEraseBackground(UINT message, WPARAM wParam, LPARAM lParam) {
    const SkinElement& tile = owner_.Element(kElementDialog);
    if (!owner_.HasElementImage(kElementDialog) || tile.frame.width <= 0 || tile.frame.height <= 0)
        return CallPrevious(message, wParam, lParam);
    RECT client;
    GetClientRect(window_, &client);
    owner_.DrawTiled(reinterpret_cast<HDC>(wParam), kElementDialog, {client.right, client.bottom}, client, {0, 0});
    return 1;
}

LRESULT SkinDialog::OnNcDestroy(UINT message, WPARAM wParam, LPARAM lParam) {
    // Detaching deletes this object: nothing of it may be touched afterwards.
    SkinManager& owner = owner_;
    const HWND window = window_;
    const LRESULT result = CallPrevious(message, wParam, lParam);
    owner.DetachDialog(window);
    return result;
}

LRESULT SkinDialog::OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam) {
    SkinManager& owner = owner_;
    const HWND window = window_;
    const LRESULT result = CallPrevious(message, wParam, lParam);
    // The dialog's own initialisation may have destroyed it, and this object with it.
    if (!StillAttached(owner, window))
        return result;
    owner.AttachChildren(window);
    // A skin change that came before this message has grown the window already; that growth is not part of the
    // size from before skinning.
    beforeSkinning_ = UnskinnedRect();
    SendMessageA(window, WM_SKINCHANGED, 0, 0);
    return result;
}

LRESULT SkinDialog::OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == WM_CREATE)
        owner_.AttachControl(reinterpret_cast<HWND>(lParam));
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinDialog::OnSkinChanged(UINT, WPARAM, LPARAM) {
    captionFont_.reset();
    SkinManager& owner = owner_;
    const HWND window = window_;
    const RECT base = UnskinnedRect();
    const int border = BorderWidth();
    if (IsFrameSkinned()) {
        // The skin frame replaces a standard border; a window without one (a child dialog) keeps its size.
        if (border != 0) {
            const FrameGrowth growth = SkinFrameGrowth(Metrics(), {border, GetSystemMetrics(SM_CYCAPTION)});
            growth_ = growth;
            ResizeTo({base.left, base.top, base.right + growth.width, base.bottom + growth.height}, 0);
            if (!StillAttached(owner, window))
                return 0; // the dialog's own procedure destroyed it while it was resized
        }
        shapePending_ = true;
    } else {
        if (!IsRectEmpty(&beforeSkinning_) || growth_.width != 0 || growth_.height != 0) {
            growth_ = {};
            ResizeTo(base, 0);
            if (!StillAttached(owner, window))
                return 0;
        }
        // Without the skin frame nothing may stay see-through, the client area's magenta included.
        RemoveShape();
    }
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return 0;
}

LRESULT SkinDialog::OnSize(UINT message, WPARAM wParam, LPARAM lParam) {
    SkinManager& owner = owner_;
    const HWND window = window_;
    CallPrevious(message, wParam, lParam);
    if (!StillAttached(owner, window))
        return 0;
    shapePending_ = true;
    PaintFrame();
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    return 0;
}

LRESULT SkinDialog::OnSetText(UINT message, WPARAM wParam, LPARAM lParam) {
    SkinManager& owner = owner_;
    const HWND window = window_;
    // Hidden for the moment, so that the system does not paint its own caption with the new text.
    const LRESULT result = CallPreviousWithout(WS_VISIBLE, message, wParam, lParam);
    if (StillAttached(owner, window))
        PaintFrame();
    return result;
}

LRESULT SkinDialog::OnActivationChange(UINT message, WPARAM wParam, LPARAM lParam) {
    SkinManager& owner = owner_;
    const HWND window = window_;
    const LRESULT result = CallPreviousWithout(kCaptionButtonStyles, message, wParam, lParam);
    if (StillAttached(owner, window))
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
        CallPrevious(message, wParam, lParam);
        auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
        const StandardFrame standard{border, GetSystemMetrics(SM_CYCAPTION)};
        params->rgrc[0] = ToRECT(SkinClientFromStandard(FromRECT(params->rgrc[0]), Metrics(), standard));
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
        owner_.StartHoverTimer(window_);
    }
    return CallPrevious(message, wParam, lParam);
}

LRESULT SkinDialog::OnNcLButtonDown(UINT message, WPARAM wParam, LPARAM lParam) {
    const int code = static_cast<int>(wParam);
    if (code == kHitCaption) {
        // The focus change tells the controls' parent, this dialog, whose handler may destroy it.
        SkinManager& owner = owner_;
        const HWND window = window_;
        SetFocus(window);
        if (StillAttached(owner, window))
            SendMessageA(window, WM_SYSCOMMAND, SC_MOVE + HTCAPTION, lParam);
        return 0;
    }
    if (const CaptionButtonRow* button = ButtonForHit(code)) {
        const HWND window = window_;
        if (TrackCaptionButton(code)) {
            const WPARAM command =
                code == kHitMaxButton ? (IsZoomed(window) ? SC_RESTORE : SC_MAXIMIZE) : button->command;
            SendMessageA(window, WM_SYSCOMMAND, command, lParam);
        }
        return 0;
    }
    if (!IsSizingHit(code))
        return CallPrevious(message, wParam, lParam);

    // The system's sizing loop runs inside the previous procedure; WM_ENTERSIZEMOVE puts the style back as soon
    // as it starts, and if it never does, the style goes back here.
    SkinManager& owner = owner_;
    const HWND window = window_;
    savedStyle_ = Style();
    SetWindowLongPtrA(window, GWL_STYLE, LONG_PTR(savedStyle_ & ~kCaptionButtonStyles));
    const LRESULT result = CallPrevious(message, wParam, lParam);
    if (!StillAttached(owner, window))
        return result;
    if (savedStyle_ != 0) {
        SetWindowLongPtrA(window, GWL_STYLE, LONG_PTR(Style() | (savedStyle_ & kCaptionButtonStyles)));
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
    if (savedStyle_ == 0)
        return CallPrevious(message, wParam, lParam);
    SkinManager& owner = owner_;
    const HWND window = window_;
    const LRESULT result = CallPrevious(message, wParam, lParam);
    if (!StillAttached(owner, window))
        return result;
    SetWindowLongPtrA(window, GWL_STYLE, LONG_PTR(Style() | (savedStyle_ & kCaptionButtonStyles)));
    savedStyle_ = 0;
    PaintFrame();
    return result;
}

LRESULT SkinDialog::OnNcMouseLeave(UINT, WPARAM, LPARAM) {
    hotButton_ = -1;
    PaintFrame();
    return 0;
}

std::optional<RECT> SkinDialog::CaptionButtonRect(int elementId, const RECT& captionRect) const {
    const CaptionButtonRow* button = ButtonForElement(elementId);
    const DWORD style = Style();
    if (!button || !(style & WS_SYSMENU))
        return std::nullopt;
    if (button->styleBit ? !(style & button->styleBit) : !CloseItemEnabled(window_))
        return std::nullopt;
    const SkinElement& element = owner_.Element(elementId);
    const ButtonPlacement placement{element.offsetX, element.offsetY, element.anchorTopRight, element.frame.width,
                                    element.frame.height};
    return ToRECT(tarnvale::CaptionButtonRect(FromRECT(captionRect), placement));
}

int SkinDialog::HitTest(int x, int y) const {
    RECT windowRect{}, clientRect{};
    GetWindowRect(window_, &windowRect);
    GetClientRect(window_, &clientRect);
    MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&clientRect), 2);
    const FrameMetrics frame = Metrics();
    const Rect window = FromRECT(windowRect);
    const RECT caption = ToRECT(HitTestCaptionRect(window, frame));
    ButtonHit buttons[std::size(kCaptionButtons)];
    std::size_t count = 0;
    for (const CaptionButtonRow& row : kCaptionButtons) {
        if (const std::optional<RECT> rect = CaptionButtonRect(row.element, caption))
            buttons[count++] = {row.hitCode, FromRECT(*rect)};
    }
    const DWORD style = Style();
    const FrameStyle frameStyle{(style & WS_MINIMIZE) != 0, (style & WS_THICKFRAME) != 0, (style & WS_DLGFRAME) != 0,
                                (style & WS_BORDER) != 0};
    return FrameHitTest({x, y}, window, FromRECT(clientRect), frame, frameStyle, {buttons, count});
}

void SkinDialog::DrawCaptionButton(int hitCode, int frame) {
    const CaptionButtonRow* button = ButtonForHit(hitCode);
    if (!button)
        return;
    RECT windowRect{};
    GetWindowRect(window_, &windowRect);
    const std::optional<RECT> rect =
        CaptionButtonRect(button->element, ToRECT(tarnvale::CaptionRect(Width(windowRect), Metrics())));
    if (!rect)
        return;
    WindowDC dc(window_);
    if (dc)
        owner_.DrawFrame(dc.get(), button->element, frame, *rect, ILD_TRANSPARENT);
}

bool SkinDialog::TrackCaptionButton(int hitCode) {
    const CaptionButtonRow* button = ButtonForHit(hitCode);
    if (!button)
        return false;
    RECT windowRect{};
    GetWindowRect(window_, &windowRect);
    const std::optional<RECT> rect =
        CaptionButtonRect(button->element, ToRECT(tarnvale::CaptionRect(Width(windowRect), Metrics())));
    if (!rect)
        return false;

    // Messages sent to the window while the loop runs may destroy it, and this object with it.
    SkinManager& owner = owner_;
    const HWND window = window_;
    DrawCaptionButton(hitCode, 1);
    SetCapture(window);
    bool inside = true;
    bool released = false;
    while (!released && GetCapture() == window) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, WM_MOUSEFIRST, WM_MBUTTONDBLCLK, PM_REMOVE)) {
            // Woken by the next input; the bound lets a capture lost meanwhile end the loop.
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kTrackWaitMs, QS_MOUSE | QS_SENDMESSAGE);
            continue;
        }
        if (msg.message == WM_LBUTTONUP) {
            ReleaseCapture();
            released = true;
        } else if (msg.message == WM_MOUSEMOVE) {
            const POINT at{msg.pt.x - windowRect.left, msg.pt.y - windowRect.top};
            const bool now = PtInRect(&*rect, at) != FALSE;
            if (now != inside && StillAttached(owner, window)) {
                DrawCaptionButton(hitCode, now ? 1 : 0);
                inside = now;
            }
        }
    }
    if (!StillAttached(owner, window))
        return false;
    DrawCaptionButton(hitCode, 0);
    // A capture taken away before the release (another window, a cancelled mode) is no click.
    return released && inside;
}

HFONT SkinDialog::CaptionFont() {
    if (!captionFont_) {
        const FontSpec& font = owner_.Settings().captionFont;
        captionFont_.reset(CreateFontA(font.size, 0, 0, 0, font.weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS,
                                       font.face.c_str()));
    }
    return captionFont_.get();
}

void SkinDialog::PaintCaption(HDC hdc, const RECT& caption) {
    owner_.DrawSized(hdc, kElementCaption, active_ ? 0 : 1, caption);
    for (const CaptionButtonRow& row : kCaptionButtons) {
        if (const std::optional<RECT> rect = CaptionButtonRect(row.element, caption))
            owner_.DrawFrame(hdc, row.element, active_ ? 0 : 3, *rect, ILD_TRANSPARENT);
    }

    const GlobalSettings& settings = owner_.Settings();
    RECT textRect = caption;
    textRect.left += settings.captionOffsetX;
    textRect.top += settings.captionOffsetY;
    char text[256] = {};
    GetWindowTextA(window_, text, sizeof(text));
    SetBkMode(hdc, TRANSPARENT);
    const std::uint32_t colour = active_ ? settings.captionText : settings.captionTextInactive;
    if (colour != kNoColour)
        SetTextColor(hdc, colour);
    const UINT alignment = settings.captionAlignment == 1   ? DT_CENTER
                           : settings.captionAlignment == 2 ? DT_RIGHT
                                                            : DT_LEFT;
    // Drawn after the buttons, over them where a long title reaches them.
    ScopedSelect font(hdc, CaptionFont());
    DrawTextA(hdc, text, -1, &textRect, alignment | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

void SkinDialog::PaintFrame() {
    if (!window_ || !IsFrameSkinned() || Minimised(window_))
        return;
    RECT windowRect{};
    GetWindowRect(window_, &windowRect);
    const int width = Width(windowRect), height = Height(windowRect);
    if (width <= 0 || height <= 0)
        return;
    const DWORD style = Style();
    const int border = BorderWidth();
    const bool hasCaption = (style & (WS_BORDER | WS_DLGFRAME)) != 0;
    if (!hasCaption && border == 0)
        return;

    WindowDC screen(window_);
    if (!screen)
        return;
    MemoryDC memory(screen.get());
    // The composed frame's bitmap is kept for the next paint at the same size: frames repaint at one size often.
    if (!frameImage_ || frameImageSize_.cx != width || frameImageSize_.cy != height) {
        frameImage_.reset(CreateCompatibleBitmap(screen.get(), width, height));
        frameImageSize_ = {width, height};
    }
    if (!memory || !frameImage_)
        return;
    ScopedSelect select(memory.get(), frameImage_.get());
    const FrameMetrics frame = Metrics();
    const RECT client = ToRECT(FrameClientRect(width, height, frame));
    // Only the frame around the client area is composed and copied: the client area's pixels stay as its own
    // painting left them, and filling or copying them would be work for nothing.
    const RECT strips[] = {{0, 0, width, client.top},
                           {0, client.bottom, width, height},
                           {0, client.top, client.left, client.bottom},
                           {client.right, client.top, width, client.bottom}};
    for (const RECT& strip : strips)
        SkinManager::FillSolid(memory.get(), strip, kMagenta);
    if (hasCaption)
        PaintCaption(memory.get(), ToRECT(tarnvale::CaptionRect(width, frame)));
    if (border != 0) {
        const int state = active_ ? 0 : 1;
        owner_.DrawSized(memory.get(), kElementFrameLeft, state, {0, 0, frame.left, height});
        owner_.DrawSized(memory.get(), kElementFrameRight, state, {width - frame.right, 0, width, height});
        owner_.DrawSized(memory.get(), kElementFrameBottom, state,
                         {frame.left, height - frame.bottom, width - frame.right, height});
    }
    ApplyShape(memory.get(), {0, 0, width, height});
    for (const RECT& strip : strips) {
        if (!IsRectEmpty(&strip))
            BitBlt(screen.get(), strip.left, strip.top, Width(strip), Height(strip), memory.get(), strip.left,
                   strip.top, SRCCOPY);
    }
}

void SkinDialog::ApplyShape(HDC hdc, const RECT& windowRect) {
    if (!shapePending_)
        return;
    shapePending_ = false;
    if (const SetLayeredWindowAttributesProc setLayered = LayeredWindowAttributes()) {
        const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE));
        if (!(exStyle & WS_EX_LAYERED)) {
            SetWindowLongPtrA(window_, GWL_EXSTYLE, LONG_PTR(exStyle | WS_EX_LAYERED));
            addedLayered_ = true;
        }
        setLayered(window_, kMagenta, 0, LWA_COLORKEY);
        return;
    }
    UniqueRegion region(BuildRegion(hdc, windowRect));
    if (!region && !setRegion_)
        return;
    // A skin without transparency takes off the region an earlier skin cut.
    setRegion_ = static_cast<bool>(region);
    SetWindowRgn(window_, region.release(), TRUE);
}

HRGN SkinDialog::BuildRegion(HDC hdc, const RECT& windowRect) const {
    if (owner_.Settings().useTransparency == 0)
        return nullptr;
    const int width = Width(windowRect), height = Height(windowRect);
    if (width <= 0 || height <= 0)
        return nullptr;

    // The frame read once, into memory whose pixels can be looked at directly.
    void* bits = nullptr;
    UniqueBitmap copy(CreateDib(width, height, 32, true, &bits));
    MemoryDC reader(hdc);
    if (!copy || !reader)
        return nullptr;
    {
        ScopedSelect select(reader.get(), copy.get());
        BitBlt(reader.get(), 0, 0, width, height, hdc, 0, 0, SRCCOPY);
    }
    GdiFlush();
    const std::span<const std::uint32_t> pixels(static_cast<const std::uint32_t*>(bits),
                                                std::size_t(width) * std::size_t(height));
    const std::vector<PixelRun> runs =
        SeeThroughRuns(pixels, width, height, FrameClientRect(width, height, Metrics()), kMagenta);

    UniqueRegion region(CreateRectRgn(0, 0, width, height));
    if (runs.empty() || !region)
        return region.release();
    // The runs come row by row and left to right, the order a region keeps its rectangles in, so they make one
    // region at once instead of one combination per run.
    std::vector<std::uint8_t> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(runs.size());
    header->rcBound = {0, 0, width, height};
    auto* rects = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
    for (std::size_t i = 0; i < runs.size(); ++i)
        rects[i] = {runs[i].left, runs[i].y, runs[i].right, runs[i].y + 1};
    UniqueRegion seeThrough(
        ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<const RGNDATA*>(data.data())));
    if (!seeThrough)
        return nullptr;
    CombineRgn(region.get(), region.get(), seeThrough.get(), RGN_DIFF);
    return region.release();
}

} // namespace tarnvale
