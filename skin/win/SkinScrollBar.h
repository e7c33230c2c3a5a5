// Skin object of stand-alone "ScrollBar" controls: the whole control is one skinned bar, which tells its parent of
// line steps and thumb drags as a scroll-bar control does.
#pragma once

#include "skin/win/SkinScrolling.h"

namespace tarnvale {

class SkinScrollBar : public SkinScrolling {
public:
    SkinScrollBar(LoadedSkin& skin, SkinRegistry& registry) : SkinScrolling(skin, registry, SkinKind::ScrollBar) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Without all five bar images the control is the system's, whole.
    bool Skinned() const override;
    // The whole control as one bar, vertical when the style has SBS_VERT.
    void Paint(HDC hdc, const RECT& rect) override;
    bool HasPaint() const override { return true; }

private:
    static const Handler<SkinScrollBar> kHandlers[];

    bool Vertical() const;

    LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetPos(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetScrollInfo(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDblClk(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseLeave(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCaptureChanged(UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace tarnvale
