// Skin object of stand-alone "ScrollBar" controls.
#pragma once

#include "skin/win/SkinControl.h"

namespace tarnvale {

class SkinScrollBar : public SkinControl {
public:
    explicit SkinScrollBar(SkinManager& owner) : SkinControl(owner, SkinKind::ScrollBar) {}
};

} // namespace tarnvale
