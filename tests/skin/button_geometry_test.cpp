// Button and static arithmetic: face frames per state, caption places by alignment field, the static's drawing
// flags, radio groups and the click's effect on the check state.
#include "skin/ButtonGeometry.h"
#include "skin/SkinElement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnvale {
namespace {

std::string Describe(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TEST(ButtonGeometry, FaceFramePerState) {
    constexpr std::uint32_t kCheckBox = 0x3;
    struct Row {
        const char* name;
        int element;
        std::uint32_t style;
        ButtonState state;
        ButtonFace face;
    } rows[] = {
        {"push, normal", kElementPushButton, 0, {}, {kElementPushButton, 0}},
        {"push, focused", kElementPushButton, 0, {.focused = true}, {kElementPushButton, 2}},
        {"push, pressed while hot", kElementPushButton, 0, {.pressed = true, .hot = true}, {kElementPushButton, 1}},
        {"push, disabled", kElementPushButton, 0, {.disabled = true}, {kElementPushButton, 3}},
        {"check box, focused only", kElementCheckBox, kCheckBox, {.focused = true}, {kElementCheckBox, 0}},
        {"check box, hot and checked",
         kElementCheckBox,
         kCheckBox,
         {.hot = true, .checked = true},
         {kElementCheckBox, 6}},
        {"radio, disabled and checked",
         kElementRadioButton,
         0x9,
         {.disabled = true, .checked = true},
         {kElementRadioButton, 7}},
        // A push-like check box is a push button, and shows no checked state.
        {"push-like check box, checked",
         kElementCheckBox,
         kCheckBox | kButtonPushLike,
         {.focused = true, .checked = true},
         {kElementPushButton, 2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ButtonFace face = ChooseButtonFace(row.element, row.style, row.state);
        EXPECT_EQ(face.element, row.face.element);
        EXPECT_EQ(face.frame, row.face.frame);
    }
}

TEST(ButtonGeometry, CaptionsPlacedByTheValueOfTheAlignmentField) {
    constexpr std::int32_t cxEdge = 2, cyBorder = 1, cyEdge = 2, baseUnit = 6;
    const Rect button{10, 20, 110, 50};
    const TextSize text{40, 12};
    struct PushRow {
        const char* name;
        std::uint32_t style;
        Rect caption;
    } pushRows[] = {
        {"no alignment", 0, {40, 29, 80, 41}},
        {"left", kButtonLeft, {12, 29, 52, 41}},
        {"right", kButtonRight, {68, 29, 108, 41}},
        {"center, which holds the right bit", kButtonCenter, {40, 29, 80, 41}},
        {"top", kButtonTop, {40, 21, 80, 33}},
        {"bottom", kButtonBottom, {40, 37, 80, 49}},
        {"vertical center, which holds the bottom bit", kButtonTop | kButtonBottom, {40, 29, 80, 41}},
    };
    for (const PushRow& row : pushRows) {
        SCOPED_TRACE(row.name);
        const Rect caption = PushButtonTextRect(button, text, row.style, cxEdge, cyBorder);
        EXPECT_EQ(caption, row.caption) << Describe(caption);
    }

    const Rect group{0, 0, 200, 100};
    const TextSize title{50, 13};
    struct GroupRow {
        const char* name;
        std::uint32_t style;
        Rect caption;
        std::int32_t textLeft;
    } groupRows[] = {
        {"no alignment", 0, {4, 1, 58, 15}, 6},
        {"left", kButtonLeft, {4, 1, 58, 15}, 6},
        {"right", kButtonRight, {142, 1, 196, 15}, 140},
        {"center", kButtonCenter, {73, 1, 127, 15}, 73},
    };
    for (const GroupRow& row : groupRows) {
        SCOPED_TRACE(row.name);
        const Rect caption = GroupCaptionRect(group, title, row.style, cxEdge, cyEdge, baseUnit);
        EXPECT_EQ(caption, row.caption) << Describe(caption);
        EXPECT_EQ(GroupCaptionTextLeft(caption, row.style, cxEdge), row.textLeft);
        EXPECT_EQ(GroupFrameRect(group, caption), (Rect{0, 7, 200, 100}));
    }

    // A tall check box: the text beside the box, centred on the face's height whatever the box's own height.
    EXPECT_EQ(CheckTextRect({0, 0, 100, 40}, 13, 14), (Rect{17, 13, 117, 53}));
}

TEST(ButtonGeometry, StaticStyleToDrawingFlags) {
    constexpr std::uint32_t kLeft = 0x0;
    struct Row {
        const char* name;
        std::uint32_t style;
        std::uint32_t flags;
    } rows[] = {
        {"left", kLeft, 0x150},
        {"center", kStaticCenter, 0x151},
        {"right", kStaticRight, 0x152},
        {"left, no word wrap", kStaticLeftNoWordWrap, 0x160},
        {"end ellipsis", kStaticEndEllipsis, 0x150 | kTextEndEllipsis | kTextSingleLine},
        {"path ellipsis", kStaticPathEllipsis, 0x150 | kTextPathEllipsis | kTextSingleLine},
        // Both ellipsis bits: the word ellipsis alone, not the end and path ellipses together.
        {"word ellipsis", kStaticWordEllipsis, 0x150 | kTextWordEllipsis | kTextSingleLine},
        {"no prefix", kStaticNoPrefix, 0x150 | kTextNoPrefix},
        {"centred image", kStaticCenterImage, 0x150 | kTextVCenter | kTextSingleLine},
        {"right, word ellipsis, no prefix", kStaticRight | kStaticWordEllipsis | kStaticNoPrefix,
         0x152 | kTextWordEllipsis | kTextSingleLine | kTextNoPrefix},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(StaticTextFlags(row.style), row.flags);
    }
}

TEST(ButtonGeometry, RadioGroupsAndTheClicksEffect) {
    // Siblings in z-order; true where one starts a group.
    const std::vector<bool> starts = {false, true, false, false, true, false};
    struct Row {
        std::size_t self;
        SiblingSpan span;
    } rows[] = {
        {0, {0, 1}}, // before any group start: from the first sibling
        {1, {1, 4}}, // a group start begins its own group
        {3, {1, 4}},
        {5, {4, 6}}, // the last group runs to the end
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.self);
        const SiblingSpan span = RadioGroupSpan(starts, row.self);
        EXPECT_EQ(span.first, row.span.first);
        EXPECT_EQ(span.end, row.span.end);
    }
    const std::vector<bool> noGroups = {false, false, false};
    EXPECT_EQ(RadioGroupSpan(noGroups, 2).first, 0u);
    EXPECT_EQ(RadioGroupSpan(noGroups, 2).end, 3u);

    EXPECT_EQ(AutoStepFor(kButtonAutoCheckBox), AutoStep::Toggle);
    EXPECT_EQ(AutoStepFor(kButtonAutoCheckBox | kButtonPushLike), AutoStep::Toggle);
    EXPECT_EQ(AutoStepFor(kButtonAutoRadio), AutoStep::CheckInGroup);
    for (std::uint32_t type : {0x0u, 0x2u, 0x4u, 0x5u, 0x6u}) { // push, check box, radio, three-state, auto three-state
        SCOPED_TRACE(type);
        EXPECT_EQ(AutoStepFor(type), AutoStep::None);
    }
}

} // namespace
} // namespace tarnvale
