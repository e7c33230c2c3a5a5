// The skin's painters that need only a device context and a rectangle.
#include "skin/win/SkinPainters.h"

#include "skin/win/WinGeometry.h"

namespace tarnvale {
namespace {

void PaintShaft(HDC hdc, LoadedSkin& skin, const BarLayout& layout, bool vertical) {
    const int id = vertical ? kElementShaftVert : kElementShaftHorz;
    if (!skin.HasElementImage(id))
        return;
    const SkinElement& shaft = skin.Element(id);
    switch (shaft.sizingType) {
    case SizingTrueSize:
        return;
    case SizingStretch:
        skin.DrawSized(hdc, id, 0, ToRECT(layout.shaft));
        return;
    case SizingTile: {
        const int piece = vertical ? shaft.frame.height : shaft.frame.width;
        if (piece <= 0)
            return;
        // The last piece is not cut: the arrow drawn next covers its overhang. Only the corner square is kept
        // from it, as from every other part.
        const Rect& end = vertical ? layout.secondArrow : layout.firstArrow;
        ScopedDCState state(hdc);
        IntersectClipRect(hdc, layout.shaft.left, layout.shaft.top, vertical ? layout.shaft.right : end.right,
                          vertical ? end.bottom : layout.shaft.bottom);
        const int start = vertical ? layout.shaft.top : layout.shaft.left;
        const int stop = vertical ? layout.shaft.bottom : layout.shaft.right;
        for (int at = start; at < stop; at += piece) {
            const RECT rect = vertical ? RECT{layout.shaft.left, at, layout.shaft.right, at + piece}
                                       : RECT{at, layout.shaft.top, at + piece, layout.shaft.bottom};
            skin.DrawSized(hdc, id, 0, rect);
        }
        return;
    }
    }
}

} // namespace

void PaintScrollBar(HDC hdc, LoadedSkin& skin, const BarLayout& layout, bool vertical, const BarLook& look) {
    PaintShaft(hdc, skin, layout, vertical);
    const SkinElement& arrows = skin.Element(kElementScrollArrows);
    // Glyphs and grippers are drawn at their own size, centred on their part.
    auto drawCentred = [&](const Rect& part, int frame) {
        const int left = part.left + part.Width() / 2 - arrows.frame.width / 2;
        const int top = part.top + part.Height() / 2 - arrows.frame.height / 2;
        skin.DrawFrame(hdc, kElementScrollArrows, frame,
                       {left, top, left + arrows.frame.width, top + arrows.frame.height}, ILD_TRANSPARENT);
    };

    const struct {
        const Rect& rect;
        BarPart part;
        int base;
    } arrowParts[] = {
        {layout.firstArrow, PartFirstArrow, vertical ? kArrowUp : kArrowRight},
        {layout.secondArrow, PartSecondArrow, vertical ? kArrowDown : kArrowLeft},
    };
    for (const auto& arrow : arrowParts) {
        const bool over = arrow.rect.Contains(look.hover);
        int frame = arrow.base;
        if (!layout.enabled)
            frame += kArrowDisabled;
        else if (!look.pressed && over)
            frame += kArrowHot;
        else if (over && look.pressedPart == arrow.part)
            frame += kArrowPressed;
        skin.DrawSized(hdc, kElementScrollArrows, frame, ToRECT(arrow.rect));
        drawCentred(arrow.rect, frame + kArrowGlyphOffset);
    }

    // A disabled bar has no thumb; nor has one whose thumb has no room (a track shorter than the smallest thumb),
    // where a gripper would be drawn over the arrows.
    if (!layout.enabled || layout.thumb.Empty())
        return;
    const bool over = layout.thumb.Contains(look.hover);
    const int frame = !look.pressed && over ? kThumbHot : over && look.pressedPart == PartThumb ? kThumbPressed : 0;
    skin.DrawSized(hdc, vertical ? kElementThumbVert : kElementThumbHorz, frame, ToRECT(layout.thumb));
    drawCentred(layout.thumb, vertical ? kGripperVertical : kGripperHorizontal);
}

UniqueFont MakeCaptionFont(const FontSpec& font) {
    return UniqueFont(CreateFontA(font.size, 0, 0, 0, font.weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS,
                                  font.face.c_str()));
}

RECT CaptionButtonPlace(const LoadedSkin& skin, int elementId, const RECT& caption) {
    const SkinElement& element = skin.Element(elementId);
    const ButtonPlacement placement{element.offsetX, element.offsetY, element.anchorTopRight, element.frame.width,
                                    element.frame.height};
    return ToRECT(CaptionButtonRect(FromRECT(caption), placement));
}

void PaintCaption(HDC hdc, LoadedSkin& skin, const RECT& caption, const CaptionLook& look) {
    skin.DrawSized(hdc, kElementCaption, look.active ? 0 : 1, caption);
    const struct {
        int element;
        bool shown;
    } buttons[] = {{kElementCloseButton, look.closeButton},
                   {kElementMinButton, look.minimiseButton},
                   {kElementMaxButton, look.maximiseButton}};
    for (const auto& button : buttons) {
        if (button.shown)
            skin.DrawFrame(hdc, button.element, look.active ? 0 : 3, CaptionButtonPlace(skin, button.element, caption),
                           ILD_TRANSPARENT);
    }

    const GlobalSettings& settings = skin.Settings();
    RECT textRect = caption;
    textRect.left += settings.captionOffsetX;
    textRect.top += settings.captionOffsetY;
    SetBkMode(hdc, TRANSPARENT);
    const std::uint32_t colour = look.active ? settings.captionText : settings.captionTextInactive;
    if (colour != kNoColour)
        SetTextColor(hdc, colour);
    const UINT alignment = settings.captionAlignment == 1   ? DT_CENTER
                           : settings.captionAlignment == 2 ? DT_RIGHT
                                                            : DT_LEFT;
    // Drawn after the buttons, over them where a long title reaches them.
    ScopedSelect font(hdc, look.font);
    DrawTextA(hdc, look.title, -1, &textRect, alignment | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

void PaintFrameSides(HDC hdc, LoadedSkin& skin, const RECT& window, const FrameMetrics& frame, bool active) {
    const int state = active ? 0 : 1;
    skin.DrawSized(hdc, kElementFrameLeft, state, {window.left, window.top, window.left + frame.left, window.bottom});
    skin.DrawSized(hdc, kElementFrameRight, state,
                   {window.right - frame.right, window.top, window.right, window.bottom});
    skin.DrawSized(hdc, kElementFrameBottom, state,
                   {window.left + frame.left, window.bottom - frame.bottom, window.right - frame.right, window.bottom});
}

} // namespace tarnvale
