// Faces, caption rectangles, static text flags and radio groups of the skinned buttons and texts.
#include "skin/ButtonGeometry.h"

#include "skin/SkinElement.h"

namespace tarnvale {
namespace {

constexpr int kFrameNormal = 0, kFramePressed = 1, kFrameHot = 2, kFrameDisabled = 3, kCheckedFrames = 4;

} // namespace

ButtonFace ChooseButtonFace(int element, std::uint32_t style, const ButtonState& state) {
    if (style & kButtonPushLike)
        element = kElementPushButton;
    const bool push = element == kElementPushButton;
    int frame = kFrameNormal;
    if (state.pressed)
        frame = kFramePressed;
    else if (state.hot || (state.focused && push))
        frame = kFrameHot;
    else if (state.disabled)
        frame = kFrameDisabled;
    if (state.checked && !push)
        frame += kCheckedFrames;
    return {element, frame};
}

Rect PushButtonTextRect(const Rect& rect, TextSize text, std::uint32_t style, std::int32_t cxEdge,
                        std::int32_t cyBorder) {
    Rect out;
    switch (style & kButtonHorizontalField) {
    case kButtonLeft:
        out.left = rect.left + cxEdge;
        break;
    case kButtonRight:
        out.left = rect.right - cxEdge - text.width;
        break;
    default: // none, or kButtonCenter
        out.left = rect.left + (rect.Width() - text.width) / 2;
        break;
    }
    switch (style & kButtonVerticalField) {
    case kButtonTop:
        out.top = rect.top + cyBorder;
        break;
    case kButtonBottom:
        out.top = rect.bottom - cyBorder - text.height;
        break;
    default:
        out.top = rect.top + (rect.Height() - text.height) / 2;
        break;
    }
    out.right = out.left + text.width;
    out.bottom = out.top + text.height;
    return out;
}

Rect CheckTextRect(const Rect& rect, std::int32_t boxWidth, std::int32_t fontHeight) {
    return rect.Offset(boxWidth + 4, (rect.Height() - fontHeight) / 2);
}

Rect GroupCaptionRect(const Rect& rect, TextSize text, std::uint32_t style, std::int32_t cxEdge, std::int32_t cyEdge,
                      std::int32_t baseUnitX) {
    const std::int32_t width = text.width + 2 * cxEdge;
    Rect out;
    switch (style & kButtonHorizontalField) {
    case kButtonRight:
        out.right = rect.right - baseUnitX + cxEdge;
        out.left = out.right - width;
        break;
    case kButtonCenter:
        out.left = rect.left + (rect.Width() - width) / 2;
        out.right = out.left + width;
        break;
    default:
        out.left = rect.left + baseUnitX - cxEdge;
        out.right = out.left + width;
        break;
    }
    out.top = rect.top + 1;
    out.bottom = rect.top + cyEdge + text.height;
    return out;
}

Rect GroupFrameRect(const Rect& rect, const Rect& caption) {
    Rect frame = rect;
    frame.top += caption.Height() / 2;
    return frame;
}

std::int32_t GroupCaptionTextLeft(const Rect& caption, std::uint32_t style, std::int32_t cxEdge) {
    switch (style & kButtonHorizontalField) {
    case kButtonRight:
        return caption.left - cxEdge;
    case kButtonCenter:
        return caption.left;
    default:
        return caption.left + cxEdge;
    }
}

std::uint32_t StaticTextFlags(std::uint32_t style) {
    constexpr std::uint32_t kWrapped = kTextNoClip | kTextExpandTabs | kTextWordBreak;
    std::uint32_t flags = kWrapped;
    switch (style & kStaticTypeField) {
    case kStaticCenter:
        flags = kWrapped | kTextCenter;
        break;
    case kStaticRight:
        flags = kWrapped | kTextRight;
        break;
    case kStaticLeftNoWordWrap:
        flags = kTextNoClip | kTextExpandTabs | kTextSingleLine;
        break;
    default:
        break;
    }
    switch (style & kStaticEllipsisField) {
    case kStaticEndEllipsis:
        flags |= kTextEndEllipsis | kTextSingleLine;
        break;
    case kStaticPathEllipsis:
        flags |= kTextPathEllipsis | kTextSingleLine;
        break;
    case kStaticWordEllipsis:
        flags |= kTextWordEllipsis | kTextSingleLine;
        break;
    default:
        break;
    }
    if (style & kStaticNoPrefix)
        flags |= kTextNoPrefix;
    if (style & kStaticCenterImage)
        flags |= kTextVCenter | kTextSingleLine;
    return flags;
}

SiblingSpan RadioGroupSpan(const std::vector<bool>& startsGroup, std::size_t self) {
    if (self >= startsGroup.size())
        return {};
    std::size_t first = self;
    while (first > 0 && !startsGroup[first])
        --first;
    std::size_t end = first + 1;
    while (end < startsGroup.size() && !startsGroup[end])
        ++end;
    return {first, end};
}

AutoStep AutoStepFor(std::uint32_t style) {
    switch (style & kButtonTypeField) {
    case kButtonAutoCheckBox:
        return AutoStep::Toggle;
    case kButtonAutoRadio:
        return AutoStep::CheckInGroup;
    default:
        return AutoStep::None;
    }
}

} // namespace tarnvale
