// Dialog frame arithmetic: caption and button places, hit-test zones, the client area under the skin frame and
// the growth that keeps it, and the see-through runs of a composed frame.
#include "skin/FrameGeometry.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnvale {
namespace {

std::string Describe(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TEST(FrameGeometry, CaptionAndButtonsFromTheirAnchors) {
    const FrameMetrics frame{6, 5, 30, 8};
    const Rect caption = CaptionRect(300, frame);
    EXPECT_EQ(caption, (Rect{6, 0, 295, 30})) << Describe(caption);
    EXPECT_EQ(FrameClientRect(300, 200, frame), (Rect{6, 30, 295, 192}));

    struct Row {
        const char* name;
        ButtonPlacement button;
        Rect expected;
    } rows[] = {
        {"top-right", {4, 5, true, 24, 20}, {267, 5, 291, 25}},
        {"top-left", {7, 3, false, 24, 20}, {13, 3, 37, 23}},
        {"no offset", {0, 0, true, 10, 10}, {285, 0, 295, 10}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Rect r = CaptionButtonRect(caption, row.button);
        EXPECT_EQ(r, row.expected) << Describe(r);
        // Hit-testing places the buttons where painting does, only moved to the window's screen position.
        const Rect window = Rect{0, 0, 300, 200}.Offset(100, 50);
        EXPECT_EQ(CaptionButtonRect(HitTestCaptionRect(window, frame), row.button), r.Offset(100, 50));
    }
}

TEST(FrameGeometry, HitTestZones) {
    const FrameMetrics frame{6, 5, 30, 8};
    const Rect window{100, 200, 400, 450};
    const Rect client{106, 230, 395, 442};
    const ButtonHit buttons[] = {{kHitClose, {360, 200, 380, 220}}, {kHitMinButton, {330, 208, 350, 228}}};
    const FrameStyle sizable{false, true, true, true};
    const FrameStyle fixed{false, false, true, true};
    const FrameStyle dialogFrameOnly{false, true, true, false};
    const FrameStyle minimized{true, true, true, true};

    struct Row {
        const char* name;
        Point point;
        FrameStyle style;
        int expected;
    } rows[] = {
        {"outside left", {99, 300}, sizable, kHitNowhere},
        {"right edge is outside", {400, 300}, sizable, kHitNowhere},
        {"client", {200, 300}, sizable, kHitClient},
        {"caption", {200, 215}, sizable, kHitCaption},
        {"top band as thick as the bottom frame", {200, 207}, sizable, kHitTop},
        {"caption starts below the band", {200, 208}, sizable, kHitCaption},
        {"close button", {370, 212}, sizable, kHitClose},
        {"close button inside the top band sizes", {370, 203}, sizable, kHitTop},
        {"minimise button", {340, 220}, sizable, kHitMinButton},
        {"top-left", {100, 200}, sizable, kHitTopLeft},
        {"top-right", {399, 207}, sizable, kHitTopRight},
        {"left", {100, 300}, sizable, kHitLeft},
        {"right", {396, 300}, sizable, kHitRight},
        {"bottom-left", {105, 449}, sizable, kHitBottomLeft},
        {"bottom", {200, 442}, sizable, kHitBottom},
        {"bottom-right", {399, 449}, sizable, kHitBottomRight},
        {"fixed: left border", {100, 300}, fixed, kHitBorder},
        {"fixed: top band", {200, 201}, fixed, kHitBorder},
        {"fixed: caption still drags", {200, 215}, fixed, kHitCaption},
        {"dialog frame without border: border", {399, 449}, dialogFrameOnly, kHitBorder},
        {"minimised: client", {200, 300}, minimized, kHitCaption},
        {"minimised: corner", {100, 200}, minimized, kHitCaption},
        {"minimised: outside", {99, 200}, minimized, kHitNowhere},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FrameHitTest(row.point, window, client, frame, row.style, buttons), row.expected);
    }
}

// The window grows by what the skin frame adds over the standard one, and the client area under the skin frame
// then has the size it had under the standard frame, in both forms of the computation.
TEST(FrameGeometry, ClientAreaKeepsItsSize) {
    const FrameGrowth example = SkinFrameGrowth({6, 6, 30, 8}, {3, 18});
    EXPECT_EQ(example.width, 6);
    EXPECT_EQ(example.height, 9 + 5);

    struct Row {
        const char* name;
        FrameMetrics frame;
        StandardFrame standard;
    } rows[] = {
        {"dialog frame", {6, 6, 30, 8}, {3, 18}},
        {"thick frame", {4, 7, 26, 5}, {4, 19}},
        {"skin thinner than the standard frame", {1, 1, 12, 1}, {4, 19}},
    };
    const Rect window{50, 60, 450, 360};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::int32_t b = row.standard.border;
        auto standardClient = [&](const Rect& w) {
            return Rect{w.left + b, w.top + b + row.standard.systemCaption, w.right - b, w.bottom - b};
        };
        const Rect before = standardClient(window);
        const FrameGrowth growth = SkinFrameGrowth(row.frame, row.standard);
        const Rect grown{window.left, window.top, window.right + growth.width, window.bottom + growth.height};
        const Rect after = SkinClientFromStandard(standardClient(grown), row.frame, row.standard);
        EXPECT_EQ(after.Width(), before.Width());
        EXPECT_EQ(after.Height(), before.Height());
        EXPECT_EQ(SkinClientFromWindow(grown, row.frame, b), after);
    }

    // Without a standard border the skin frame replaces nothing: no growth, and no client shrunk in either form.
    const FrameMetrics frame{6, 6, 30, 8};
    EXPECT_EQ(SkinFrameGrowth(frame, {0, 18}).height, 0);
    EXPECT_EQ(SkinClientFromStandard(window, frame, {0, 18}), window);
    EXPECT_FALSE(SkinClientFromWindow(window, frame, 0));
    EXPECT_FALSE(SkinClientFromWindow({10, 10, 10, 40}, frame, 3)); // an empty window rectangle
    // A window smaller than the skin frame gets an empty client area, never an inverted one.
    const Rect tiny = *SkinClientFromWindow({0, 0, 8, 20}, frame, 3);
    EXPECT_TRUE(tiny.Empty());
    EXPECT_GE(tiny.right, tiny.left);
    EXPECT_GE(tiny.bottom, tiny.top);
}

TEST(FrameGeometry, BorderWidthsOfStylesAddUp) {
    constexpr std::uint32_t kCaption = kStyleBorder | kStyleDialogFrame;
    struct Row {
        std::uint32_t style, exStyle;
        int expected;
    } rows[] = {
        {0, 0, 0},
        {kStyleBorder, 0, 1},
        {kStyleDialogFrame, 0, 1},
        {kCaption, 0, 1},
        {0, kExStyleDialogModalFrame, 1},
        {kStyleThickFrame, 0, 1},
        {0, kExStyleStaticEdge, 1},
        {0, kExStyleWindowEdge | kExStyleStaticEdge, 2},
        {0, kExStyleClientEdge, 2},
        {kCaption, kExStyleWindowEdge | kExStyleDialogModalFrame, 3},
        {kCaption | kStyleThickFrame, kExStyleWindowEdge | kExStyleClientEdge, 6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.style) + " " + std::to_string(row.exStyle));
        EXPECT_EQ(BorderWidthForStyle(row.style, row.exStyle), row.expected);
    }
}

} // namespace
} // namespace tarnvale
