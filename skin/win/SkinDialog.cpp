// Dialog skin: attaching controls, background tiles and the frame size.
#include "skin/win/SkinDialog.h"

#include "skin/win/SkinManager.h"

namespace tarnvale {
namespace {

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

} // namespace

const SkinDialog::Handler SkinDialog::kHandlers[] = {
    {WM_ACTIVATE, &SkinDialog::OnActivate},         {WM_ERASEBKGND, &SkinDialog::OnEraseBackground},
    {WM_NCDESTROY, &SkinDialog::OnNcDestroy},       {WM_INITDIALOG, &SkinDialog::OnInitDialog},
    {WM_PARENTNOTIFY, &SkinDialog::OnParentNotify}, {WM_SKINCHANGED, &SkinDialog::OnSkinChanged},
};

LRESULT SkinDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const Handler& handler : kHandlers) {
        if (handler.message == message)
            return (this->*handler.handle)(wParam, lParam);
    }
    return CallPrevious(message, wParam, lParam);
}

void SkinDialog::Subclass(HWND window, WNDPROC newProcedure) {
    window_ = window;
    procedure_.Install(window, newProcedure);
}

void SkinDialog::Unsubclass() {
    detaching_ = true;
    if (!window_)
        return;
    // The dialog's own procedure goes back first, so that it sees the size change and lays out its standard
    // frame again, instead of the skin frame being kept for the old size.
    procedure_.Restore(window_);
    if (!IsRectEmpty(&beforeSkinning_))
        SetWindowPos(window_, nullptr, 0, 0, Width(beforeSkinning_), Height(beforeSkinning_),
                     SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

bool SkinDialog::IsFrameSkinned() const {
    return owner_.HasElementImage(kElementCaption) && owner_.HasElementImage(kElementFrameLeft) &&
           owner_.HasElementImage(kElementFrameRight) && owner_.HasElementImage(kElementFrameBottom);
}

LRESULT SkinDialog::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure_.CallPrevious(window_, message, wParam, lParam);
}

LRESULT SkinDialog::OnActivate(WPARAM wParam, LPARAM lParam) {
    active_ = LOWORD(wParam) != WA_INACTIVE;
    return CallPrevious(WM_ACTIVATE, wParam, lParam);
}

LRESULT SkinDialog::OnEraseBackground(WPARAM wParam, LPARAM lParam) {
    const SkinElement& tile = owner_.Element(kElementDialog);
    if (!owner_.HasElementImage(kElementDialog) || tile.frame.width <= 0 || tile.frame.height <= 0)
        return CallPrevious(WM_ERASEBKGND, wParam, lParam);
    const HDC hdc = reinterpret_cast<HDC>(wParam);
    RECT client;
    GetClientRect(window_, &client);
    ScopedDCState state(hdc);
    IntersectClipRect(hdc, client.left, client.top, client.right, client.bottom);
    for (LONG y = client.top; y < client.bottom; y += tile.frame.height) {
        for (LONG x = client.left; x < client.right; x += tile.frame.width) {
            const RECT cell{x, y, x + tile.frame.width, y + tile.frame.height};
            owner_.DrawFrame(hdc, kElementDialog, 0, cell, ILD_NORMAL);
        }
    }
    return 1;
}

LRESULT SkinDialog::OnNcDestroy(WPARAM wParam, LPARAM lParam) {
    // Detaching deletes this object: nothing of it may be touched afterwards.
    SkinManager& owner = owner_;
    const HWND window = window_;
    const LRESULT result = CallPrevious(WM_NCDESTROY, wParam, lParam);
    owner.DetachDialog(window);
    return result;
}

LRESULT SkinDialog::OnInitDialog(WPARAM wParam, LPARAM lParam) {
    SkinManager& owner = owner_;
    const HWND window = window_;
    const LRESULT result = CallPrevious(WM_INITDIALOG, wParam, lParam);
    // The dialog's own initialisation may have destroyed it, and this object with it.
    if (owner.FindDialog(window) != this)
        return result;
    owner.AttachChildren(window);
    GetWindowRect(window, &beforeSkinning_);
    SendMessageA(window, WM_SKINCHANGED, 0, 0);
    return result;
}

LRESULT SkinDialog::OnParentNotify(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == WM_CREATE)
        owner_.AttachControl(reinterpret_cast<HWND>(lParam));
    return CallPrevious(WM_PARENTNOTIFY, wParam, lParam);
}

LRESULT SkinDialog::OnSkinChanged(WPARAM, LPARAM) {
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE));
    const int border = SkinManager::BorderWidthForStyle(style, exStyle);
    constexpr UINT kResize = SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE;
    // The skin frame replaces a standard border; a window without one (a child dialog) keeps its size.
    if (IsFrameSkinned() && border != 0) {
        const int caption = owner_.Element(kElementCaption).frame.height;
        const int bottom = owner_.Element(kElementFrameBottom).frame.height;
        const int sides =
            owner_.Element(kElementFrameLeft).frame.width + owner_.Element(kElementFrameRight).frame.width;
        const int extraTop = caption != 0 ? caption - border - GetSystemMetrics(SM_CYCAPTION) : 0;
        const int extraBottom = bottom != 0 ? bottom - border : 0;
        const int extraWidth = sides != 0 ? sides - 2 * border : 0;
        RECT base = beforeSkinning_;
        if (IsRectEmpty(&base))
            GetWindowRect(window_, &base);
        SkinManager& owner = owner_;
        const HWND window = window_;
        SetWindowPos(window, nullptr, 0, 0, Width(base) + extraWidth, Height(base) + extraTop + extraBottom, kResize);
        if (owner.FindDialog(window) != this)
            return 0; // the dialog's own procedure destroyed it while it was resized
        shapePending_ = true;
    } else if (!IsRectEmpty(&beforeSkinning_)) {
        SetWindowPos(window_, nullptr, 0, 0, Width(beforeSkinning_), Height(beforeSkinning_), kResize);
        SetWindowRgn(window_, nullptr, FALSE);
    }
    SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return 0;
}

} // namespace tarnvale
