// Skin objects of "Button" and "Static" controls: push buttons, radio buttons, check boxes, group boxes and text.
#pragma once

#include "skin/win/SkinControl.h"

namespace tarnvale {

class SkinStatic : public SkinControl {
public:
    explicit SkinStatic(SkinManager& owner) : SkinControl(owner, SkinKind::Static) {}
};

class SkinPushButton : public SkinControl {
public:
    explicit SkinPushButton(SkinManager& owner) : SkinControl(owner, SkinKind::PushButton) {}
};

class SkinRadioButton : public SkinControl {
public:
    explicit SkinRadioButton(SkinManager& owner) : SkinControl(owner, SkinKind::RadioButton) {}
};

class SkinCheckBox : public SkinControl {
public:
    explicit SkinCheckBox(SkinManager& owner) : SkinControl(owner, SkinKind::CheckBox) {}
};

class SkinGroupBox : public SkinControl {
public:
    explicit SkinGroupBox(SkinManager& owner) : SkinControl(owner, SkinKind::GroupBox) {}
};

} // namespace tarnvale
