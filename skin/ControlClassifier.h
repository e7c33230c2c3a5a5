// Which skin object a control gets, decided from its window class and styles alone.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarnvale {

enum class SkinKind {
    None,         // left to the system
    ChildrenOnly, // not skinned itself, but its child windows are attached (a simple combo box)
    Static,
    PushButton,
    RadioButton,
    CheckBox,
    GroupBox,
    Edit,
    ComboBox,
    ListBox,
    ScrollBar,
    Header,
    ListView,
};

// What the classification looks at. Class names are compared without regard to case.
struct ControlFacts {
    std::string_view className;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::string_view parentClassName; // only edit controls look at their parent
    std::uint32_t parentStyle = 0;
};

// The first row of the classification table that matches decides.
SkinKind ClassifyControl(const ControlFacts& facts);

// Short readable name of a kind, for messages and test output.
const char* SkinKindName(SkinKind kind);

} // namespace tarnvale
