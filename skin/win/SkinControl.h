// The skin object of one control: it owns the control's replaced window procedure and is the base of every
// control kind. The base procedure keeps the focus flag, lays the kind's painting over the control's own, and
// draws and operates skinned scroll bars in place of the system's non-client ones.
#pragma once

#include "skin/ControlClassifier.h"
#include "skin/ScrollBarGeometry.h"
#include "skin/win/ProcedureSwap.h"
#include "skin/win/WindowStyle.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace tarnvale {

class SkinManager;

// The cursor is over none of the control.
inline constexpr POINT kNoHoverPoint{-1, -1};

class SkinControl {
public:
    SkinControl(SkinManager& owner, SkinKind kind) : owner_(owner), kind_(kind) {}
    virtual ~SkinControl() = default;
    SkinControl(const SkinControl&) = delete;
    SkinControl& operator=(const SkinControl&) = delete;

    // Handles one message of the control; what a kind does not handle it passes here, and what the base does not
    // handle goes to the previous procedure. The base detaches the object at WM_NCDESTROY, after the control's own
    // procedure has seen it.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Paints the skin over the control into hdc, whose origin is the window's top-left corner; rect is the whole
    // window. The base draws nothing.
    virtual void Paint(HDC hdc, const RECT& rect);
    // Whether this kind's Paint draws anything: a kind that draws nothing is spared the window copy. Kinds that
    // override Paint say so here.
    virtual bool HasPaint() const { return false; }

    // Installs newProcedure and keeps the window's current procedure as the previous one; nothing for a window
    // that does not exist.
    void Subclass(HWND window, WNDPROC newProcedure);
    // Puts the previous procedure back, if ours is still the window's procedure.
    void Unsubclass();

    // The three ways the skin repaints a control; every repaint goes through one of them, and none paints while the
    // control's redraw is off (WM_SETREDRAW): it repaints once when redraw comes back on.
    // The whole client area, erased and painted now.
    void Redraw();
    // Paint over the whole window (non-client area included) through an off-screen copy of the window's image.
    void PaintBuffered();
    // The skinned non-client scroll bars, each through an off-screen copy of its own area.
    void PaintScrollBars();

    // Draws one complete bar (shaft, arrows, thumb) into barRect of hdc, whose origin is the window's top-left corner.
    void DrawScrollBar(HDC hdc, const RECT& barRect, bool vertical);
    // The parts of the bar in barRect, with the thumb where the system puts it.
    BarLayout ComputeBarLayout(const RECT& barRect, bool vertical) const;
    // The scroll position for a thumb dragged offset pixels along the track; kCurrentThumbOffset asks for the
    // thumb's current offset.
    int ThumbTrackToPosition(bool vertical, int offset) const;
    // Skinned bars are in force only while the skin has all five scroll-bar images.
    bool BarsSkinned() const;

    // The arrow auto-repeat's tick: the same line step as the press, if the press was on an arrow. False once the
    // press has ended or the control is gone, which ends the repeat.
    bool RepeatLineStep();

    HWND Window() const { return window_; }
    WNDPROC PreviousProcedure() const { return procedure_.Previous(); }
    SkinKind Kind() const { return kind_; }
    // The window class in upper case, such as "EDIT" or "SYSLISTVIEW32".
    const std::string& ClassName() const { return className_; }
    void SetClassName(std::string className) { className_ = std::move(className); }
    bool Detaching() const { return detaching_; }
    bool RedrawOff() const { return redrawOff_; }

    // The keyboard messages (WM_KEYDOWN to WM_SYSDEADCHAR) and the mouse messages of the client area (WM_MOUSEMOVE
    // to WM_MOUSEWHEEL): after any of them a list or an edit may have scrolled.
    static bool IsKeyOrMouseMessage(UINT message) {
        return (message >= WM_KEYDOWN && message <= WM_SYSDEADCHAR) ||
               (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL);
    }
    // Whether message is one of a kind's table of messages.
    template <std::size_t N>
    static bool IsOneOf(UINT message, const UINT (&messages)[N]) {
        return std::find(std::begin(messages), std::end(messages), message) != std::end(messages);
    }
    // A one-pixel frame around rect in border, with a one-pixel line of inner inside it: the flat border the skin
    // draws in place of a control's own edge.
    static void DrawFlatBorder(HDC hdc, const RECT& rect, COLORREF border, COLORREF inner);

protected:
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);
    // Whether this object still stands for its window: a message sent on may have destroyed both.
    static bool StillAttached(SkinManager& owner, HWND window, const SkinControl* self);
    // Calls the previous procedure, or sends a message to target (the control itself or its parent), and says
    // whether the control outlived it; when it did not, this object is gone and must not be touched.
    bool CallPreviousAndStay(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool SendAndStay(HWND target, UINT message, WPARAM wParam, LPARAM lParam);
    // Sends the line step of a press on an arrow part to target, from the control; false when the control went.
    bool SendLineStep(HWND target, BarPart part, bool vertical);
    // The base procedure, or the previous one, and then the skinned bars repainted, for messages after which the
    // control may have scrolled or changed its range. The bars are left alone when the control did not outlive the
    // message (it may have told its parent, whose handler may have destroyed it).
    LRESULT BaseThenBars(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT PreviousThenBars(UINT message, WPARAM wParam, LPARAM lParam);
    // The previous procedure, then the client area repainted, for messages after which the control shows
    // something new in its own look (a text, the enabled state).
    LRESULT PreviousThenRedraw(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_PAINT answered by the skin alone: the update region validated and the kind's painting laid on; 0.
    LRESULT PaintNow();
    // Asks for WM_MOUSELEAVE when the cursor leaves the control.
    void ArmLeaveReport();
    // The base procedure; false when the control did not outlive the message.
    bool BaseAndStay(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // WM_NCPAINT of an edit or a list box: the base paints the non-client area but for a 2-pixel band along the
    // edges, so that the control's own edge stays unpainted while its bars are; then the flat border in border goes
    // over it. A control without an edge of its own (the edit inside a combo box, a borderless edit) gets none.
    LRESULT NcPaintWithFlatBorder(UINT message, WPARAM wParam, LPARAM lParam, COLORREF border);

    SkinManager& owner_;
    HWND window_ = nullptr;

    // Painter state.
    bool hot = false;                 // the cursor is over the control and a leave report is armed
    bool focused = false;             // the control has the keyboard focus
    bool pressed = false;             // the left button is held on the control or on a scroll-bar part
    bool hasHorzBar = false;          // the window had WS_HSCROLL at the last WM_NCCALCSIZE
    bool hasVertBar = false;          // the window had WS_VSCROLL at the last WM_NCCALCSIZE
    int dragStartOffset = 0;          // thumb offset from the track's start when the thumb was pressed
    POINT pressPoint{};               // client coordinates of the press
    POINT hoverPoint = kNoHoverPoint; // last cursor point seen over the window, client coordinates
    BarPart pressedPart = PartNone;
    bool dragVertical = false; // the non-client bar under tracking is the vertical one
    bool ncTracking = false;   // a press on a non-client bar holds the capture and runs the repeat timer

private:
    struct Handler {
        UINT message;
        LRESULT (SkinControl::*handle)(UINT, WPARAM, LPARAM);
    };
    static const Handler kHandlers[];

    LRESULT OnFocus(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnEnable(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcDestroy(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnStyleChange(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetRedraw(UINT message, WPARAM wParam, LPARAM lParam);
    // The non-client bars.
    LRESULT OnNcCalcSize(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTest(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcLButtonDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnScroll(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCaptureChanged(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcMouseLeave(UINT message, WPARAM wParam, LPARAM lParam);

    // Ends a press on a non-client bar: the repeat timer stopped, the pressed look gone.
    void EndBarPress();
    // Moves the content after the thumb of the tracked bar dragged to client point; false once the control is gone.
    bool DragThumb(POINT point);
    // Where PaintScrollBars puts a bar, relative to the window's top-left corner.
    RECT NonClientBarRect(bool vertical) const;
    void PaintBar(HDC windowDC, const RECT& barRect, bool vertical);
    void DrawShaft(HDC hdc, const BarLayout& layout, bool vertical);

    ProcedureSwap procedure_;
    SkinKind kind_;
    std::string className_;
    bool detaching_ = false;
    bool redrawOff_ = false;         // the control was told WM_SETREDRAW FALSE and not yet TRUE
    bool clearingBarStyles_ = false; // WM_NCCALCSIZE has taken the scroll-bar styles away for a moment
};

// The arrow auto-repeat: steps again while the cursor rests where the press was, and ends for good once it moves.
VOID CALLBACK ArrowRepeatTimerProc(HWND window, UINT message, UINT_PTR idEvent, DWORD time);

} // namespace tarnvale
