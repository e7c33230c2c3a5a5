// The scrolling kinds' base: the bars first, then the control base, and the repaint paths after scrolling.
#include "skin/win/SkinScrolling.h"

#include "skin/win/LoadedSkin.h"

namespace tarnvale {
namespace {

// Every kind made as a scrolling one has its row; this one only keeps a wrong kind from having none.
constexpr ScrollWay kNoScrollWay{SkinKind::None, false, false, false};

} // namespace

SkinScrolling::SkinScrolling(LoadedSkin& skin, SkinRegistry& registry, SkinKind kind)
    : SkinControl(skin, registry, kind), bars_(*this, ScrollWayOf(kind) ? *ScrollWayOf(kind) : kNoScrollWay) {}

LRESULT SkinScrolling::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (bars_.Handle(message, wParam, lParam, result))
        return result;
    return SkinControl::WindowProc(message, wParam, lParam);
}

bool SkinScrolling::BaseAndStay(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = SkinScrolling::WindowProc(message, wParam, lParam);
    return Attached();
}

LRESULT SkinScrolling::BaseThenBars(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (BaseAndStay(message, wParam, lParam, result))
        bars_.PaintNonClient();
    return result;
}

LRESULT SkinScrolling::PreviousThenBars(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (CallPreviousAndStay(message, wParam, lParam, result))
        bars_.PaintNonClient();
    return result;
}

LRESULT SkinScrolling::NcPaintWithFlatBorder(UINT message, WPARAM wParam, LPARAM lParam, COLORREF border) {
    if (BorderWidthOf(window_) == 0)
        return SkinScrolling::WindowProc(message, wParam, lParam);
    constexpr int kEdgeBand = 2;
    RECT bounds;
    GetWindowRect(window_, &bounds);
    LRESULT result;
    {
        // In screen coordinates, as every WM_NCPAINT region.
        UniqueRegion inside(CreateRectRgn(bounds.left + kEdgeBand, bounds.top + kEdgeBand, bounds.right - kEdgeBand,
                                          bounds.bottom - kEdgeBand));
        if (!BaseAndStay(message, reinterpret_cast<WPARAM>(inside.get()), lParam, result))
            return result;
    }
    WindowDC windowDC(window_);
    if (!windowDC)
        return result;
    OffsetRect(&bounds, -bounds.left, -bounds.top);
    DrawFlatBorder(windowDC.get(), bounds, border, GetSysColor(COLOR_WINDOW));
    return result;
}

} // namespace tarnvale
