// The skinned frame on a screen of the DPI the run was started at (96, 144 or 192): the caption strip, frames and
// caption buttons at their 96-DPI sizes times the scale, hit-testing and a real click on the scaled places, the
// caption title as tall as the dialog's own text. The move to a screen of another DPI is tried on the program's main
// window (app_dpi_test.cpp).
#include "skin/DpiScale.h"
#include "skin/FrameGeometry.h"
#include "skin/win/SkinManager.h"
#include "skin/win/WindowDpi.h"
#include "support/MessageRecorder.h"
#include "support/RealInput.h"
#include "support/SkinnedFrameTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

// The skin, at 96 DPI.
constexpr int kCaption = test::kFrameCaption, kSide = test::kFrameSide, kBottom = test::kFrameBottom;
constexpr int kButtonW = test::kFrameButtonW, kButtonH = test::kFrameButtonH;
constexpr std::uint32_t kCaptionColour = 0x2050A0, kFrameColour = 0x203060, kTitleColour = 0xFFFF00;
constexpr std::uint32_t kCloseColour = 0xC00000, kMinColour = 0x00C000, kMaxColour = 0x0000C0;
constexpr std::uint32_t kButtonColours[] = {kCloseColour, kMinColour, kMaxColour};
constexpr std::uint32_t kBodyText = 0x000000;
constexpr DWORD kFullCaption = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VISIBLE;

// The rows and columns that pixels of one colour cover in a part of a picture.
struct Extent {
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
};
Extent ColourExtent(const RgbImage& image, std::uint32_t colour, RECT part) {
    Extent e;
    for (int y = std::max<int>(part.top, 0); y < std::min<int>(part.bottom, image.height); ++y) {
        for (int x = std::max<int>(part.left, 0); x < std::min<int>(part.right, image.width); ++x) {
            if (image.At(x, y) != colour)
                continue;
            e.left = std::min(e.left, x);
            e.right = std::max(e.right, x);
            e.top = std::min(e.top, y);
            e.bottom = std::max(e.bottom, y);
        }
    }
    return e;
}

class SkinAtDpi : public test::SkinnedFrameTest {
protected:
    void SetUp() override {
        dpi_ = WindowDpi(nullptr);
        // The run says which DPI it set up: a prefix that silently stayed at 96 must not pass for 144.
        if (const char* expected = std::getenv("TARNVALE_EXPECTED_DPI")) {
            ASSERT_EQ(dpi_, std::atoi(expected));
        }
        AddFrame({"MS Sans Serif, 13, 400", kTitleColour, kTitleColour, [](int) { return kCaptionColour; },
                  [](int) { return kFrameColour; }, [](int button, int) { return kButtonColours[button]; }});
        skin_.Setting("UseTransparency", 1).Write();
        manager_.Start(dir_.Path().string().c_str());
    }

    int S(int pixels) const { return ScaleToDpi(pixels, dpi_); }

    // A visible, active dialog with a line of body text in the dialog's own font.
    HWND Show(DWORD style) {
        test::DialogTemplate dialog(style, 0, 220, 120, "Tarnvale");
        dialog.Add("Static", "Tarnvale", SS_LEFT, 0, 10, 40, 100, 12, 100);
        return SkinnedFrameTest::Show(dialog);
    }

    // The skin frame's thickness as the window shows it: where the client area lies in the window.
    static FrameMetrics Measured(HWND window) {
        RECT outer, client;
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        return {client.left - outer.left, outer.right - client.right, client.top - outer.top,
                outer.bottom - client.bottom};
    }

    static RgbImage Shot(HWND window) {
        RedrawWindow(window, nullptr, nullptr,
                     RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        return test::ScreenImage(window);
    }

    POINT CloseCentre(int width) const { return {width - S(kSide) - S(4) - S(kButtonW) / 2, S(5) + S(kButtonH) / 2}; }

    int dpi_ = kBaseDpi;
};

TEST_F(SkinAtDpi, FrameAndCaptionButtonsAtTheScale) {
    const HWND dialog = Show(kFullCaption | WS_THICKFRAME);
    SCOPED_TRACE("at " + std::to_string(dpi_) + " DPI");
    const FrameMetrics frame = Measured(dialog);
    EXPECT_EQ(frame.caption, S(kCaption));
    EXPECT_EQ(frame.left, S(kSide));
    EXPECT_EQ(frame.right, S(kSide));
    EXPECT_EQ(frame.bottom, S(kBottom));

    RECT rect;
    GetWindowRect(dialog, &rect);
    const int width = rect.right - rect.left;
    const RgbImage shot = Shot(dialog);
    const RECT caption{0, 0, width, S(kCaption)};
    const Extent strip = ColourExtent(shot, kCaptionColour, caption);
    EXPECT_EQ(strip.top, 0);
    EXPECT_EQ(strip.bottom, S(kCaption) - 1);
    const struct {
        const char* name;
        std::uint32_t colour;
        int left; // in the window
    } buttons[] = {
        {"close", kCloseColour, width - S(kSide) - S(4) - S(kButtonW)},
        {"minimise", kMinColour, S(kSide) + S(120)},
        {"maximise", kMaxColour, width - S(kSide) - S(28) - S(kButtonW)},
    };
    for (const auto& button : buttons) {
        SCOPED_TRACE(button.name);
        const Extent e = ColourExtent(shot, button.colour, caption);
        EXPECT_NEAR(e.Width(), S(kButtonW), 1);
        EXPECT_NEAR(e.Height(), S(kButtonH), 1);
        EXPECT_NEAR(e.left, button.left, 1);
        EXPECT_NEAR(e.top, S(5), 1);
    }
}

TEST_F(SkinAtDpi, HitTestsLandOnTheScaledPlaces) {
    const HWND sizable = Show(kFullCaption | WS_THICKFRAME);
    SCOPED_TRACE("at " + std::to_string(dpi_) + " DPI");
    RECT s;
    GetWindowRect(sizable, &s);
    const int w = s.right - s.left, h = s.bottom - s.top;
    const int buttonY = S(5) + S(kButtonH) / 2;
    const struct {
        const char* name;
        POINT inWindow;
        LRESULT expected;
    } rows[] = {
        {"close", CloseCentre(w), HTCLOSE},
        {"minimise", {S(kSide) + S(120) + S(kButtonW) / 2, buttonY}, HTMINBUTTON},
        {"maximise", {w - S(kSide) - S(28) - S(kButtonW) / 2, buttonY}, HTMAXBUTTON},
        {"caption's last row", {w / 2, S(kCaption) - 1}, HTCAPTION},
        {"client's first row", {w / 2, S(kCaption)}, HTCLIENT},
        {"left edge", {S(kSide) - 1, h / 2}, HTLEFT},
        {"left of the client", {S(kSide), h / 2}, HTCLIENT},
        {"right edge", {w - S(kSide), h / 2}, HTRIGHT},
        {"bottom edge", {w / 2, h - S(kBottom)}, HTBOTTOM},
        {"bottom-right", {w - 1, h - 1}, HTBOTTOMRIGHT},
        {"top edge", {w / 2, 1}, HTTOP},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const POINT at = OnScreen(sizable, row.inWindow);
        EXPECT_EQ(SendMessageA(sizable, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)), row.expected);
    }
}

TEST_F(SkinAtDpi, ARealClickOnTheScaledCloseButtonCloses) {
    const HWND dialog = Show(kFullCaption | WS_THICKFRAME);
    RECT rect;
    GetWindowRect(dialog, &rect);
    const POINT at = OnScreen(dialog, CloseCentre(rect.right - rect.left));
    const DWORD uiThread = GetCurrentThreadId();
    const test::RealInput input;
    ASSERT_TRUE(test::RunWhilePumping([&] {
        input.MoveTo(at);
        input.LeftDown();
        test::WaitUntil([&] { return test::CaptureOf(uiThread) == dialog; });
        input.LeftUp();
        test::WaitUntil([&] { return test::CaptureOf(uiThread) != dialog; });
    }));
    test::PumpPending();
    int closes = 0;
    for (const test::Message& m : recorder_.Of(WM_SYSCOMMAND))
        closes += (m.wParam & 0xFFF0) == SC_CLOSE;
    EXPECT_EQ(closes, 1);
}

TEST_F(SkinAtDpi, CaptionTitleAsTallAsTheBodyText) {
    const HWND dialog = Show(kFullCaption);
    SCOPED_TRACE("at " + std::to_string(dpi_) + " DPI");
    const RgbImage shot = Shot(dialog);
    const FrameMetrics frame = Measured(dialog);
    const Extent title = ColourExtent(shot, kTitleColour, {0, 0, shot.width, frame.caption});
    // The body's line of the same word, in the dialog's own font, which the system sizes for the DPI.
    const Extent body = ColourExtent(shot, kBodyText,
                                     {frame.left, frame.caption, shot.width - frame.right, shot.height - frame.bottom});
    ASSERT_GT(title.Height(), 0);
    ASSERT_GT(body.Height(), 0);
    EXPECT_NEAR(title.Height(), body.Height(), 1 + S(1));
}

} // namespace
} // namespace tarnvale
