// A skin at 144 and 192 DPI: its sizes rounded to the nearest pixel, and its images resampled frame by frame with
// magenta kept see-through and no colour running between frames.
#include "skin/DpiScale.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tarnvale {
namespace {

TEST(DpiScale, SizesRoundToTheNearestPixel) {
    const struct {
        std::int32_t value;
        int dpi;
        std::int32_t scaled;
    } rows[] = {
        {30, 96, 30},  {30, 144, 45}, {30, 192, 60}, {7, 144, 11}, // 10.5 goes up
        {-3, 144, -5},                                             // and away from zero below it
        {5, 120, 6},   {14, 168, 25}, {1, 144, 2},   {0, 192, 0},
        {30, 0, 30},   {30, -96, 30}, // a DPI the system could not give reads as 96
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.value) + " at " + std::to_string(row.dpi));
        EXPECT_EQ(ScaleToDpi(row.value, row.dpi), row.scaled);
    }
    EXPECT_EQ(ScaleToDpi(Margins{3, 4, 5, 6}, 144), (Margins{5, 6, 8, 9}));

    SkinElement element;
    element.margins = {2, 2, 2, 2};
    element.offsetX = -24;
    element.offsetY = 5;
    element.frame = {20, 20}; // the prepared image's own
    ScaleSectionToDpi(element, 192);
    EXPECT_EQ(element.margins, (Margins{4, 4, 4, 4}));
    EXPECT_EQ(element.offsetX, -48);
    EXPECT_EQ(element.offsetY, 10);
    EXPECT_EQ(element.frame.width, 20);

    GlobalSettings settings;
    settings.captionFont = {"Tahoma", 14, 700};
    settings.captionOffsetX = 6;
    settings.captionOffsetY = -1;
    settings.captionText = 0x00FFFFFF;
    const GlobalSettings scaled = ScaleToDpi(settings, 144);
    EXPECT_EQ(scaled.captionFont.face, "Tahoma");
    EXPECT_EQ(scaled.captionFont.size, 21);
    EXPECT_EQ(scaled.captionFont.weight, 700);
    EXPECT_EQ(scaled.captionOffsetX, 9);
    EXPECT_EQ(scaled.captionOffsetY, -2);
    EXPECT_EQ(scaled.captionText, 0x00FFFFFFu);
}

// A strip of frames each one solid colour, with a see-through column at the left of each.
RgbImage FramesWithClearEdge(std::int32_t width, std::int32_t height, std::initializer_list<std::uint32_t> colours,
                             bool stacked) {
    const auto count = std::int32_t(colours.size());
    RgbImage strip(stacked ? width : width * count, stacked ? height * count : height);
    std::int32_t f = 0;
    for (const std::uint32_t colour : colours) {
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x)
                strip.At(stacked ? x : f * width + x, stacked ? f * height + y : y) = x == 0 ? kMagenta : colour;
        }
        ++f;
    }
    return strip;
}

TEST(DpiScale, FramesKeepTheirColoursAndSeeThroughEdges) {
    const struct {
        const char* name;
        FrameSize to;
        StripLayout layout;
    } rows[] = {
        {"doubled, side by side", {16, 12}, StripLayout::Horizontal},
        {"doubled, stacked", {16, 12}, StripLayout::Vertical},
        {"half again, side by side", {12, 9}, StripLayout::Horizontal},
        {"half again, stacked", {12, 9}, StripLayout::Vertical},
        {"a quarter more", {10, 8}, StripLayout::Horizontal},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const bool stacked = row.layout == StripLayout::Vertical;
        const RgbImage source = FramesWithClearEdge(8, 6, {0xC00000, 0x0000C0, 0x00A000}, stacked);
        const RgbImage scaled = ResampleFrames(source, {8, 6}, 3, row.layout, row.to);
        ASSERT_EQ(scaled.width, stacked ? row.to.width : 3 * row.to.width);
        ASSERT_EQ(scaled.height, stacked ? 3 * row.to.height : row.to.height);
        const std::uint32_t colours[] = {0xC00000, 0x0000C0, 0x00A000};
        for (std::int32_t f = 0; f < 3; ++f) {
            // Every pixel is either see-through or exactly its own frame's colour: no pink fringe where the
            // see-through column meets the colour, nothing of the neighbouring frame.
            std::set<std::uint32_t> seen;
            for (std::int32_t y = 0; y < row.to.height; ++y) {
                for (std::int32_t x = 0; x < row.to.width; ++x)
                    seen.insert(scaled.At(stacked ? x : f * row.to.width + x, stacked ? f * row.to.height + y : y));
            }
            EXPECT_EQ(seen, (std::set<std::uint32_t>{kMagenta, colours[f]})) << "frame " << f;
            // The see-through edge stays as wide as the scale makes it, within a pixel.
            const std::int32_t y = stacked ? f * row.to.height : 0, x0 = stacked ? 0 : f * row.to.width;
            std::int32_t clear = 0;
            while (clear < row.to.width && scaled.At(x0 + clear, y) == kMagenta)
                ++clear;
            EXPECT_NEAR(clear, row.to.width / 8.0, 1.0) << "frame " << f;
        }
    }
}

TEST(DpiScale, ShrinkingAveragesOpaquePixelsOnly) {
    RgbImage source(4, 1);
    source.pixels = {0x000000, 0xFFFFFF, kMagenta, 0x204060};
    const RgbImage halved = ResampleFrames(source, {4, 1}, 1, StripLayout::Horizontal, {2, 1});
    ASSERT_EQ(halved.pixels.size(), 2u);
    EXPECT_EQ(halved.pixels[0], 0x808080u);
    // Half see-through, half colour: see-through wins the tie, so a frame's outline never grows when it shrinks.
    EXPECT_EQ(halved.pixels[1], kMagenta);

    // Two opaque pixels whose average is the key colour itself must not turn see-through.
    RgbImage nearKey(2, 1);
    nearKey.pixels = {0xFE00FF, 0xFF00FE};
    const RgbImage one = ResampleFrames(nearKey, {2, 1}, 1, StripLayout::Horizontal, {1, 1});
    ASSERT_EQ(one.pixels.size(), 1u);
    EXPECT_NE(one.pixels[0], kMagenta);
}

TEST(DpiScale, StripsThatCannotHoldTheirFramesGiveNothing) {
    const RgbImage strip(20, 10, 0x123456);
    EXPECT_EQ(ResampleFrames(strip, {8, 10}, 3, StripLayout::Horizontal, {12, 15}).pixels.size(), 0u);
    EXPECT_EQ(ResampleFrames(strip, {20, 5}, 3, StripLayout::Vertical, {30, 8}).pixels.size(), 0u);
    EXPECT_EQ(ResampleFrames(strip, {10, 10}, 2, StripLayout::Horizontal, {0, 15}).pixels.size(), 0u);
    EXPECT_EQ(ResampleFrames(strip, {10, 10}, 2, StripLayout::Horizontal, {15, 15}).width, 30);
}

} // namespace
} // namespace tarnvale
