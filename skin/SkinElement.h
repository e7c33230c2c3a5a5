// The 23 skin elements: their sections in the skin file, the frames of their images, and what the skin file says
// about each one.
#pragma once

#include "skin/Geometry.h"

#include <array>
#include <cstdint>
#include <string>

namespace tarnvale {

// Element ids, in the order of the element table; code refers to elements by these.
enum SkinElementId : int {
    kElementSysMetrics = 0,
    kElementPushButton = 1,
    kElementRadioButton = 2,
    kElementCheckBox = 3,
    kElementGroupBox = 4,
    kElementEdit = 5,
    kElementComboBox = 6,
    kElementListBox = 7,
    kElementScrollArrows = 8,
    kElementShaftHorz = 9,
    kElementShaftVert = 10,
    kElementThumbHorz = 11,
    kElementThumbVert = 12,
    kElementListView = 13,
    kElementHeader = 14,
    kElementDialog = 15,
    kElementCaption = 16,
    kElementFrameLeft = 17,
    kElementFrameRight = 18,
    kElementFrameBottom = 19,
    kElementCloseButton = 20,
    kElementMinButton = 21,
    kElementMaxButton = 22,
};
inline constexpr int kElementCount = 23;

// Frames of the scroll-arrow strip: four per arrow (normal, pressed, disabled, hot), the glyph of frame f at
// f + kArrowGlyphOffset, then the grippers of the vertical and the horizontal thumb. The thumb strips number their
// frames alike: normal, pressed, -, hot.
inline constexpr int kArrowUp = 0, kArrowDown = 4, kArrowLeft = 8, kArrowRight = 12;
inline constexpr int kArrowPressed = 1, kArrowDisabled = 2, kArrowHot = 3;
inline constexpr int kArrowGlyphOffset = 16;
inline constexpr int kGripperVertical = 32, kGripperHorizontal = 33;
inline constexpr int kThumbPressed = 1, kThumbHot = 3;

// How the frames of an element's image lie in its bitmap.
enum class StripLayout {
    None,       // the element takes no image
    Horizontal, // side by side: frame width = bitmap width / frames
    Vertical,   // stacked: frame height = bitmap height / frames
};

struct ElementInfo {
    const char* section;
    std::int32_t frames;
    StripLayout strip;
};

inline constexpr std::array<ElementInfo, kElementCount> kElementTable = {{
    {"SysMetrics", 0, StripLayout::None},
    {"Button.Pushbutton", 4, StripLayout::Horizontal},
    {"Button.Radiobutton", 8, StripLayout::Horizontal},
    {"Button.Checkbox", 8, StripLayout::Horizontal},
    {"Button.Groupbox", 1, StripLayout::Horizontal},
    {"Edit", 0, StripLayout::None},
    {"ComboBox", 4, StripLayout::Horizontal},
    {"ListBox", 0, StripLayout::None},
    {"ScrollBar.ArrowBtn", 34, StripLayout::Horizontal},
    {"Scrollbar.ShaftHorz", 4, StripLayout::Horizontal},
    {"Scrollbar.ShaftVert", 4, StripLayout::Horizontal},
    {"Scrollbar.ThumbHorz", 4, StripLayout::Horizontal},
    {"Scrollbar.ThumbVert", 4, StripLayout::Horizontal},
    {"ListView", 0, StripLayout::None},
    {"Header", 5, StripLayout::Horizontal},
    {"Window.Dialog", 1, StripLayout::Horizontal},
    {"Window.Caption", 2, StripLayout::Vertical},
    {"Window.FrameLeft", 2, StripLayout::Horizontal},
    {"Window.FrameRight", 2, StripLayout::Horizontal},
    {"Window.FrameBottom", 2, StripLayout::Vertical},
    {"Window.CloseButton", 6, StripLayout::Horizontal},
    {"Window.MinButton", 6, StripLayout::Horizontal},
    {"Window.MaxButton", 6, StripLayout::Horizontal},
}};

inline bool IsElementId(int id) {
    return id >= 0 && id < kElementCount;
}

// Colours are COLORREF values: red + green * 256 + blue * 65536. All bits set means the skin gives none.
inline constexpr std::uint32_t kNoColour = 0xFFFFFFFF;
// Magenta is transparent in every skin image.
inline constexpr std::uint32_t kMagenta = 0x00FF00FF;

enum SizingType : std::int32_t { SizingTrueSize = 0, SizingStretch = 1, SizingTile = 2 };

struct FrameSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// What the manager keeps per element besides its image.
struct SkinElement {
    FrameSize frame;
    Margins margins;
    std::int32_t offsetX = 0; // position relative to the anchor corner of the container
    std::int32_t offsetY = 0;
    bool anchorTopRight = false;
    std::uint32_t textColor = kNoColour;
    std::uint32_t fillColor = kNoColour;
    std::uint32_t borderColor = kNoColour;
    SizingType sizingType = SizingStretch;
};

// The size of one frame of an element whose bitmap is width x height (integral division; 0 x 0 for elements
// that take no image).
FrameSize FrameSizeFor(int id, std::int32_t bitmapWidth, std::int32_t bitmapHeight);

} // namespace tarnvale
