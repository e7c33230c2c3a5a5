// The classification table: window class and style to skin kind.
#include "skin/ControlClassifier.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace tarnvale {
namespace {

// Style bits the table tests (values of the platform's window styles).
constexpr std::uint32_t kStaticTypeMask = 0x1F;      // SS_TYPEMASK
constexpr std::uint32_t kButtonTypeMask = 0xF;       // BS_TYPEMASK
constexpr std::uint32_t kButtonImageOrFlat = 0x80C0; // BS_ICON | BS_BITMAP | BS_FLAT
constexpr std::uint32_t kEdgeExStyles = 0x20300;     // WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE
constexpr std::uint32_t kComboTypeMask = 0x3;
constexpr std::uint32_t kComboSimple = 0x1;       // CBS_SIMPLE
constexpr std::uint32_t kScrollBarSizeBox = 0x18; // SBS_SIZEBOX | SBS_SIZEGRIP

bool SameClass(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool IsTextStatic(const ControlFacts& f) {
    const std::uint32_t type = f.style & kStaticTypeMask;
    return type == 0x0 || type == 0x1 || type == 0x2 || type == 0xC; // SS_LEFT, SS_CENTER, SS_RIGHT, SS_LEFTNOWORDWRAP
}

template <std::uint32_t... Types>
bool ButtonTypeIs(const ControlFacts& f) {
    const std::uint32_t type = f.style & kButtonTypeMask;
    return ((type == Types) || ...);
}

struct Row {
    std::string_view className;
    bool (*matches)(const ControlFacts&);
    SkinKind kind;
};

constexpr auto kAlways = [](const ControlFacts&) { return true; };

const std::array kTable = {
    Row{"Static", IsTextStatic, SkinKind::Static},
    Row{"Static", kAlways, SkinKind::None},
    Row{"Button",
        [](const ControlFacts& f) { return (f.style & kButtonImageOrFlat) != 0 || (f.exStyle & kEdgeExStyles) != 0; },
        SkinKind::None},
    Row{"Button", ButtonTypeIs<0x0, 0x1>, SkinKind::PushButton},  // BS_PUSHBUTTON, BS_DEFPUSHBUTTON
    Row{"Button", ButtonTypeIs<0x4, 0x9>, SkinKind::RadioButton}, // BS_RADIOBUTTON, BS_AUTORADIOBUTTON
    Row{"Button", ButtonTypeIs<0x7>, SkinKind::GroupBox},
    Row{"Button", ButtonTypeIs<0x8, 0xA, 0xB, 0xC, 0xD, 0xE, 0xF>, SkinKind::None}, // user, push box, owner-drawn..
    Row{"Button", ButtonTypeIs<0x2, 0x3, 0x5, 0x6>, SkinKind::CheckBox},            // check boxes and three-state boxes
    Row{"Edit",
        [](const ControlFacts& f) {
            return SameClass(f.parentClassName, "ComboBox") && (f.parentStyle & kComboTypeMask) == kComboSimple;
        },
        SkinKind::None},
    Row{"Edit", kAlways, SkinKind::Edit},
    Row{"ComboBox", [](const ControlFacts& f) { return (f.style & kComboTypeMask) == kComboSimple; },
        SkinKind::ChildrenOnly},
    Row{"ComboBox", kAlways, SkinKind::ComboBox},
    Row{"ComboLBox", kAlways, SkinKind::ListBox},
    Row{"ListBox", kAlways, SkinKind::ListBox},
    Row{"SysListView32", kAlways, SkinKind::ListView},
    Row{"SysHeader32", kAlways, SkinKind::Header},
    Row{"SHELLDLL_DefView", kAlways, SkinKind::None},
    Row{"ScrollBar", [](const ControlFacts& f) { return (f.style & kScrollBarSizeBox) != 0; }, SkinKind::None},
    Row{"ScrollBar", kAlways, SkinKind::ScrollBar},
};

} // namespace

SkinKind ClassifyControl(const ControlFacts& facts) {
    for (const Row& row : kTable) {
        if (SameClass(row.className, facts.className) && row.matches(facts))
            return row.kind;
    }
    return SkinKind::None; // toolbars, tab controls and every other class
}

const char* SkinKindName(SkinKind kind) {
    static constexpr std::array<const char*, 13> kNames = {
        "none", "children only", "static",   "push button", "radio button", "check box", "group box",
        "edit", "combo box",     "list box", "scroll bar",  "header",       "list view",
    };
    const auto index = static_cast<std::size_t>(kind);
    return index < kNames.size() ? kNames[index] : "?";
}

} // namespace tarnvale
