// Scroll-bar geometry: arrows, shaft, corner and thumb of both orientations, the thumb arithmetic at its edges, and
// the held arrow's step delays.
#include "skin/ScrollBarGeometry.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace tarnvale {
namespace {

std::string Describe(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TEST(ScrollBarGeometry, ArrowsShaftAndThumbAlongTheBar) {
    constexpr int w = 17;
    struct Row {
        const char* name;
        BarFacts facts;
        Rect first, second, shaft, thumb;
    } rows[] = {
        {"vertical",
         {{100, 2, 117, 202}, true, w, false, {40, 60}}, //
         {100, 2, 117, 19},
         {100, 185, 117, 202},
         {100, 19, 117, 185},
         {100, 42, 117, 62}},
        // The corner square at the end (185..202) is left to the control: the down arrow sits above it.
        {"vertical beside a horizontal bar",
         {{100, 2, 117, 202}, true, w, true, {40, 60}}, //
         {100, 2, 117, 19},
         {100, 168, 117, 185},
         {100, 19, 117, 168},
         {100, 42, 117, 62}},
        // The right arrow is the first one; the left arrow starts the bar.
        {"horizontal beside a vertical bar",
         {{2, 80, 302, 97}, false, w, true, {17, 47}}, //
         {268, 80, 285, 97},
         {2, 80, 19, 97},
         {19, 80, 268, 97},
         {19, 80, 49, 97}},
        {"shorter than two arrows",
         {{0, 0, 17, 30}, true, w, false, {}}, //
         {0, 0, 17, 15},
         {0, 15, 17, 30},
         {0, 15, 17, 15},
         {0, 0, 17, 0}},
        // Halved beside the corner, so the arrows neither overlap each other nor reach into the corner.
        {"short, beside a horizontal bar",
         {{0, 0, 30, 17}, false, w, true, {}}, //
         {13 - 6, 0, 13, 17},
         {0, 0, 6, 17},
         {6, 0, 7, 17},
         {0, 0, 0, 17}},
        {"shorter than the corner",
         {{0, 0, 17, 10}, true, w, true, {}}, //
         {0, 0, 17, 0},
         {0, -7, 17, -7},
         {0, 0, 17, -7},
         {0, 0, 17, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const BarLayout layout = ComputeBarLayout(row.facts);
        EXPECT_EQ(layout.firstArrow, row.first) << Describe(layout.firstArrow);
        EXPECT_EQ(layout.secondArrow, row.second) << Describe(layout.secondArrow);
        EXPECT_EQ(layout.shaft, row.shaft) << Describe(layout.shaft);
        EXPECT_EQ(layout.thumb, row.thumb) << Describe(layout.thumb);
        EXPECT_TRUE(layout.enabled);
    }

    // Hits: the thumb before the arrows, and nothing on the shaft, in the corner or outside.
    const BarLayout layout = ComputeBarLayout(rows[1].facts);
    EXPECT_EQ(HitBarPart(layout, {105, 10}), PartFirstArrow);
    EXPECT_EQ(HitBarPart(layout, {105, 170}), PartSecondArrow);
    EXPECT_EQ(HitBarPart(layout, {116, 42}), PartThumb);
    EXPECT_EQ(HitBarPart(layout, {105, 100}), PartNone);
    EXPECT_EQ(HitBarPart(layout, {105, 190}), PartNone);
    EXPECT_EQ(HitBarPart(layout, {117, 10}), PartNone);
    BarFacts overlapping = rows[0].facts;
    overlapping.thumb = {10, 30};
    EXPECT_EQ(HitBarPart(ComputeBarLayout(overlapping), {105, 15}), PartThumb);

    BarFacts disabled = rows[0].facts;
    disabled.windowEnabled = false;
    EXPECT_FALSE(ComputeBarLayout(disabled).enabled);
    disabled.windowEnabled = true;
    disabled.unavailable = true;
    EXPECT_FALSE(ComputeBarLayout(disabled).enabled);
}

TEST(ScrollBarGeometry, ThumbOffsetsAndPositions) {
    constexpr std::int32_t arrow = 17, client = 134; // a track of 100 pixels
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    struct Row {
        const char* name;
        ScrollRange range;
        std::int32_t clientExtent, offset, expected;
    } rows[] = {
        // Page 10 of 100: a 10-pixel thumb with 90 pixels to travel, one position per pixel.
        {"current offset", {0, 99, 10, 45}, client, kCurrentThumbOffset, 45},
        {"current offset above a minimum", {10, 109, 10, 55}, client, kCurrentThumbOffset, 45},
        {"track end is the last position", {0, 99, 10, 0}, client, 90, 90},
        {"beyond the end is clamped", {0, 99, 10, 0}, client, 500, 90},
        {"before the start is clamped", {0, 99, 10, 0}, client, -7, 0},
        // Page 0: the thumb is one arrow long (83 pixels to travel) and the end reaches the maximum.
        {"page 0, rounded up", {0, 9, 0, 0}, client, 5, 1},
        {"page 0, rounded down", {0, 9, 0, 0}, client, 4, 0},
        {"page 0, end", {0, 9, 0, 0}, client, 83, 9},
        // A tiny page still gets an 8-pixel thumb: 92 pixels to travel.
        {"tiny page", {0, 9999, 1, 0}, client, 46, 5000},
        {"tiny page, end", {0, 9999, 1, 0}, client, 92, 9999},
        // Too short a track, or a page that covers the range, leaves the minimum.
        {"no track", {5, 99, 10, 50}, 2 * arrow, 10, 5},
        {"track shorter than the thumb", {5, 99, 0, 50}, 2 * arrow + 16, 10, 5},
        {"page equals the range", {5, 14, 10, 5}, client, 50, 5},
        {"page beyond the range", {5, 14, 11, 5}, client, 50, 5},
        {"page with its top bit set", {5, 14, 0xFFFFFFFFu, 5}, client, 50, 5},
        {"current offset, page beyond the range", {5, 14, 0xFFFFFFFFu, 5}, client, kCurrentThumbOffset, 5},
        // The whole 32-bit range: 2^32 positions, half of them in a page.
        {"whole range, end", {kMin, kMax, 0x80000000u, 0}, client, 50, 0},
        {"whole range, middle", {kMin, kMax, 0x80000000u, 0}, client, 25, kMin / 2},
        {"whole range, current", {kMin, kMax, 0x80000000u, kMin / 2}, client, kCurrentThumbOffset, 25},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ThumbTrackToPosition(row.range, row.clientExtent, arrow, row.offset), row.expected);
    }

    // Without the system's word, the thumb is drawn where dragging would put it: after the first arrow.
    const ThumbSpan span = ThumbSpanFromRange({0, 99, 10, 45}, client, arrow);
    EXPECT_EQ(span.start, arrow + 45);
    EXPECT_EQ(span.end, arrow + 55);
    const ThumbSpan none = ThumbSpanFromRange({0, 99, 100, 0}, client, arrow);
    EXPECT_EQ(none.start, none.end);
    EXPECT_EQ(ThumbSpanFromRange({0, 99, 10, 45}, 2 * arrow, arrow).end, 0);
}

TEST(ScrollBarGeometry, HeldArrowStepsAtOnceThenSlowlyThenFast) {
    struct Row {
        std::size_t step;
        std::uint32_t delayMs;
    } rows[] = {{0, 0}, {1, 200}, {2, 50}, {3, 50}, {1000, 50}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.step);
        EXPECT_EQ(ArrowRepeatDelayMs(row.step), row.delayMs);
    }
}

} // namespace
} // namespace tarnvale
