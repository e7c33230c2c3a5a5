// The skinned scroll bars of a control that scrolls: the room they take in the non-client area, their painting
// from the skin, presses on them tracked (line steps with the arrow repeat, thumb drags) and the state all of that
// keeps. How the control scrolls is its kind's row, looked up once when the bars are made.
#pragma once

#include "skin/ControlClassifier.h"
#include "skin/ScrollBarGeometry.h"
#include "skin/win/SkinControl.h"

#include <windows.h>

namespace tarnvale {

class SkinScrolling;

// How a kind of control scrolls.
struct ScrollWay {
    SkinKind kind;
    // The control is one bar (a stand-alone scroll bar), which reads its own scroll information and tells its
    // parent; the others have non-client bars and are told themselves.
    bool wholeControl;
    // A dragged thumb scrolls by LVM_SCROLL, by whole rows downwards and by pixels sideways, rather than by
    // thumb-track positions.
    bool scrollsByRows;
    // A drag step is taken with the control's redraw off, so that it repaints once rather than line by line.
    bool repaintOncePerStep;
};
// The row of kind; null for kinds that do not scroll.
const ScrollWay* ScrollWayOf(SkinKind kind);

class SkinBars {
public:
    SkinBars(SkinScrolling& control, const ScrollWay& way) : control_(control), way_(way) {}
    SkinBars(const SkinBars&) = delete;
    SkinBars& operator=(const SkinBars&) = delete;

    // Handles a message of the non-client bars into result; false for every other message, left to the control.
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Skinned bars are in force only while the skin has all five scroll-bar images.
    bool Skinned() const;
    // The non-client bars, each painted through an off-screen copy of its own area; none while redraw is off.
    void PaintNonClient();
    // Draws one complete bar (shaft, arrows, thumb) into barRect of hdc, whose origin is the window's top-left
    // corner.
    void Draw(HDC hdc, const RECT& barRect, bool vertical);
    // The parts of the bar in barRect, with the thumb where the system puts it.
    BarLayout Layout(const RECT& barRect, bool vertical) const;
    // The scroll position for a thumb dragged offset pixels along the track; kCurrentThumbOffset asks for the
    // thumb's current offset.
    int ThumbTrackToPosition(bool vertical, int offset) const;
    // Sends the line step of a press on an arrow part to target, from the control; false when the control went.
    bool SendLineStep(HWND target, BarPart part, bool vertical);
    // The arrow repeat's tick, with the cursor at cursor (screen coordinates): the same line step as the press
    // while the cursor rests where the press was. False once the press has ended, the cursor has moved or the
    // control is gone, which ends the repeat.
    bool RepeatTick(POINT cursor);
    // Starts the wait for the arrow repeat's next step, as long as the steps so far ask for.
    void ArmRepeat();

    // The press on a bar part and the cursor over the bars, in client coordinates.
    bool pressed = false;
    BarPart pressedPart = PartNone;
    bool pressVertical = false; // the press is on the vertical bar
    int dragStartOffset = 0;    // thumb offset from the track's start when the thumb was pressed
    POINT pressPoint{};
    POINT hoverPoint = kNoHoverPoint;

private:
    static const SkinWindow::Handler<SkinBars> kHandlers[];

    LRESULT OnStyleChange(UINT message, WPARAM wParam, LPARAM lParam);
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
    LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam);

    HWND Window() const;
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);
    // Ends a press on a non-client bar: the repeat timer stopped, the pressed look gone.
    void EndPress();
    // Moves the content after the thumb of the tracked bar dragged to client point; false once the control is gone.
    bool DragThumb(POINT point);
    // Where PaintNonClient puts a bar, relative to the window's top-left corner.
    RECT NonClientBarRect(bool vertical) const;
    void PaintBar(HDC windowDC, const RECT& barRect, bool vertical);

    SkinScrolling& control_;
    const ScrollWay& way_;
    bool hasHorzBar_ = false;        // the window had WS_HSCROLL at the last WM_NCCALCSIZE
    bool hasVertBar_ = false;        // the window had WS_VSCROLL at the last WM_NCCALCSIZE
    bool tracking_ = false;          // a press on a non-client bar holds the capture and runs the repeat timer
    bool clearingBarStyles_ = false; // WM_NCCALCSIZE has taken the scroll-bar styles away for a moment
    POINT pressScreenPoint_{};       // where the press on a non-client bar was; the repeat runs while the cursor stays
    std::size_t repeatStep_ = 0;     // the arrow repeat's last step of this press; 0 is the press's own
};

} // namespace tarnvale
