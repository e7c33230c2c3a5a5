// Scroll-bar layout and thumb arithmetic.
#include "skin/ScrollBarGeometry.h"

#include <algorithm>
#include <limits>

namespace tarnvale {
namespace {

constexpr std::int64_t kMinThumbLength = 8;

// a * b / c rounded half away from zero, for c > 0; callers keep the product within 63 bits.
std::int64_t MulDiv64(std::int64_t a, std::int64_t b, std::int64_t c) {
    const std::int64_t product = a * b;
    return product >= 0 ? (product + c / 2) / c : (product - c / 2) / c;
}

std::int32_t Narrow(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// Sets the extent of r along the bar's axis.
Rect Along(Rect r, bool vertical, std::int64_t from, std::int64_t to) {
    if (vertical) {
        r.top = Narrow(from);
        r.bottom = Narrow(to);
    } else {
        r.left = Narrow(from);
        r.right = Narrow(to);
    }
    return r;
}

} // namespace

BarLayout ComputeBarLayout(const BarFacts& facts) {
    const bool vertical = facts.vertical;
    const std::int64_t start = vertical ? facts.bar.top : facts.bar.left;
    const std::int64_t end = vertical ? facts.bar.bottom : facts.bar.right;
    const std::int64_t corner = facts.otherBar ? std::max<std::int64_t>(facts.arrowLength, 0) : 0;
    std::int64_t arrow = std::max<std::int64_t>(facts.arrowLength, 0);
    const std::int64_t beside = end - start - corner;
    // A short bar shrinks its arrows, never the corner square: the square belongs to both bars and must line up
    // with the crossing bar's end.
    if (beside < 2 * arrow)
        arrow = std::max<std::int64_t>(beside, 0) / 2;

    BarLayout layout;
    const Rect atStart = Along(facts.bar, vertical, start, start + arrow);
    const Rect atEnd = Along(facts.bar, vertical, end - corner - arrow, end - corner);
    // Up and down on a vertical bar; on a horizontal one the first arrow is the right one.
    layout.firstArrow = vertical ? atStart : atEnd;
    layout.secondArrow = vertical ? atEnd : atStart;
    layout.shaft = Along(facts.bar, vertical, start + arrow, end - corner - arrow);
    layout.thumb = Along(facts.bar, vertical, start + facts.thumb.start, start + facts.thumb.end);
    layout.enabled = facts.windowEnabled && !facts.unavailable;
    return layout;
}

BarPart HitBarPart(const BarLayout& layout, Point point) {
    if (layout.thumb.Contains(point))
        return PartThumb;
    if (layout.firstArrow.Contains(point))
        return PartFirstArrow;
    if (layout.secondArrow.Contains(point))
        return PartSecondArrow;
    return PartNone;
}

ThumbTrack MeasureThumbTrack(const ScrollRange& range, std::int32_t clientExtent, std::int32_t arrowMetric) {
    ThumbTrack track;
    track.length = std::int64_t(clientExtent) - 2 * std::int64_t(arrowMetric);
    if (track.length <= 0)
        return track;
    const std::int64_t span = std::int64_t(range.max) - range.min + 1;
    if (range.page == 0)
        track.thumb = arrowMetric;
    else // a page as large as the range or larger fills the track, leaving nothing to travel
        track.thumb = std::max(span > 0 ? MulDiv64(track.length, range.page, span) : track.length, kMinThumbLength);
    track.travel = track.length - track.thumb;
    return track;
}

std::int32_t ThumbTrackToPosition(const ScrollRange& range, std::int32_t clientExtent, std::int32_t arrowMetric,
                                  std::int32_t offset) {
    const ThumbTrack track = MeasureThumbTrack(range, clientExtent, arrowMetric);
    if (track.length <= 0 || track.travel <= 0)
        return range.min;
    const std::int64_t page = range.page;
    if (offset == kCurrentThumbOffset) {
        const std::int64_t positions = std::int64_t(range.max) - page - range.min + 1;
        return positions > 0 ? Narrow(MulDiv64(std::int64_t(range.pos) - range.min, track.travel, positions)) : 0;
    }
    const std::int64_t o = std::clamp<std::int64_t>(offset, 0, track.travel);
    const std::int64_t scrollable = std::max<std::int64_t>(
        page != 0 ? std::int64_t(range.max) - page - range.min + 1 : std::int64_t(range.max) - range.min, 0);
    return Narrow(range.min + (o * scrollable + track.travel / 2) / track.travel);
}

ThumbSpan ThumbSpanFromRange(const ScrollRange& range, std::int32_t clientExtent, std::int32_t arrowMetric) {
    const ThumbTrack track = MeasureThumbTrack(range, clientExtent, arrowMetric);
    if (track.length <= 0 || track.travel <= 0)
        return {};
    const std::int64_t offset = std::clamp<std::int64_t>(
        ThumbTrackToPosition(range, clientExtent, arrowMetric, kCurrentThumbOffset), 0, track.travel);
    const std::int64_t start = std::int64_t(arrowMetric) + offset;
    return {Narrow(start), Narrow(start + track.thumb)};
}

} // namespace tarnvale
