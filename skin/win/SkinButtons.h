// Skin objects of "Button" and "Static" controls: push buttons, radio buttons, check boxes, group boxes and text.
// The button family replaces the control whole (painting, presses, the space key and the check state); group boxes
// and static texts are painted over the skinned dialog background and leave the rest to the control.
#pragma once

#include "skin/ButtonGeometry.h"
#include "skin/SkinElement.h"
#include "skin/win/SkinControl.h"
#include "skin/win/WindowText.h"

#include <string>

namespace tarnvale {

// The button family (push buttons, radio buttons, check boxes): one procedure and one face painter; a kind's row
// names the element its face is drawn from.
class SkinButton : public SkinControl {
public:
    // kind is PushButton, RadioButton or CheckBox.
    SkinButton(SkinManager& owner, SkinKind kind);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The face for the present state, and the caption over it; rect is the whole button.
    void Paint(HDC hdc, const RECT& rect) override;
    bool HasPaint() const override { return true; }

private:
    static const Handler<SkinButton> kHandlers[];

    // Whether the skin has the images this kind is drawn from; without them the control is its own, whole.
    bool Skinned() const;
    // The check state is the skin's own from the first message it handles on: the control's state of that moment
    // (set before the skin came, as a dialog does while it initialises) is where it starts.
    void TakeCheckState();
    // Tells the parent the button was clicked; false when its handler destroyed the button.
    bool NotifyClicked();
    // The automatic change of the check state that follows a click; false when the button went meanwhile.
    bool AutoStep();
    // Unchecks every radio button of this button's group, this one too; false when this button went meanwhile.
    bool UncheckRadioGroup();

    LRESULT OnFocus(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnEraseBackground(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnGetCheck(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCheck(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyUp(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnChar(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCaptureChanged(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseLeave(UINT message, WPARAM wParam, LPARAM lParam);

    int faceElement_;
    bool checkState = false; // the check state as the skin keeps it; an indeterminate state counts as unchecked
    bool checkStateTaken_ = false;
};

// A group box's frame and caption; everything else is the control's.
class SkinGroupBox : public SkinControl {
public:
    explicit SkinGroupBox(SkinManager& owner) : SkinControl(owner, SkinKind::GroupBox) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC hdc, const RECT& rect) override;
    bool HasPaint() const override { return true; }

    // The caption of the text in the window rectangle rect, measured with the font selected into dc.
    RECT GroupCaptionRect(HDC dc, const char* text, const RECT& rect) const;
};

// Text drawn transparently over the dialog background.
class SkinStatic : public SkinControl {
public:
    explicit SkinStatic(SkinManager& owner) : SkinControl(owner, SkinKind::Static) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC hdc, const RECT& rect) override;
    bool HasPaint() const override { return true; }
};

// What the painters of these kinds share.
// The font captions are drawn with: the parent's.
HFONT ParentFont(HWND control);
// The caption colour of a button or group-box element: its own text colour; where the skin gives none, the skin's
// static text colour for captions written on the dialog background (all but push buttons), else the system's
// button text colour.
COLORREF CaptionColour(const SkinManager& manager, int element);
// Draws a caption in box with "&" marking its mnemonic, embossed when the control is disabled; every line of a
// caption with line breaks, each aligned in the box by alignment (DT_LEFT or DT_CENTER).
void DrawCaption(HDC hdc, const std::string& text, const RECT& box, bool disabled, UINT alignment = DT_LEFT);
// The extent of a caption as DrawCaption draws it with the font selected into hdc: every line, the widest setting
// the width.
TextSize MeasureCaption(HDC hdc, const std::string& text);
// Paints the part of the dialog's tiled background that lies under control into hdc, whose origin is the control's
// client area; nothing when the skin has no background tile.
void PaintParentBackground(SkinManager& manager, HWND control, HDC hdc);

// The static's text output, called by DrawState: the window lData's text in a cx x cy box at the origin, with the
// flags of its style.
BOOL CALLBACK StaticTextProc(HDC hdc, LPARAM lData, WPARAM wData, int cx, int cy);

} // namespace tarnvale
