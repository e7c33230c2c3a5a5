// Where skinned buttons, group boxes and static texts put their faces and captions, worked out from measured text
// sizes and window styles: the face frame of a button state, the caption rectangles, the static's text-drawing
// flags, the span of a radio button's group and what a click does to the check state. Pure arithmetic.
#pragma once

#include "skin/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarnvale {

// Button styles, as the window system numbers them. Type and alignment are values inside bit fields: BS_CENTER is
// both alignment bits, so a field is compared with each value, never tested bit by bit.
inline constexpr std::uint32_t kButtonTypeField = 0xF;
inline constexpr std::uint32_t kButtonAutoCheckBox = 0x3;
inline constexpr std::uint32_t kButtonAutoRadio = 0x9;
inline constexpr std::uint32_t kButtonHorizontalField = 0x300;
inline constexpr std::uint32_t kButtonLeft = 0x100;
inline constexpr std::uint32_t kButtonRight = 0x200;
inline constexpr std::uint32_t kButtonCenter = 0x300;
inline constexpr std::uint32_t kButtonVerticalField = 0xC00;
inline constexpr std::uint32_t kButtonTop = 0x400;
inline constexpr std::uint32_t kButtonBottom = 0x800;
inline constexpr std::uint32_t kButtonPushLike = 0x1000;

// Static styles, and the text-drawing flags they turn into.
inline constexpr std::uint32_t kStaticTypeField = 0x1F;
inline constexpr std::uint32_t kStaticCenter = 0x1;
inline constexpr std::uint32_t kStaticRight = 0x2;
inline constexpr std::uint32_t kStaticLeftNoWordWrap = 0xC;
inline constexpr std::uint32_t kStaticNoPrefix = 0x80;
inline constexpr std::uint32_t kStaticCenterImage = 0x200;
inline constexpr std::uint32_t kStaticEllipsisField = 0xC000;
inline constexpr std::uint32_t kStaticEndEllipsis = 0x4000;
inline constexpr std::uint32_t kStaticPathEllipsis = 0x8000;
inline constexpr std::uint32_t kStaticWordEllipsis = 0xC000;

inline constexpr std::uint32_t kTextCenter = 0x1;
inline constexpr std::uint32_t kTextRight = 0x2;
inline constexpr std::uint32_t kTextVCenter = 0x4;
inline constexpr std::uint32_t kTextWordBreak = 0x10;
inline constexpr std::uint32_t kTextSingleLine = 0x20;
inline constexpr std::uint32_t kTextExpandTabs = 0x40;
inline constexpr std::uint32_t kTextNoClip = 0x100;
inline constexpr std::uint32_t kTextNoPrefix = 0x800;
inline constexpr std::uint32_t kTextPathEllipsis = 0x4000;
inline constexpr std::uint32_t kTextEndEllipsis = 0x8000;
inline constexpr std::uint32_t kTextWordEllipsis = 0x40000;

// A text's extent as the window system measured it.
struct TextSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The state a button face shows.
struct ButtonState {
    bool pressed = false;
    bool hot = false;
    bool focused = false;
    bool disabled = false;
    bool checked = false;
};

// The element and frame that draw a face. Frames: 0 normal, 1 pressed, 2 hot (a push button also when focused),
// 3 disabled; check boxes and radio buttons add 4 when checked. A push-like button is drawn as a push button and
// shows no checked state.
struct ButtonFace {
    int element = 0;
    int frame = 0;
};
ButtonFace ChooseButtonFace(int element, std::uint32_t style, const ButtonState& state);

// A push button's caption within rect, by the style's alignment fields; cxEdge and cyBorder are the system's edge
// and border metrics.
Rect PushButtonTextRect(const Rect& rect, TextSize text, std::uint32_t style, std::int32_t cxEdge,
                        std::int32_t cyBorder);

// A check box's or radio button's caption: beside a box boxWidth pixels wide, centred on the face's height.
Rect CheckTextRect(const Rect& rect, std::int32_t boxWidth, std::int32_t fontHeight);

// The caption of a group box whose window is rect: placed from a side by the dialog's horizontal base unit, or
// centred. cxEdge and cyEdge are the system's edge metrics.
Rect GroupCaptionRect(const Rect& rect, TextSize text, std::uint32_t style, std::int32_t cxEdge, std::int32_t cyEdge,
                      std::int32_t baseUnitX);
// The group's frame: the window with its top moved down to the middle of the caption.
Rect GroupFrameRect(const Rect& rect, const Rect& caption);
// Where the caption's text starts within the caption rectangle.
std::int32_t GroupCaptionTextLeft(const Rect& caption, std::uint32_t style, std::int32_t cxEdge);

// The text-drawing flags of a static control's style.
std::uint32_t StaticTextFlags(std::uint32_t style);

// The radio group of the sibling at self, given which siblings (in z-order) start a group: from self if it starts
// one, else from the nearest one before it that does, else from the first sibling; up to, not including, the next
// sibling that starts a group.
struct SiblingSpan {
    std::size_t first = 0;
    std::size_t end = 0;
};
SiblingSpan RadioGroupSpan(const std::vector<bool>& startsGroup, std::size_t self);

// What a click does to the skin's check state: an automatic check box toggles, an automatic radio button checks
// itself and unchecks its group; every other type is left to the parent.
enum class AutoStep { None, Toggle, CheckInGroup };
AutoStep AutoStepFor(std::uint32_t style);

} // namespace tarnvale
