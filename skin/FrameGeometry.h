// The skinned dialog frame as arithmetic: the caption strip, the caption buttons' places, which part of the frame
// a point is on, the client rectangle the skin frame leaves, and how much a window grows when the skin frame replaces
// the standard one.
#pragma once

#include "skin/Geometry.h"

#include <cstdint>
#include <optional>
#include <span>

namespace tarnvale {

// Hit-test codes, as the window system numbers them.
enum HitCode : int {
    kHitNowhere = 0,
    kHitClient = 1,
    kHitCaption = 2,
    kHitSysMenu = 3,
    kHitMinButton = 8,
    kHitMaxButton = 9,
    kHitLeft = 10,
    kHitRight = 11,
    kHitTop = 12,
    kHitTopLeft = 13,
    kHitTopRight = 14,
    kHitBottom = 15,
    kHitBottomLeft = 16,
    kHitBottomRight = 17,
    kHitBorder = 18,
    kHitClose = 20,
};

// The window styles that give a window a standard border, as the window system numbers them.
inline constexpr std::uint32_t kStyleBorder = 0x00800000;
inline constexpr std::uint32_t kStyleDialogFrame = 0x00400000;
inline constexpr std::uint32_t kStyleThickFrame = 0x00040000;
inline constexpr std::uint32_t kExStyleDialogModalFrame = 0x1;
inline constexpr std::uint32_t kExStyleWindowEdge = 0x100;
inline constexpr std::uint32_t kExStyleClientEdge = 0x200;
inline constexpr std::uint32_t kExStyleStaticEdge = 0x20000;

// Thickness in pixels of the standard border that the window styles imply: the outer edge (a window edge or a
// static edge), a line for a border or dialog frame, one more for a sizing frame, and a client edge inside.
std::int32_t BorderWidthForStyle(std::uint32_t style, std::uint32_t exStyle);

// The sizing codes, from the left edge to the bottom-right corner.
inline bool IsSizingHit(int code) {
    return code >= kHitLeft && code <= kHitBottomRight;
}

// The skin frame's thickness: the left and right frames' widths, the caption's and the bottom frame's heights.
struct FrameMetrics {
    std::int32_t left = 0;
    std::int32_t right = 0;
    std::int32_t caption = 0;
    std::int32_t bottom = 0;
};

// The caption strip of a window width pixels wide, in window coordinates: between the side frames, from the top.
Rect CaptionRect(std::int32_t width, const FrameMetrics& frame);
// The client area the skin frame leaves in a width x height window, in window coordinates.
Rect FrameClientRect(std::int32_t width, std::int32_t height, const FrameMetrics& frame);

// Where a caption button sits: its offset from the caption's top-left or top-right corner and its size.
struct ButtonPlacement {
    std::int32_t offsetX = 0;
    std::int32_t offsetY = 0;
    bool anchorTopRight = false;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

Rect CaptionButtonRect(const Rect& caption, const ButtonPlacement& button);

// The styles that decide how the frame answers hit-testing.
struct FrameStyle {
    bool minimized = false;
    bool thickFrame = false;  // sizable
    bool dialogFrame = false; // the caption's dialog-frame bit
    bool border = false;      // the caption's border bit
};

// A caption button that is shown, with its hit code and its rectangle in the same coordinates as the point.
struct ButtonHit {
    int code = kHitNowhere;
    Rect rect;
};

// The caption rectangle that hit-testing uses, in the window rectangle's coordinates: it starts below a top
// sizing band as thick as the bottom frame.
Rect HitTestCaptionRect(const Rect& window, const FrameMetrics& frame);

// The hit code of point: window and client are rectangles in the point's coordinates (the screen's), buttons the
// shown caption buttons in the order they are tried.
int FrameHitTest(Point point, const Rect& window, const Rect& client, const FrameMetrics& frame, FrameStyle style,
                 std::span<const ButtonHit> buttons);

// What the standard frame and the window system's caption add to a window: border is the standard border's
// thickness on each side, systemCaption the system caption's height.
struct StandardFrame {
    std::int32_t border = 0;
    std::int32_t systemCaption = 0;
};

// How much wider and taller the window must be for its client area to keep its size under the skin frame. A window
// without a standard border is not grown: the skin frame has nothing to replace.
struct FrameGrowth {
    std::int32_t width = 0;
    std::int32_t height = 0;
};
FrameGrowth SkinFrameGrowth(const FrameMetrics& frame, const StandardFrame& standard);

// The client rectangle under the skin frame, from the one that the standard frame leaves (both in the parent's
// coordinates). A window without a standard border keeps the standard one. Never inverted.
Rect SkinClientFromStandard(const Rect& standardClient, const FrameMetrics& frame, const StandardFrame& standard);
// The client rectangle under the skin frame, from the window rectangle; none when the standard computation must
// stand: an empty rectangle, or a window without a standard border, whose client the skin frame must not shrink.
std::optional<Rect> SkinClientFromWindow(const Rect& window, const FrameMetrics& frame, std::int32_t border);

} // namespace tarnvale
