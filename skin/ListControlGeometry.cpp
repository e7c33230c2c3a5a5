// Header items, the header's filler and the combo box's drop-down button, as rectangles and frames.
#include "skin/ListControlGeometry.h"

namespace tarnvale {

int HeaderItemFrame(bool over, bool buttons, bool buttonDown) {
    if (!over || !buttons)
        return kHeaderFrameNormal;
    return buttonDown ? kHeaderFramePressed : kHeaderFrameHot;
}

Rect HeaderTextRect(const Rect& item, bool pressed) {
    const Rect text{item.left + 5, item.top, item.right - 2, item.bottom};
    return pressed ? text.Offset(1, 1) : text;
}

Rect HeaderFillerRect(const Rect& client, const std::optional<Rect>& lastItem, bool lastPressed) {
    const std::int32_t left = lastItem ? lastItem->right - (lastPressed ? 1 : 2) : client.left;
    return {left, client.top, client.right + 2, client.bottom};
}

Rect ComboButtonRect(std::int32_t width, std::int32_t height, bool atLeft, const ComboMetrics& metrics) {
    const std::int32_t top = metrics.edgeHeight, bottom = height - metrics.edgeHeight;
    if (atLeft)
        return {metrics.dialogFrame, top, metrics.dialogFrame + metrics.scrollBarWidth, bottom};
    const std::int32_t right = width - metrics.edgeWidth;
    return {right - metrics.scrollBarWidth, top, right, bottom};
}

int ComboButtonFrame(bool dropped, bool hot, bool enabled) {
    if (dropped)
        return kComboFrameDropped;
    if (hot)
        return kComboFrameHot;
    return enabled ? kComboFrameNormal : kComboFrameDisabled;
}

} // namespace tarnvale
