// Where the skin draws the parts of headers and combo boxes, and which frame each part shows: pure arithmetic over
// the window system's numbers.
#pragma once

#include "skin/Geometry.h"

#include <cstdint>
#include <optional>

namespace tarnvale {

// Frames of the "Header" strip that are drawn; the others are never used.
inline constexpr int kHeaderFrameNormal = 0, kHeaderFramePressed = 1, kHeaderFrameHot = 3;

// The frame of a header item: only a header with button-like items shows the cursor over an item, pressed while
// the left button is down and hot otherwise.
int HeaderItemFrame(bool over, bool buttons, bool buttonDown);

// Where an item's text goes: 5 pixels in from the left edge and 2 from the right, and one pixel right and down
// while the item shows pressed.
Rect HeaderTextRect(const Rect& item, bool pressed);

// The part of the header right of its last item, drawn as an empty normal item whose right border lies outside the
// window: from 2 pixels left of the last item's right edge (1 when that item shows pressed), or from the client's
// left edge when there are no items, to 2 pixels past the client's right edge, the client's full height. Empty when
// the items fill the header.
Rect HeaderFillerRect(const Rect& client, const std::optional<Rect>& lastItem, bool lastPressed);

// The system sizes a combo box's drop-down button is laid out with.
struct ComboMetrics {
    std::int32_t edgeWidth = 0;      // SM_CXEDGE
    std::int32_t edgeHeight = 0;     // SM_CYEDGE
    std::int32_t dialogFrame = 0;    // SM_CXDLGFRAME
    std::int32_t scrollBarWidth = 0; // SM_CXVSCROLL
};

// The drop-down button of a width x height combo box, in window coordinates: a scroll bar's width wide, inside the
// top and bottom edges, at the right (or, for right-to-left reading, at the left).
Rect ComboButtonRect(std::int32_t width, std::int32_t height, bool atLeft, const ComboMetrics& metrics);

// Frames of the "ComboBox" strip.
inline constexpr int kComboFrameNormal = 0, kComboFrameDropped = 1, kComboFrameHot = 2, kComboFrameDisabled = 3;

// The button's frame: dropped down before hot, hot before disabled.
int ComboButtonFrame(bool dropped, bool hot, bool enabled);

} // namespace tarnvale
