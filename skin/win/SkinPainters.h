// The skin's painters that need only a device context and a rectangle: a scroll bar from its layout, a caption with
// its title and buttons, and the side and bottom frames. The skinned windows paint through them, and so does the
// skin sheet, so that both draw the same.
#pragma once

#include "skin/FrameGeometry.h"
#include "skin/ScrollBarGeometry.h"
#include "skin/win/GdiHandles.h"
#include "skin/win/LoadedSkin.h"

#include <windows.h>

namespace tarnvale {

// How a bar looks beyond its layout: the point the cursor hovers at (in the layout's coordinates; nothing hovers
// when it lies outside every part) and the part a press holds.
struct BarLook {
    Point hover{-1, -1};
    bool pressed = false;
    BarPart pressedPart = PartNone;
};
// The shaft, the two arrows with their glyphs and, on an enabled bar with room for it, the thumb with its gripper.
void PaintScrollBar(HDC hdc, LoadedSkin& skin, const BarLayout& layout, bool vertical, const BarLook& look);

// The caption's font as the skin names it.
UniqueFont MakeCaptionFont(const FontSpec& font);

// Where the close, minimise or maximise element's button lies within caption.
RECT CaptionButtonPlace(const LoadedSkin& skin, int elementId, const RECT& caption);

// What a caption shows: its state, title, font and which of its buttons.
struct CaptionLook {
    bool active = true;
    const char* title = "";
    HFONT font = nullptr;
    bool closeButton = false;
    bool minimiseButton = false;
    bool maximiseButton = false;
};
// The caption strip, its buttons and, over them where a long title reaches them, the title.
void PaintCaption(HDC hdc, LoadedSkin& skin, const RECT& caption, const CaptionLook& look);

// The left, right and bottom frames of a window at window, whose frame measures frame.
void PaintFrameSides(HDC hdc, LoadedSkin& skin, const RECT& window, const FrameMetrics& frame, bool active);

} // namespace tarnvale
