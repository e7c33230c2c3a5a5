// The skin object of one control, the base of every control kind. The base procedure keeps the focus flag and lays the
// kind's painting over the control's own; the kinds that scroll add skinned bars (SkinScrolling).
#pragma once

#include "skin/ControlClassifier.h"
#include "skin/win/SkinWindow.h"
#include "skin/win/WindowStyle.h"

#include <windows.h>

#include <string>

namespace tarnvale {

class LoadedSkin;
class SkinRegistry;

// The cursor is over none of the control.
inline constexpr POINT kNoHoverPoint{-1, -1};

class SkinControl : public SkinWindow {
public:
    SkinControl(LoadedSkin& skin, SkinRegistry& registry, SkinKind kind) : SkinWindow(skin, registry), kind_(kind) {}

    // Handles one message of the control; what a kind does not handle it passes here, and what the base does not
    // handle goes to the previous procedure.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Paints the skin over the control into hdc, whose origin is the window's top-left corner; rect is the whole
    // window. The base draws nothing.
    virtual void Paint(HDC hdc, const RECT& rect);
    // Whether this kind's Paint draws anything: a kind that draws nothing is spared the window copy. Kinds that
    // override Paint say so here.
    virtual bool HasPaint() const { return false; }

    // The ways the skin repaints a control; every repaint goes through one of them, and none paints while the
    // control's redraw is off (WM_SETREDRAW): it repaints once when redraw comes back on.
    // The whole client area, erased and painted now.
    void Redraw();
    // Paint over the whole window (non-client area included) through an off-screen copy of the window's image.
    void PaintBuffered();
    // PaintBuffered at WM_NCPAINT, unless the client area waits for a WM_PAINT or the frame is painted from within
    // one: that WM_PAINT's PaintBuffered lays the same pixels over the whole window anyway.
    void PaintBufferedAtNcPaint();

    // Repaints the control's skinned scroll bars; kinds that do not scroll have none.
    virtual void PaintBars() {}

    SkinKind Kind() const { return kind_; }

    // A one-pixel frame around rect in border, with a one-pixel line of inner inside it: the flat border the skin
    // draws in place of a control's own edge.
    static void DrawFlatBorder(HDC hdc, const RECT& rect, COLORREF border, COLORREF inner);

protected:
    // The previous procedure, then the client area repainted, for messages after which the control shows
    // something new in its own look (a text, the enabled state).
    LRESULT PreviousThenRedraw(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_PAINT answered by the skin alone: the update region validated and the kind's painting laid on; 0.
    LRESULT PaintNow();
    // The control's text, asked of its own procedure: a paint needs it every time, and sent through the window's
    // whole chain it would cost two messages each time.
    std::string OwnText();
    // Paints the part of the dialog's tiled background that lies under the control into hdc, whose origin is the
    // control's client area; nothing when the skin has no background tile.
    void PaintParentBackground(HDC hdc);

    // Handlers the kinds' tables share.
    // WM_PAINT: PaintNow.
    LRESULT OnSkinPaint(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_NCPAINT of a kind whose painting covers the control's edge too: the control's own is never drawn.
    LRESULT OnSkinNcPaint(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_ERASEBKGND of a kind that paints over the dialog's background where it lies.
    LRESULT OnEraseToParentBackground(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_ERASEBKGND of a kind whose painting covers what it must: nothing erased.
    LRESULT OnEraseNothing(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_MOUSELEAVE of a kind that looks hot while the cursor is over it.
    LRESULT OnHotLeave(UINT message, WPARAM wParam, LPARAM lParam);
    // Asks for WM_MOUSELEAVE when the cursor leaves the control.
    void ArmLeaveReport();
    // The cursor has come over the control: it looks hot until the leave report (OnHotLeave).
    void BecomeHot();
    // Painter state.
    bool hot = false;           // the cursor is over the control and a leave report is armed
    bool focused = false;       // the control has the keyboard focus
    bool pressed = false;       // the left button (or the space key) holds the control down
    bool redrawOff_ = false;    // the control was told WM_SETREDRAW FALSE and not yet TRUE
    bool paintFollows_ = false; // within a WM_PAINT whose PaintBuffered is still to come

private:
    static const Handler<SkinControl> kHandlers[];

    LRESULT OnFocus(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnEnable(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetRedraw(UINT message, WPARAM wParam, LPARAM lParam);

    SkinKind kind_;
};

} // namespace tarnvale
