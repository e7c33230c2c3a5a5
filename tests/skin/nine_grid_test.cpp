// Nine-grid geometry: corners kept, edges and centre stretched, and margins that do not fit.
#include "skin/NineGrid.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnvale {
namespace {

std::string Describe(const GridRect& r) {
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

// Every pixel of the target is covered by exactly one non-empty destination.
void ExpectTiles(const std::array<NineGridPart, 9>& parts, std::int32_t width, std::int32_t height) {
    std::vector<int> cover(std::size_t(width) * std::size_t(height), 0);
    for (const NineGridPart& part : parts) {
        if (part.destination.Empty())
            continue;
        for (std::int32_t y = part.destination.y; y < part.destination.y + part.destination.height; ++y) {
            for (std::int32_t x = part.destination.x; x < part.destination.x + part.destination.width; ++x) {
                ASSERT_TRUE(x >= 0 && y >= 0 && x < width && y < height) << Describe(part.destination);
                ++cover[std::size_t(y) * std::size_t(width) + std::size_t(x)];
            }
        }
    }
    for (std::size_t i = 0; i < cover.size(); ++i)
        ASSERT_EQ(cover[i], 1) << "pixel " << i % std::size_t(width) << "," << i / std::size_t(width);
}

TEST(NineGrid, PartsInDrawingOrder) {
    // A 30 x 20 frame with margins 4, 3, 4, 3 drawn into 100 x 20.
    const auto parts = NineGridParts(30, 20, {4, 3, 4, 3}, 100, 20);
    struct Row {
        const char* name;
        GridRect destination, source;
        bool stretched;
    } rows[] = {
        {"centre", {4, 3, 92, 14}, {4, 3, 22, 14}, true},     {"top-left", {0, 0, 4, 3}, {0, 0, 4, 3}, false},
        {"top-right", {96, 0, 4, 3}, {26, 0, 4, 3}, false},   {"bottom-right", {96, 17, 4, 3}, {26, 17, 4, 3}, false},
        {"bottom-left", {0, 17, 4, 3}, {0, 17, 4, 3}, false}, {"top", {4, 0, 92, 3}, {4, 0, 22, 3}, true},
        {"right", {96, 3, 4, 14}, {26, 3, 4, 14}, true},      {"bottom", {4, 17, 92, 3}, {4, 17, 22, 3}, true},
        {"left", {0, 3, 4, 14}, {0, 3, 4, 14}, true},
    };
    for (std::size_t i = 0; i < parts.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(parts[i].destination, rows[i].destination) << Describe(parts[i].destination);
        EXPECT_EQ(parts[i].source, rows[i].source) << Describe(parts[i].source);
        EXPECT_EQ(parts[i].stretched, rows[i].stretched);
    }
    ExpectTiles(parts, 100, 20);
}

TEST(NineGrid, SizesAndMargins) {
    struct Row {
        const char* name;
        std::int32_t fw, fh;
        Margins margins;
        std::int32_t w, h;
    } rows[] = {
        {"no margins", 30, 20, {0, 0, 0, 0}, 77, 5},
        {"frame size", 30, 20, {4, 3, 4, 3}, 30, 20},
        {"smaller than frame", 30, 20, {4, 3, 4, 3}, 12, 9},
        {"margins wider than target", 30, 20, {10, 8, 6, 8}, 9, 7},
        {"margins wider than frame", 12, 12, {10, 10, 10, 10}, 40, 40},
        {"negative margins", 12, 12, {-3, 2, -1, 2}, 40, 40},
        {"one pixel", 30, 20, {4, 3, 4, 3}, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto parts = NineGridParts(row.fw, row.fh, row.margins, row.w, row.h);
        ExpectTiles(parts, row.w, row.h);
        for (const NineGridPart& part : parts) {
            if (part.destination.Empty())
                continue;
            // Every source lies inside the frame; plain copies keep their size.
            EXPECT_GE(part.source.x, 0);
            EXPECT_GE(part.source.y, 0);
            EXPECT_LE(part.source.x + part.source.width, row.fw);
            EXPECT_LE(part.source.y + part.source.height, row.fh);
            if (!part.stretched) {
                EXPECT_EQ(part.source.width, part.destination.width);
                EXPECT_EQ(part.source.height, part.destination.height);
            }
        }
    }
}

TEST(NineGrid, FrameSizeIsOneToOne) {
    // Drawn at its own size, every part copies its pixels to the same place, whatever the margins.
    for (Margins margins : {Margins{0, 0, 0, 0}, Margins{4, 3, 4, 3}, Margins{29, 1, 1, 19}, Margins{20, 20, 20, 20}}) {
        SCOPED_TRACE(std::to_string(margins.left) + "," + std::to_string(margins.top));
        for (const NineGridPart& part : NineGridParts(30, 20, margins, 30, 20)) {
            if (!part.destination.Empty()) {
                EXPECT_EQ(part.destination, part.source) << Describe(part.destination);
            }
        }
    }
}

TEST(NineGrid, MarginsThatDoNotFitKeepTheirProportion) {
    const auto parts = NineGridParts(30, 20, {10, 0, 5, 0}, 9, 20);
    EXPECT_EQ(parts[1].destination.width, 6);  // top-left corner: 10 * 9 / 15
    EXPECT_EQ(parts[2].destination.width, 3);  // top-right corner takes the rest
    EXPECT_TRUE(parts[0].destination.Empty()); // no room for the centre
}

} // namespace
} // namespace tarnvale
