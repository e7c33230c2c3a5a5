// Skin objects of edit controls, combo boxes and list boxes (the drop-down lists of combo boxes included).
#pragma once

#include "skin/win/SkinControl.h"

namespace tarnvale {

class SkinEdit : public SkinControl {
public:
    explicit SkinEdit(SkinManager& owner) : SkinControl(owner, SkinKind::Edit) {}
};

class SkinComboBox : public SkinControl {
public:
    explicit SkinComboBox(SkinManager& owner) : SkinControl(owner, SkinKind::ComboBox) {}
};

class SkinListBox : public SkinControl {
public:
    explicit SkinListBox(SkinManager& owner) : SkinControl(owner, SkinKind::ListBox) {}
};

} // namespace tarnvale
