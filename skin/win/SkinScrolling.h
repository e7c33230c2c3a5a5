// The base of the control kinds that scroll (edits, list boxes, list views, stand-alone scroll bars): a control that
// owns skinned scroll bars and lets them see its messages before the rest of the base.
#pragma once

#include "skin/win/SkinBars.h"
#include "skin/win/SkinControl.h"

#include <cstddef>

namespace tarnvale {

class SkinScrolling : public SkinControl {
public:
    // kind is one of the kinds with a row in the scrolling table.
    SkinScrolling(LoadedSkin& skin, SkinRegistry& registry, SkinKind kind);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintBars() override { bars_.PaintNonClient(); }

protected:
    // How every scrolling kind routes a message: the kind's table; else, after a key or mouse message (the control
    // may have scrolled), this procedure and the bars repainted; else this procedure.
    template <typename Kind, std::size_t N>
    LRESULT Route(Kind& self, const Handler<Kind> (&table)[N], UINT message, WPARAM wParam, LPARAM lParam) {
        LRESULT result;
        if (Dispatch(self, table, message, wParam, lParam, result))
            return result;
        if (IsKeyOrMouseMessage(message))
            return BaseThenBars(message, wParam, lParam);
        return SkinScrolling::WindowProc(message, wParam, lParam);
    }
    // The keyboard messages (WM_KEYDOWN to WM_SYSDEADCHAR) and the mouse messages of the client area (WM_MOUSEMOVE
    // to WM_MOUSEWHEEL).
    static bool IsKeyOrMouseMessage(UINT message) {
        return (message >= WM_KEYDOWN && message <= WM_SYSDEADCHAR) ||
               (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL);
    }
    // This procedure, or the previous one, and then the skinned bars repainted, for messages after which the
    // control may have scrolled or changed its range. The bars are left alone when the control did not outlive the
    // message (it may have told its parent, whose handler may have destroyed it).
    LRESULT BaseThenBars(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT PreviousThenBars(UINT message, WPARAM wParam, LPARAM lParam);
    // This procedure; false when the control did not outlive the message.
    bool BaseAndStay(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // WM_NCPAINT of an edit or a list box: this procedure paints the non-client area but for a 2-pixel band along
    // the edges, so that the control's own edge stays unpainted while its bars are; then the flat border in border
    // goes over it. A control without an edge of its own (the edit inside a combo box, a borderless edit) gets none.
    LRESULT NcPaintWithFlatBorder(UINT message, WPARAM wParam, LPARAM lParam, COLORREF border);

    SkinBars bars_;

private:
    friend class SkinBars;
};

} // namespace tarnvale
