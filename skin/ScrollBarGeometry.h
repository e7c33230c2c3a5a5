// Scroll-bar geometry: where the arrows, shaft and thumb of a skinned bar lie, which part a point falls on, and
// how a thumb offset in pixels maps to a scroll position and back. Pure arithmetic over the window system's numbers.
#pragma once

#include "skin/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace tarnvale {

// A bar's scroll information as the window system reports it. The page is unsigned there, and may exceed the
// range; all arithmetic on these is done in 64 bits.
struct ScrollRange {
    std::int32_t min = 0;
    std::int32_t max = 0;
    std::uint32_t page = 0;
    std::int32_t pos = 0;
};

// The parts of a bar a press can land on. The first arrow is the up arrow of a vertical bar and the right arrow
// of a horizontal one; the second is the down or left arrow.
enum BarPart : std::int32_t { PartNone = -1, PartFirstArrow = 0, PartThumb = 2, PartSecondArrow = 4 };

// Where the thumb lies along a bar, in pixels from the bar's start; empty (start == end) when there is none.
struct ThumbSpan {
    std::int32_t start = 0;
    std::int32_t end = 0;
};

// What the layout of one bar depends on.
struct BarFacts {
    Rect bar;
    bool vertical = false;
    std::int32_t arrowLength = 0; // the system's scroll-arrow length
    bool otherBar = false;        // the window also has the crossing bar, whose corner square ends this one
    ThumbSpan thumb;
    bool windowEnabled = true;
    bool unavailable = false; // the system reports the bar itself as unavailable
};

struct BarLayout {
    Rect firstArrow;
    Rect secondArrow;
    Rect shaft;
    Rect thumb;
    bool enabled = false;
};

// The arrows at the bar's ends (the second one before the corner square, which neither bar paints), the shaft
// between them and the thumb at its span. A bar too short for two whole arrows gets two arrows of half the length
// left beside the corner, so they never overlap.
BarLayout ComputeBarLayout(const BarFacts& facts);

// The part under point: the thumb first, then the first and the second arrow; PartNone on the shaft or outside.
BarPart HitBarPart(const BarLayout& layout, Point point);

// The track a thumb moves in, for a client area clientExtent pixels long along the bar with arrows of arrowMetric
// pixels: its length, the thumb's length (in proportion to the page, at least 8 pixels; arrowMetric when the page
// is 0), and the free length left for the thumb to travel.
struct ThumbTrack {
    std::int64_t length = 0;
    std::int64_t thumb = 0;
    std::int64_t travel = 0;
};
ThumbTrack MeasureThumbTrack(const ScrollRange& range, std::int32_t clientExtent, std::int32_t arrowMetric);

// Asks ThumbTrackToPosition for the thumb's current offset instead of a position.
inline constexpr std::int32_t kCurrentThumbOffset = -1;

// The scroll position for a thumb dragged to offset pixels from the track's start (clamped to the track), rounded
// to the nearest; with kCurrentThumbOffset, the offset of the thumb at the current position. A track too short for
// the thumb gives range.min either way.
std::int32_t ThumbTrackToPosition(const ScrollRange& range, std::int32_t clientExtent, std::int32_t arrowMetric,
                                  std::int32_t offset);

// The thumb by the same measure that dragging uses, for when the system cannot say where it is: after the arrow at
// the bar's start, at the current position's offset; empty when the track has no room for it.
ThumbSpan ThumbSpanFromRange(const ScrollRange& range, std::int32_t clientExtent, std::int32_t arrowMetric);

// An arrow held still steps at the press, again after the first delay and then at the shorter one for as long as
// it is held: a single click moves one line, a held arrow soon runs.
inline constexpr std::uint32_t kArrowRepeatDelaysMs[] = {0, 200, 50};

// Milliseconds between line step step - 1 and step (step 0 is the press's own, at once) of an arrow held still.
constexpr std::uint32_t ArrowRepeatDelayMs(std::size_t step) {
    constexpr std::size_t last = std::size(kArrowRepeatDelaysMs) - 1;
    return kArrowRepeatDelaysMs[step < last ? step : last];
}

} // namespace tarnvale
