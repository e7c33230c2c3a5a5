// The fixture of the skinned-frame tests (the frame's look and behaviour, and the frame at the screen's DPI): a skin
// of a caption, side and bottom frames and three caption buttons put together by the test, dialogs shown active at a
// known place, and every window the test made destroyed at its end.
#pragma once

#include "skin/win/SkinManager.h"
#include "support/MessageRecorder.h"
#include "support/SyntheticSkin.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace tarnvale::test {

// The frame's sizes at 96 DPI: the caption's height, the side frames' width, the bottom frame's height and the
// caption buttons'.
inline constexpr int kFrameCaption = 30, kFrameSide = 6, kFrameBottom = 8, kFrameButtonW = 20, kFrameButtonH = 18;

// How the frame looks: the caption font, the title's colours, each element's colour by frame (0 active, 1 inactive)
// and each caption button's by button (0 close, 1 minimise, 2 maximise) and frame.
struct FrameLook {
    const char* captionFont;
    std::uint32_t titleActive, titleInactive;
    std::function<std::uint32_t(int frame)> caption, frame;
    std::function<std::uint32_t(int button, int frame)> button;
};

class SkinnedFrameTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (HWND window : windows_) {
            if (IsWindow(window))
                DestroyWindow(window);
        }
        PumpPending();
    }

    // Puts the frame into the skin in look: the title 8 pixels in; close and maximise anchored top-right, 4 and 28
    // pixels in, minimise top-left, 120 in; every button 5 down. The test writes the skin and starts the manager.
    void AddFrame(const FrameLook& look) {
        skin_.Setting("CaptionFont", look.captionFont)
            .Colour(kElementSysMetrics, "CaptionText", look.titleActive)
            .Colour(kElementSysMetrics, "CaptionTextInactive", look.titleInactive)
            .Setting("CaptionOffset", "8,0")
            .Image(kElementCaption, FramesOf(kElementCaption, 40, kFrameCaption, look.caption))
            .Image(kElementFrameLeft, FramesOf(kElementFrameLeft, kFrameSide, 60, look.frame))
            .Image(kElementFrameRight, FramesOf(kElementFrameRight, kFrameSide, 60, look.frame))
            .Image(kElementFrameBottom, FramesOf(kElementFrameBottom, 40, kFrameBottom, look.frame));
        const struct {
            int element;
            const char* offset;
            const char* anchor;
        } buttons[] = {{kElementCloseButton, "4,5", "TopRight"},
                       {kElementMinButton, "120,5", "TopLeft"},
                       {kElementMaxButton, "28,5", "TopRight"}};
        for (const auto& button : buttons) {
            const int index = button.element - kElementCloseButton;
            skin_
                .Image(button.element, FramesOf(button.element, kFrameButtonW, kFrameButtonH,
                                                [&](int f) { return look.button(index, f); }))
                .Set(button.element, "Offset", button.offset)
                .Set(button.element, "OffsetType", button.anchor);
        }
    }

    // The dialog of a template, visible and active at (x, y) on the screen.
    HWND Show(const DialogTemplate& dialog, int x = 100, int y = 100) {
        const HWND window = recorder_.CreateDialogFrom(dialog.Get());
        windows_.push_back(window);
        SetWindowPos(window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
        SetForegroundWindow(window);
        SetActiveWindow(window);
        PumpPending();
        return window;
    }

    static POINT OnScreen(HWND window, POINT inWindow) {
        RECT rect;
        GetWindowRect(window, &rect);
        return {rect.left + inWindow.x, rect.top + inWindow.y};
    }

    TempDir dir_;
    SyntheticSkin skin_{dir_};
    MessageRecorder recorder_{WM_SYSCOMMAND, WM_INITMENUPOPUP, WM_ENTERIDLE};
    SkinManager manager_;
    std::vector<HWND> windows_;
};

} // namespace tarnvale::test
