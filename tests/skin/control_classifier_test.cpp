// The classification table: every class and style it names, and the classes it leaves alone.
#include "skin/ControlClassifier.h"

#include <gtest/gtest.h>

namespace tarnvale {
namespace {

TEST(ControlClassifier, Table) {
    struct Row {
        const char* className;
        std::uint32_t style, exStyle;
        const char* parentClass;
        std::uint32_t parentStyle;
        SkinKind expected;
    } rows[] = {
        {"Static", 0x0, 0, "#32770", 0, SkinKind::Static}, // SS_LEFT
        {"STATIC", 0x1, 0, "", 0, SkinKind::Static},       // SS_CENTER, any case
        {"Static", 0x2, 0, "", 0, SkinKind::Static},       // SS_RIGHT
        {"Static", 0xC, 0, "", 0, SkinKind::Static},       // SS_LEFTNOWORDWRAP
        {"Static", 0x100C, 0, "", 0, SkinKind::Static},    // other bits do not matter
        {"Static", 0x3, 0, "", 0, SkinKind::None},         // SS_ICON
        {"Static", 0x4, 0, "", 0, SkinKind::None},         // SS_BLACKRECT
        {"Static", 0x10, 0, "", 0, SkinKind::None},        // SS_ETCHEDHORZ
        {"Static", 0xD, 0, "", 0, SkinKind::None},         // SS_OWNERDRAW
        {"Button", 0x0, 0, "", 0, SkinKind::PushButton},
        {"Button", 0x1, 0, "", 0, SkinKind::PushButton},   // BS_DEFPUSHBUTTON
        {"Button", 0x40, 0, "", 0, SkinKind::None},        // BS_ICON
        {"Button", 0x80, 0, "", 0, SkinKind::None},        // BS_BITMAP
        {"Button", 0x8000, 0, "", 0, SkinKind::None},      // BS_FLAT
        {"Button", 0x0, 0x200, "", 0, SkinKind::None},     // WS_EX_CLIENTEDGE
        {"Button", 0x0, 0x100, "", 0, SkinKind::None},     // WS_EX_WINDOWEDGE
        {"Button", 0x0, 0x20000, "", 0, SkinKind::None},   // WS_EX_STATICEDGE
        {"Button", 0x0, 0x4, "", 0, SkinKind::PushButton}, // WS_EX_NOPARENTNOTIFY is no edge
        {"Button", 0x4, 0, "", 0, SkinKind::RadioButton},
        {"Button", 0x9, 0, "", 0, SkinKind::RadioButton}, // BS_AUTORADIOBUTTON
        {"Button", 0x7, 0, "", 0, SkinKind::GroupBox},
        {"Button", 0x2, 0, "", 0, SkinKind::CheckBox},
        {"Button", 0x3, 0, "", 0, SkinKind::CheckBox},    // BS_AUTOCHECKBOX
        {"Button", 0x5, 0, "", 0, SkinKind::CheckBox},    // BS_3STATE
        {"Button", 0x6, 0, "", 0, SkinKind::CheckBox},    // BS_AUTO3STATE
        {"Button", 0x1003, 0, "", 0, SkinKind::CheckBox}, // BS_PUSHLIKE check box
        {"Button", 0x8, 0, "", 0, SkinKind::None},        // BS_USERBUTTON
        {"Button", 0xA, 0, "", 0, SkinKind::None},        // BS_PUSHBOX
        {"Button", 0xB, 0, "", 0, SkinKind::None},        // BS_OWNERDRAW
        {"Button", 0xF, 0, "", 0, SkinKind::None},
        {"Edit", 0x0, 0x200, "#32770", 0, SkinKind::Edit},
        {"Edit", 0x0, 0, "ComboBox", 0x1, SkinKind::None}, // inside a simple combo box
        {"Edit", 0x0, 0, "combobox", 0x2, SkinKind::Edit}, // inside a drop-down combo box
        {"ComboBox", 0x1, 0, "", 0, SkinKind::ChildrenOnly},
        {"ComboBox", 0x2, 0, "", 0, SkinKind::ComboBox}, // CBS_DROPDOWN
        {"ComboBox", 0x3, 0, "", 0, SkinKind::ComboBox}, // CBS_DROPDOWNLIST
        {"ComboLBox", 0x0, 0, "", 0, SkinKind::ListBox},
        {"ListBox", 0x0, 0, "", 0, SkinKind::ListBox},
        {"SysListView32", 0x0, 0, "", 0, SkinKind::ListView},
        {"SysHeader32", 0x0, 0, "", 0, SkinKind::Header},
        {"SHELLDLL_DefView", 0x0, 0, "", 0, SkinKind::None},
        {"ScrollBar", 0x0, 0, "", 0, SkinKind::ScrollBar}, // SBS_HORZ
        {"ScrollBar", 0x1, 0, "", 0, SkinKind::ScrollBar}, // SBS_VERT
        {"ScrollBar", 0x8, 0, "", 0, SkinKind::None},      // SBS_SIZEBOX
        {"ScrollBar", 0x10, 0, "", 0, SkinKind::None},     // SBS_SIZEGRIP
        {"ToolbarWindow32", 0x0, 0, "", 0, SkinKind::None},
        {"SysTabControl32", 0x0, 0, "", 0, SkinKind::None},
        {"msctls_updown32", 0x0, 0, "", 0, SkinKind::None},
        {"Edit2", 0x0, 0, "", 0, SkinKind::None}, // whole names only
        {"", 0x0, 0, "", 0, SkinKind::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.className) + " style " + std::to_string(row.style));
        const SkinKind kind =
            ClassifyControl({row.className, row.style, row.exStyle, row.parentClass, row.parentStyle});
        EXPECT_EQ(kind, row.expected) << SkinKindName(kind) << " instead of " << SkinKindName(row.expected);
    }
}

} // namespace
} // namespace tarnvale
