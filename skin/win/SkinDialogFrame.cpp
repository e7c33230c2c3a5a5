// The skinned dialog's frame painted: the caption with its title and buttons and the side and bottom frames,
// composed off-screen and copied to the window around its client area.
#include "skin/win/SkinDialog.h"

#include "skin/win/LoadedSkin.h"
#include "skin/win/SkinPainters.h"
#include "skin/win/WinGeometry.h"
#include "skin/win/WindowStyle.h"

namespace tarnvale {
namespace {

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

} // namespace

// Made once and kept until the skin changes, rather than made and freed at every paint: a frame repaints at every
// activation change and hover, and making a font is the dearest step of a caption paint.
HFONT SkinDialog::CaptionFont() {
    if (!captionFont_)
        captionFont_ = MakeCaptionFont(skin_.Settings().captionFont);
    return captionFont_.get();
}

void SkinDialog::PaintCaption(HDC hdc, const RECT& caption) {
    char text[256] = {};
    GetWindowTextA(window_, text, sizeof(text));
    CaptionLook look;
    look.active = active_;
    look.title = text;
    look.font = CaptionFont();
    look.closeButton = CaptionButtonRect(kElementCloseButton, caption).has_value();
    look.minimiseButton = CaptionButtonRect(kElementMinButton, caption).has_value();
    look.maximiseButton = CaptionButtonRect(kElementMaxButton, caption).has_value();
    tarnvale::PaintCaption(hdc, skin_, caption, look);
}

void SkinDialog::PaintFrame() {
    if (!window_ || !IsFrameSkinned() || Minimised(window_))
        return;
    RECT windowRect{};
    GetWindowRect(window_, &windowRect);
    const int width = RectWidth(windowRect), height = RectHeight(windowRect);
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
    const PaintBuffer::Lease buffer(skin_.OffScreen(), screen.get(), width, height);
    const HDC memory = buffer.dc();
    if (!memory)
        return;
    const FrameMetrics frame = Metrics();
    const RECT client = ToRECT(FrameClientRect(width, height, frame));
    // Only the frame around the client area is composed and copied: the client area's pixels stay as its own
    // painting left them, and filling or copying them would be work for nothing.
    const RECT strips[] = {{0, 0, width, client.top},
                           {0, client.bottom, width, height},
                           {0, client.top, client.left, client.bottom},
                           {client.right, client.top, width, client.bottom}};
    for (const RECT& strip : strips)
        LoadedSkin::FillSolid(memory, strip, kMagenta);
    if (hasCaption)
        PaintCaption(memory, ToRECT(tarnvale::CaptionRect(width, frame)));
    if (border != 0)
        PaintFrameSides(memory, skin_, {0, 0, width, height}, frame, active_);
    ApplyShape();
    for (const RECT& strip : strips) {
        if (!IsRectEmpty(&strip))
            BitBlt(screen.get(), strip.left, strip.top, RectWidth(strip), RectHeight(strip), memory, strip.left,
                   strip.top, SRCCOPY);
    }
}

} // namespace tarnvale
