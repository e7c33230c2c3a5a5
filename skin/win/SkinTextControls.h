// Skin objects of group boxes and static texts, painted over the skinned dialog background, the rest left to the
// control; and the caption drawing the button family shares with them.
#pragma once

#include "skin/ButtonGeometry.h"
#include "skin/SkinElement.h"
#include "skin/win/SkinControl.h"

#include <string>

namespace tarnvale {

// A group box's frame and caption; everything else is the control's.
class SkinGroupBox : public SkinControl {
public:
    SkinGroupBox(LoadedSkin& skin, SkinRegistry& registry) : SkinControl(skin, registry, SkinKind::GroupBox) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A frame image or a caption colour makes the group box the skin's; the etched frame stands in for the image.
    bool Skinned() const override;
    void Paint(HDC hdc, const RECT& rect) override;
    bool HasPaint() const override { return true; }

    // The caption of the text in the window rectangle rect, measured with the font selected into dc.
    RECT GroupCaptionRect(HDC dc, const char* text, const RECT& rect) const;

private:
    static const Handler<SkinGroupBox> kHandlers[];
};

// Text drawn transparently over the dialog background.
class SkinStatic : public SkinControl {
public:
    SkinStatic(LoadedSkin& skin, SkinRegistry& registry) : SkinControl(skin, registry, SkinKind::Static) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A background tile or a text colour makes the text the skin's.
    bool Skinned() const override;
    void Paint(HDC hdc, const RECT& rect) override;
    bool HasPaint() const override { return true; }

private:
    static const Handler<SkinStatic> kHandlers[];
};

// What the painters of these kinds and of the button family share.
// The font captions are drawn with: the parent's, asked of the skinned dialog's own procedure where the parent is
// one (a paint asks every time), else sent.
HFONT ParentFont(const SkinRegistry& registry, HWND control);
// The caption colour of a button or group-box element: its own text colour; where the skin gives none, the skin's
// static text colour for captions written on the dialog background (all but push buttons), else the system's
// button text colour.
COLORREF CaptionColour(const LoadedSkin& skin, int element);
// Draws a caption in box with "&" marking its mnemonic, embossed when the control is disabled; every line of a
// caption with line breaks, each aligned in the box by alignment (DT_LEFT or DT_CENTER).
void DrawCaption(HDC hdc, const std::string& text, const RECT& box, bool disabled, UINT alignment = DT_LEFT);
// The extent of a caption as DrawCaption draws it with the font selected into hdc: every line, the widest setting
// the width.
TextSize MeasureCaption(HDC hdc, const std::string& text);

// What the static's text output draws: the text, with the flags of the static's style.
struct StaticText {
    std::string text;
    DWORD style;
};
// The static's text output, called by DrawState: the StaticText at lData in a cx x cy box at the origin.
BOOL CALLBACK StaticTextProc(HDC hdc, LPARAM lData, WPARAM wData, int cx, int cy);

} // namespace tarnvale
