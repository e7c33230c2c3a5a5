// Skin objects of list views and their headers.
#pragma once

#include "skin/win/SkinControl.h"

namespace tarnvale {

class SkinListView : public SkinControl {
public:
    explicit SkinListView(SkinManager& owner) : SkinControl(owner, SkinKind::ListView) {}
};

class SkinHeader : public SkinControl {
public:
    explicit SkinHeader(SkinManager& owner) : SkinControl(owner, SkinKind::Header) {}
};

} // namespace tarnvale
