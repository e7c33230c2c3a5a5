// Skin objects of list views and their headers: the list view's flat border and its skinned bars kept current, the
// header's items drawn from the skin with hot and pressed looks.
#pragma once

#include "skin/win/SkinControl.h"
#include "skin/win/SkinScrolling.h"

namespace tarnvale {

class SkinListView : public SkinScrolling {
public:
    SkinListView(LoadedSkin& skin, SkinRegistry& registry) : SkinScrolling(skin, registry, SkinKind::ListView) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The flat border in the skin's "ListView" colour, over the control's own edge.
    void Paint(HDC hdc, const RECT& rect) override;
    bool HasPaint() const override;

private:
    static const Handler<SkinListView> kHandlers[];

    LRESULT OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam);
};

class SkinHeader : public SkinControl {
public:
    SkinHeader(LoadedSkin& skin, SkinRegistry& registry) : SkinControl(skin, registry, SkinKind::Header) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Without its image the header is the control's, whole.
    bool Skinned() const override;
    // Every item from the "Header" element with its text left-aligned, then the filler right of the last item.
    void Paint(HDC hdc, const RECT& rect) override;
    bool HasPaint() const override { return true; }

private:
    static const Handler<SkinHeader> kHandlers[];

    LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseLeave(UINT message, WPARAM wParam, LPARAM lParam);

    POINT hoverPoint_ = kNoHoverPoint; // the cursor over the header, client coordinates
};

} // namespace tarnvale
