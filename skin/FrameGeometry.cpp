// The skinned dialog frame's arithmetic.
#include "skin/FrameGeometry.h"

#include <algorithm>

namespace tarnvale {
namespace {

// A rectangle whose edges crossed keeps its left and top edges and has no area.
Rect NotInverted(Rect r) {
    r.right = std::max(r.right, r.left);
    r.bottom = std::max(r.bottom, r.top);
    return r;
}

} // namespace

std::int32_t BorderWidthForStyle(std::uint32_t style, std::uint32_t exStyle) {
    std::int32_t width = (exStyle & kExStyleWindowEdge) ? 2 : (exStyle & kExStyleStaticEdge) ? 1 : 0;
    if ((style & (kStyleBorder | kStyleDialogFrame)) || (exStyle & kExStyleDialogModalFrame))
        width += 1;
    if (style & kStyleThickFrame)
        width += 1;
    if (exStyle & kExStyleClientEdge)
        width += 2;
    return width;
}

Rect CaptionRect(std::int32_t width, const FrameMetrics& frame) {
    return {frame.left, 0, width - frame.right, frame.caption};
}

Rect FrameClientRect(std::int32_t width, std::int32_t height, const FrameMetrics& frame) {
    return {frame.left, frame.caption, width - frame.right, height - frame.bottom};
}

Rect CaptionButtonRect(const Rect& caption, const ButtonPlacement& button) {
    const std::int32_t left =
        button.anchorTopRight ? caption.right - button.offsetX - button.width : caption.left + button.offsetX;
    const std::int32_t top = caption.top + button.offsetY;
    return {left, top, left + button.width, top + button.height};
}

Rect HitTestCaptionRect(const Rect& window, const FrameMetrics& frame) {
    return {window.left + frame.left, window.top, window.right - frame.right,
            window.top + frame.bottom + frame.caption};
}

int FrameHitTest(Point point, const Rect& window, const Rect& client, const FrameMetrics& frame, FrameStyle style,
                 std::span<const ButtonHit> buttons) {
    if (!window.Contains(point))
        return kHitNowhere;
    if (style.minimized)
        return kHitCaption;
    if (client.Contains(point))
        return kHitClient;
    const Rect inner{window.left + frame.left, window.top + frame.bottom, window.right - frame.right,
                     window.bottom - frame.bottom};
    if (inner.Contains(point)) {
        for (const ButtonHit& button : buttons) {
            if (button.rect.Contains(point))
                return button.code;
        }
        return HitTestCaptionRect(window, frame).Contains(point) ? kHitCaption : kHitNowhere;
    }
    if (!style.thickFrame || (style.dialogFrame && !style.border))
        return kHitBorder;
    static constexpr int kZones[3][3] = {
        {kHitTopLeft, kHitTop, kHitTopRight},
        {kHitLeft, kHitNowhere, kHitRight},
        {kHitBottomLeft, kHitBottom, kHitBottomRight},
    };
    const int row = point.y < inner.top ? 0 : point.y < inner.bottom ? 1 : 2;
    const int column = point.x < inner.left ? 0 : point.x < inner.right ? 1 : 2;
    return kZones[row][column];
}

FrameGrowth SkinFrameGrowth(const FrameMetrics& frame, const StandardFrame& standard) {
    const std::int32_t b = standard.border;
    if (b == 0)
        return {};
    const std::int32_t top = frame.caption != 0 ? frame.caption - b - standard.systemCaption : 0;
    const std::int32_t bottom = frame.bottom != 0 ? frame.bottom - b : 0;
    const std::int32_t sides = frame.left + frame.right;
    return {sides != 0 ? sides - 2 * b : 0, top + bottom};
}

Rect SkinClientFromStandard(const Rect& standardClient, const FrameMetrics& frame, const StandardFrame& standard) {
    const std::int32_t b = standard.border;
    if (b == 0)
        return standardClient;
    Rect client = standardClient;
    if (frame.caption != 0)
        client.top += frame.caption - b - standard.systemCaption;
    if (frame.bottom != 0)
        client.bottom -= frame.bottom - b;
    client.left += frame.left - b;
    client.right -= frame.right - b;
    return NotInverted(client);
}

std::optional<Rect> SkinClientFromWindow(const Rect& window, const FrameMetrics& frame, std::int32_t border) {
    if (border == 0 || window.Empty())
        return std::nullopt;
    return NotInverted({window.left + frame.left, window.top + frame.caption, window.right - frame.right,
                        window.bottom - frame.bottom});
}

} // namespace tarnvale
