// Skin objects of the button family (push buttons, radio buttons, check boxes): they replace the control whole
// (painting, presses, the space key and the check state).
#pragma once

#include "skin/ButtonGeometry.h"
#include "skin/SkinElement.h"
#include "skin/win/SkinControl.h"
#include "skin/win/WindowText.h"

namespace tarnvale {

// The button family (push buttons, radio buttons, check boxes): one procedure and one face painter; a kind's row
// names the element its face is drawn from.
class SkinButton : public SkinControl {
public:
    // kind is PushButton, RadioButton or CheckBox.
    SkinButton(LoadedSkin& skin, SkinRegistry& registry, SkinKind kind);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Whether the skin has the images this kind is drawn from; without them the control is its own, whole.
    bool Skinned() const override;
    // The face for the present state, and the caption over it; rect is the whole button.
    void Paint(HDC hdc, const RECT& rect) override;
    bool HasPaint() const override { return true; }

private:
    static const Handler<SkinButton> kHandlers[];

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
    LRESULT OnGetCheck(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCheck(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyUp(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnChar(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCaptureChanged(UINT message, WPARAM wParam, LPARAM lParam);

    int faceElement_;
    bool checkState = false; // the check state as the skin keeps it; an indeterminate state counts as unchecked
    bool checkStateTaken_ = false;
};

} // namespace tarnvale
