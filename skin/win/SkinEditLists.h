// Skin objects of edit controls, combo boxes and list boxes (the drop-down lists of combo boxes included): flat
// skin borders, the combo box's drop-down button from the skin, and the skinned bars kept current.
#pragma once

#include "skin/win/SkinControl.h"
#include "skin/win/SkinScrolling.h"

namespace tarnvale {

class SkinEdit : public SkinScrolling {
public:
    SkinEdit(LoadedSkin& skin, SkinRegistry& registry) : SkinScrolling(skin, registry, SkinKind::Edit) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static const Handler<SkinEdit> kHandlers[];

    LRESULT OnEnable(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam);
};

class SkinComboBox : public SkinControl {
public:
    SkinComboBox(LoadedSkin& skin, SkinRegistry& registry) : SkinControl(skin, registry, SkinKind::ComboBox) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The flat border, then the drop-down button over the one the control drew.
    void Paint(HDC hdc, const RECT& rect) override;
    // Without the button image the border is the control's too, also where the base procedure paints.
    bool HasPaint() const override;

private:
    static const Handler<SkinComboBox> kHandlers[];

    LRESULT OnCommand(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnListColour(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam);

    HWND dropList_ = nullptr;
};

class SkinListBox : public SkinScrolling {
public:
    SkinListBox(LoadedSkin& skin, SkinRegistry& registry) : SkinScrolling(skin, registry, SkinKind::ListBox) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static const Handler<SkinListBox> kHandlers[];

    LRESULT OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace tarnvale
