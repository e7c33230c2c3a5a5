// The skin object of one dialog: it attaches the dialog's controls, tiles its background from the skin, and
// replaces the standard frame with the skin's caption, frames and caption buttons, keeping the client area the size
// it was designed for, answering hit-testing for the new frame and making its magenta pixels see-through.
#pragma once

#include "skin/FrameGeometry.h"
#include "skin/win/GdiHandles.h"
#include "skin/win/SkinWindow.h"

#include <windows.h>

#include <optional>

namespace tarnvale {

class LoadedSkin;
class SkinRegistry;

// Tells a skinned dialog to recompute its frame size and shape; wParam and lParam are 0.
inline constexpr UINT WM_SKINCHANGED = WM_USER + 101;

// The framework's private activation message; ours never sends it, but a dialog may still receive it.
inline constexpr UINT WM_ACTIVATETOPLEVEL = 0x36E;

class SkinDialog : public SkinWindow {
public:
    SkinDialog(LoadedSkin& skin, SkinRegistry& registry) : SkinWindow(skin, registry) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Takes off the see-through shape the skin gave the window, and gives the window its size from before skinning.
    void GiveBack() override;

    // Whether the caption and the left, right and bottom frames all have images.
    bool IsFrameSkinned() const;
    // Paints the whole non-client area off-screen and copies it to the window at once.
    void PaintFrame();
    // The dialog's font, asked of its own procedure: the controls' painters draw their captions with it.
    HFONT Font() { return reinterpret_cast<HFONT>(CallPrevious(WM_GETFONT, 0, 0)); }

private:
    // Where the close, minimise or maximise element's button lies within captionRect; none when the window's style
    // or system menu does not allow the button.
    std::optional<RECT> CaptionButtonRect(int elementId, const RECT& captionRect) const;
    // Holds the caption button of hitCode pressed until the left button is released; true when it was released
    // over the button. Other mouse messages meanwhile are dropped; everything else waits in the queue.
    bool TrackCaptionButton(int hitCode);
    // The hit code of a point in screen coordinates.
    int HitTest(int x, int y) const;
    // Makes the magenta pixels of the frame see-through with a layered window's colour key, once per pending shape.
    void ApplyShape();

    // The previous procedure's handling with some style bits taken off for its length.
    LRESULT CallPreviousWithout(DWORD styleBits, UINT message, WPARAM wParam, LPARAM lParam);

    FrameMetrics Metrics() const;
    DWORD Style() const;
    int BorderWidth() const;
    // The standard frame the skin frame replaces, as the system lays it out for a window whose rectangle is window
    // and whose standard client area is client: its lines grow with the DPI. From the style and the system caption's
    // height when the layout says nothing (a window without a border, or one too small to have a caption).
    StandardFrame Standard(const RECT& window, const RECT& client) const;
    // The same for the window as it is now.
    StandardFrame Standard();
    // The window rectangle as it would be without the skin frame's growth.
    RECT UnskinnedRect() const;
    void ResizeTo(const RECT& rect, UINT extraFlags);
    void RemoveShape();
    HFONT CaptionFont();
    void PaintCaption(HDC hdc, const RECT& caption);
    // The system command a press on the caption button of hitCode gives; none for other hit codes.
    std::optional<WPARAM> CaptionButtonCommand(int hitCode) const;
    // The button of a hit code in the caption (window coordinates), drawn with frame on the window.
    void DrawCaptionButton(int hitCode, int frame);

    LRESULT OnActivate(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnEraseBackground(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSkinChanged(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnDpiChanged(UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT OnSize(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetText(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnActivationChange(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCursor(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcCalcSize(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTest(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcLButtonDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcLButtonDblClk(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcRButtonDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnEnterSizeMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcMouseLeave(UINT message, WPARAM wParam, LPARAM lParam);

    // Messages handled whether or not the dialog's frame is skinned.
    static const Handler<SkinDialog> kHandlers[];
    // Messages handled only while it is.
    static const Handler<SkinDialog> kFrameHandlers[];

    DWORD savedStyle_ = 0;  // the style while a sizing drag starts without the caption-button bits; 0 = none
    RECT beforeSkinning_{}; // the window rectangle at WM_INITDIALOG, before the skin frame changed the size
    FrameGrowth growth_;    // what the skin frame added to the window's size
    bool active_ = false;
    int hotButton_ = -1;
    bool shapePending_ = true; // the see-through shape is applied at the next frame paint
    bool addedLayered_ = false;
    UniqueFont captionFont_; // made at the first caption paint, kept until the skin changes
};

} // namespace tarnvale
