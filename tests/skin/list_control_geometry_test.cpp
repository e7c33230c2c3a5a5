// Header items and filler, and the combo box's drop-down button: where they lie and which frame they show.
#include "skin/ListControlGeometry.h"

#include <gtest/gtest.h>

namespace tarnvale {
namespace {

TEST(HeaderGeometry, FillerStartsUnderTheLastItemsRightBorder) {
    const Rect client{0, 0, 300, 20};
    struct Row {
        const char* name;
        std::optional<Rect> last;
        bool lastPressed;
        Rect filler;
    } rows[] = {
        {"no items: the whole header", std::nullopt, false, {0, 0, 302, 20}},
        {"last item normal", Rect{120, 0, 200, 20}, false, {198, 0, 302, 20}},
        {"last item pressed, its border one pixel on", Rect{120, 0, 200, 20}, true, {199, 0, 302, 20}},
        {"items past the right edge: nothing left to fill", Rect{120, 0, 310, 20}, false, {308, 0, 302, 20}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Rect filler = HeaderFillerRect(client, row.last, row.lastPressed);
        EXPECT_EQ(filler, row.filler);
        EXPECT_EQ(filler.Empty(), row.last && row.last->right > 302);
    }
}

TEST(HeaderGeometry, OnlyButtonHeadersShowTheCursorAndPressedTextMoves) {
    EXPECT_EQ(HeaderItemFrame(true, true, true), kHeaderFramePressed);
    EXPECT_EQ(HeaderItemFrame(true, true, false), kHeaderFrameHot);
    EXPECT_EQ(HeaderItemFrame(true, false, true), kHeaderFrameNormal);
    EXPECT_EQ(HeaderItemFrame(false, true, true), kHeaderFrameNormal);

    const Rect item{10, 0, 90, 20};
    EXPECT_EQ(HeaderTextRect(item, false), (Rect{15, 0, 88, 20}));
    EXPECT_EQ(HeaderTextRect(item, true), (Rect{16, 1, 89, 21}));
}

TEST(ComboGeometry, ButtonSitsInsideTheEdgesOnItsSide) {
    const ComboMetrics metrics{2, 2, 3, 17};
    EXPECT_EQ(ComboButtonRect(120, 24, false, metrics), (Rect{101, 2, 118, 22}));
    EXPECT_EQ(ComboButtonRect(120, 24, true, metrics), (Rect{3, 2, 20, 22}));

    // Dropped down wins over the cursor, the cursor over a disabled window.
    EXPECT_EQ(ComboButtonFrame(true, true, false), kComboFrameDropped);
    EXPECT_EQ(ComboButtonFrame(false, true, false), kComboFrameHot);
    EXPECT_EQ(ComboButtonFrame(false, false, false), kComboFrameDisabled);
    EXPECT_EQ(ComboButtonFrame(false, false, true), kComboFrameNormal);
}

} // namespace
} // namespace tarnvale
