// The skinned dialog's caption buttons: where each lies and whether it shows, the hit codes of the frame with them,
// their looks, and a press tracked until its release.
#include "skin/win/SkinDialog.h"

#include "skin/win/LoadedSkin.h"
#include "skin/win/SkinPainters.h"
#include "skin/win/WinGeometry.h"
#include "skin/win/WindowStyle.h"

#include <iterator>

namespace tarnvale {
namespace {

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

} // namespace

std::optional<WPARAM> SkinDialog::CaptionButtonCommand(int hitCode) const {
    const CaptionButtonRow* button = ButtonForHit(hitCode);
    if (!button)
        return std::nullopt;
    if (hitCode == kHitMaxButton)
        return IsZoomed(window_) ? SC_RESTORE : SC_MAXIMIZE;
    return button->command;
}

std::optional<RECT> SkinDialog::CaptionButtonRect(int elementId, const RECT& captionRect) const {
    const CaptionButtonRow* button = ButtonForElement(elementId);
    const DWORD style = Style();
    if (!button || !(style & WS_SYSMENU))
        return std::nullopt;
    if (button->styleBit ? !(style & button->styleBit) : !CloseItemEnabled(window_))
        return std::nullopt;
    return CaptionButtonPlace(skin_, elementId, captionRect);
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
        CaptionButtonRect(button->element, ToRECT(tarnvale::CaptionRect(RectWidth(windowRect), Metrics())));
    if (!rect)
        return;
    WindowDC dc(window_);
    if (dc)
        skin_.DrawFrame(dc.get(), button->element, frame, *rect, ILD_TRANSPARENT);
}

bool SkinDialog::TrackCaptionButton(int hitCode) {
    const CaptionButtonRow* button = ButtonForHit(hitCode);
    if (!button)
        return false;
    RECT windowRect{};
    GetWindowRect(window_, &windowRect);
    const std::optional<RECT> rect =
        CaptionButtonRect(button->element, ToRECT(tarnvale::CaptionRect(RectWidth(windowRect), Metrics())));
    if (!rect)
        return false;

    // Messages sent to the window while the loop runs may destroy it, or take the skin off it.
    DrawCaptionButton(hitCode, 1);
    SetCapture(window_);
    bool inside = true;
    bool released = false;
    while (!released && GetCapture() == window_) {
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
            if (now != inside && Attached()) {
                DrawCaptionButton(hitCode, now ? 1 : 0);
                inside = now;
            }
        }
    }
    if (!Attached())
        return false;
    DrawCaptionButton(hitCode, 0);
    // A capture taken away before the release (another window, a cancelled mode) is no click.
    return released && inside;
}

} // namespace tarnvale
