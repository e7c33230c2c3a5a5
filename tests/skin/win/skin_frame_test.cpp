// The skinned dialog frame on real windows: caption, frames and buttons read back from the window, hit-testing,
// caption buttons driven by real mouse input, the see-through shape (colour key or window region), the hot button, and
// skin changes that come before the dialog is initialised.
#include "skin/win/SkinDialog.h"
#include "skin/win/SkinManager.h"
#include "support/MessageRecorder.h"
#include "support/RealInput.h"
#include "support/SkinnedFrameTest.h"
#include "support/WindowScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tarnvale {
namespace {

constexpr int kCaption = test::kFrameCaption, kSide = test::kFrameSide, kBottom = test::kFrameBottom;
constexpr int kButtonW = test::kFrameButtonW, kButtonH = test::kFrameButtonH;
constexpr std::uint32_t kCaptionActive = 0x2050A0, kCaptionInactive = 0x708090;
constexpr std::uint32_t kFrameActive = 0x203060, kFrameInactive = 0x607080;
constexpr std::uint32_t kTextActive = 0xFFFF00, kTextInactive = 0x00FFFF;
constexpr std::uint32_t kPink = 0xFF00FF;

// Close, minimise and maximise buttons in one channel each (red, green, blue), brighter with each frame.
std::uint32_t ButtonColour(int button, int frame) {
    return std::uint32_t(0x30 + 0x20 * frame) << (16 - 8 * button);
}

constexpr DWORD kFullCaption = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VISIBLE;

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

// The window as it shows itself, frame included, read back after a full repaint.
std::unique_ptr<test::DibCanvas> Shot(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT rect;
    GetWindowRect(window, &rect);
    auto canvas = std::make_unique<test::DibCanvas>(Width(rect), Height(rect), 0);
    const HDC dc = GetWindowDC(window);
    BitBlt(canvas->dc(), 0, 0, Width(rect), Height(rect), dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    return canvas;
}

std::uint32_t WindowPixel(HWND window, int x, int y) {
    return test::ScreenPixel(window, {x, y});
}

// The columns and rows that pixels of one colour cover within the caption.
struct Extent {
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1, count = 0;
};
Extent ColourExtent(const test::DibCanvas& canvas, std::uint32_t colour, int fromX, int toX) {
    Extent e;
    for (int y = 0; y < kCaption; ++y) {
        for (int x = std::max(fromX, 0); x < std::min(toX, canvas.Width()); ++x) {
            if (canvas.Pixel(x, y) != colour)
                continue;
            e.left = std::min(e.left, x);
            e.right = std::max(e.right, x);
            e.top = std::min(e.top, y);
            e.bottom = std::max(e.bottom, y);
            ++e.count;
        }
    }
    return e;
}

class SkinnedFrame : public test::SkinnedFrameTest {
protected:
    void SetUp() override {
        AddFrame({"Tahoma, 14, 700", kTextActive, kTextInactive,
                  [](int f) { return f ? kCaptionInactive : kCaptionActive; },
                  [](int f) { return f ? kFrameInactive : kFrameActive; }, ButtonColour});
        RgbImage left =
            test::FramesOf(kElementFrameLeft, kSide, 60, [](int f) { return f ? kFrameInactive : kFrameActive; });
        RgbImage right = left;
        for (int f = 0; f < 2; ++f) {
            // A notch at the outer top corner of each side frame, which the shape must cut away.
            test::FillRect(left, f * kSide, 0, 2, 2, kPink);
            test::FillRect(right, f * kSide + kSide - 2, 0, 2, 2, kPink);
        }
        skin_.Image(kElementFrameLeft, left)
            .Set(kElementFrameLeft, "SizingMargins", "0,4,0,4")
            .Image(kElementFrameRight, right)
            .Set(kElementFrameRight, "SizingMargins", "0,4,0,4");
        WriteSkin(0, 1);
        // The dialog's own procedure: system commands recorded, menus closed as soon as they open.
        for (UINT menu : {WM_INITMENUPOPUP, WM_ENTERIDLE})
            recorder_.On(menu, [](const test::Message&) {
                EndMenu();
                return false;
            });
        manager_.Start(dir_.Path().string().c_str());
    }

    void WriteSkin(int alignment, int useTransparency) {
        skin_.Setting("UseTransparency", useTransparency).Setting("TextAlignment", alignment).Write();
    }

    // The system commands the dialog heard, without their low four bits.
    int Sent(WPARAM command) const {
        int sent = 0;
        for (const test::Message& m : recorder_.Of(WM_SYSCOMMAND))
            sent += (m.wParam & 0xFFF0) == command;
        return sent;
    }
    int MenusOpened() const { return recorder_.Count(WM_INITMENUPOPUP) + recorder_.Count(WM_ENTERIDLE); }

    // A visible, active dialog at a known place on the screen.
    HWND Show(DWORD style, int x = 100, int y = 100) {
        return SkinnedFrameTest::Show(test::DialogTemplate(style, 0, 220, 120, "Tarnvale"), x, y);
    }

    // A plain window that takes the activation away from the dialogs.
    void ActivateSomethingElse() {
        const HWND other = CreateWindowExA(0, "Static", "other", WS_POPUP | WS_VISIBLE, 900, 700, 50, 50, nullptr,
                                           nullptr, GetModuleHandleA(nullptr), nullptr);
        windows_.push_back(other);
        SetActiveWindow(other);
        test::PumpPending();
    }

    SkinDialog& Skin(HWND dialog) { return *manager_.Registry().FindDialog(dialog); }
    // Whether the frame shows the active look: the caption's active colour.
    static bool LooksActive(HWND dialog) { return Shot(dialog)->Pixel(kSide + 1, 1) == kCaptionActive; }

    // Centres of the three buttons in window coordinates: close and maximise anchored top-right, minimise top-left.
    static POINT CloseCentre(int width) { return {width - kSide - 4 - kButtonW / 2, 5 + kButtonH / 2}; }
    static POINT MaxCentre(int width) { return {width - kSide - 28 - kButtonW / 2, 5 + kButtonH / 2}; }
    static POINT MinCentre() { return {kSide + 120 + kButtonW / 2, 5 + kButtonH / 2}; }
};

TEST_F(SkinnedFrame, CaptionFramesAndButtonsActiveAndInactive) {
    const HWND dialog = Show(kFullCaption | WS_THICKFRAME);
    ASSERT_TRUE(Skin(dialog).IsFrameSkinned());
    RECT rect;
    GetWindowRect(dialog, &rect);
    const int width = Width(rect), height = Height(rect);

    struct State {
        const char* name;
        std::uint32_t caption, frame, text, otherText;
        int buttonFrame;
    } states[] = {
        {"active", kCaptionActive, kFrameActive, kTextActive, kTextInactive, 0},
        {"inactive", kCaptionInactive, kFrameInactive, kTextInactive, kTextActive, 3},
    };
    for (const State& state : states) {
        SCOPED_TRACE(state.name);
        if (state.buttonFrame == 3)
            ActivateSomethingElse();
        const auto shot = Shot(dialog);
        EXPECT_EQ(shot->Pixel(kSide + 1, 1), state.caption);
        EXPECT_EQ(shot->Pixel(2, height / 2), state.frame);
        EXPECT_EQ(shot->Pixel(width - 3, height / 2), state.frame);
        EXPECT_EQ(shot->Pixel(width / 2, height - 2), state.frame);
        const POINT buttons[] = {CloseCentre(width), MinCentre(), MaxCentre(width)};
        for (int b = 0; b < 3; ++b)
            EXPECT_EQ(shot->Pixel(buttons[b].x, buttons[b].y), ButtonColour(b, state.buttonFrame)) << b;
        // The title in the skin's colour for the state, right of the caption offset.
        const Extent text = ColourExtent(*shot, state.text, 0, width);
        EXPECT_GT(text.count, 10);
        EXPECT_GE(text.left, kSide + 8);
        EXPECT_EQ(ColourExtent(*shot, state.otherText, 0, width).count, 0);
    }

    // Without a system menu there are no buttons, and the caption shows where they would be.
    const HWND plain = Show(WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 400);
    const auto shot = Shot(plain);
    GetWindowRect(plain, &rect);
    for (const POINT at : {CloseCentre(Width(rect)), MinCentre(), MaxCentre(Width(rect))})
        EXPECT_EQ(shot->Pixel(at.x, at.y), kCaptionActive);
}

TEST_F(SkinnedFrame, LongTitlesEndInAnEllipsisAndAlignmentCentres) {
    const HWND dialog = Show(kFullCaption);
    RECT rect;
    GetWindowRect(dialog, &rect);
    const int width = Width(rect);
    const std::uint32_t colour = LooksActive(dialog) ? kTextActive : kTextInactive;

    SetWindowTextA(dialog, std::string(80, 'W').c_str());
    auto shot = Shot(dialog);
    const Extent all = ColourExtent(*shot, colour, 0, width);
    ASSERT_GT(all.count, 0);
    EXPECT_LE(all.right, width - kSide - 1);
    EXPECT_GE(all.bottom - all.top, 7); // the capitals are tall...
    const Extent tail = ColourExtent(*shot, colour, all.right - 9, all.right + 1);
    EXPECT_LE(tail.bottom - tail.top, 3); // ...and the last ten columns hold only the dots

    WriteSkin(1, 1);
    manager_.LoadSkin(dir_.Path().string().c_str());
    SetWindowTextA(dialog, "Tarnvale");
    shot = Shot(dialog);
    const Extent title = ColourExtent(*shot, colour, 0, width);
    ASSERT_GT(title.count, 0);
    const int textLeft = kSide + 8, textRight = width - kSide;
    EXPECT_NEAR((title.left + title.right + 1) / 2.0, (textLeft + textRight) / 2.0, 3.0);
}

TEST_F(SkinnedFrame, HitTestingARealDialog) {
    const HWND sizable = Show(kFullCaption | WS_THICKFRAME);
    const HWND fixed = Show(kFullCaption | DS_MODALFRAME, 100, 400);
    RECT s, f;
    GetWindowRect(sizable, &s);
    GetWindowRect(fixed, &f);
    struct Row {
        const char* name;
        HWND window;
        POINT inWindow;
        LRESULT expected;
    } rows[] = {
        {"close", sizable, CloseCentre(Width(s)), HTCLOSE},
        {"minimise", sizable, MinCentre(), HTMINBUTTON},
        {"maximise", sizable, MaxCentre(Width(s)), HTMAXBUTTON},
        {"caption", sizable, {Width(s) / 2, kCaption - 2}, HTCAPTION},
        {"client", sizable, {Width(s) / 2, Height(s) / 2}, HTCLIENT},
        {"left edge", sizable, {1, Height(s) / 2}, HTLEFT},
        {"top edge", sizable, {Width(s) / 2, 1}, HTTOP},
        {"bottom-right", sizable, {Width(s) - 1, Height(s) - 1}, HTBOTTOMRIGHT},
        {"fixed border", fixed, {1, Height(f) / 2}, HTBORDER},
        {"fixed bottom", fixed, {Width(f) / 2, Height(f) - 1}, HTBORDER},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const POINT at = OnScreen(row.window, row.inWindow);
        EXPECT_EQ(SendMessageA(row.window, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)), row.expected);
    }

    // A grayed close item takes the close button away: its place is caption.
    EnableMenuItem(GetSystemMenu(sizable, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    POINT at = OnScreen(sizable, CloseCentre(Width(s)));
    EXPECT_EQ(SendMessageA(sizable, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)), HTCAPTION);

    // A minimised dialog is all caption.
    ShowWindow(fixed, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(fixed));
    GetWindowRect(fixed, &f);
    at = {(f.left + f.right) / 2, (f.top + f.bottom) / 2};
    EXPECT_EQ(SendMessageA(fixed, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)), HTCAPTION);
}

// Presses and releases go through the system's input queue: the button loop reads the cursor from its messages.
TEST_F(SkinnedFrame, CaptionButtonsActOnRelease) {
    const HWND dialog = Show(kFullCaption | WS_THICKFRAME);
    const DWORD uiThread = GetCurrentThreadId();
    // A button's centre, moved by dx: presses in turn land a few pixels apart, so that none makes a double-click.
    auto centre = [&](bool max, int dx) {
        RECT rect;
        GetWindowRect(dialog, &rect);
        const POINT at = OnScreen(dialog, max ? MaxCentre(Width(rect)) : CloseCentre(Width(rect)));
        return POINT{at.x + dx, at.y};
    };
    auto captured = [&](bool held) {
        return test::WaitUntil([&] { return (test::CaptureOf(uiThread) == dialog) == held; });
    };
    // Presses the button, does what moving does while it is held, releases it. A helper thread drives, since the
    // button's loop holds this thread until the release.
    const test::RealInput input;
    auto press = [&](POINT at, const std::function<void()>& whileHeld) {
        recorder_.Clear();
        ASSERT_TRUE(test::RunWhilePumping([&] {
            input.MoveTo(at);
            input.LeftDown();
            if (!captured(true))
                return;
            whileHeld();
            input.LeftUp();
            captured(false);
        }));
    };
    RECT rect;
    GetWindowRect(dialog, &rect);
    const POINT off{rect.left + Width(rect) / 2, rect.top + Height(rect) / 2};

    press(centre(false, -6), [&] { input.MoveTo(off); });
    EXPECT_EQ(Sent(SC_CLOSE), 0) << "released off the button";

    press(centre(false, 0), [&] {
        input.MoveTo(off);
        input.MoveTo(centre(false, 0));
    });
    EXPECT_EQ(Sent(SC_CLOSE), 1) << "moved back on";

    // A capture taken away while the button is held is no click.
    press(centre(false, 6), [&] {
        SendMessageA(dialog, WM_CANCELMODE, 0, 0);
        captured(false);
    });
    EXPECT_EQ(Sent(SC_CLOSE), 0) << "capture lost";

    ShowWindow(dialog, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(dialog));
    press(centre(true, 0), [] {});
    EXPECT_GT(Sent(SC_RESTORE), 0);
    EXPECT_FALSE(IsZoomed(dialog));

    // A double-click on the caption of a zoomed dialog restores it.
    ShowWindow(dialog, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(dialog));
    GetWindowRect(dialog, &rect);
    recorder_.Clear();
    input.MoveTo({(rect.left + rect.right) / 2, rect.top + kBottom + 4});
    for (int click = 0; click < 2; ++click) {
        input.LeftDown();
        input.LeftUp();
    }
    test::PumpUntil([&] { return !IsZoomed(dialog); }, 2000);
    EXPECT_GT(Sent(SC_RESTORE), 0);
    EXPECT_FALSE(IsZoomed(dialog));

    // A right-click on the caption opens no system menu.
    GetWindowRect(dialog, &rect);
    recorder_.Clear();
    input.MoveTo({(rect.left + rect.right) / 2, rect.top + kBottom + 4});
    input.RightDown();
    input.RightUp();
    test::PumpPending();
    EXPECT_EQ(MenusOpened(), 0);
    EXPECT_EQ(Sent(SC_MOUSEMENU), 0);

    // A press on a sizing border: the system sizes without caption buttons of its own drawn over the skin's, and
    // the dialog has its system-menu, minimise and maximise styles back afterwards.
    GetWindowRect(dialog, &rect);
    ASSERT_EQ(SendMessageA(dialog, WM_NCHITTEST, 0, MAKELPARAM(rect.left + 2, (rect.top + rect.bottom) / 2)), HTLEFT);
    ASSERT_TRUE(test::RunWhilePumping([&] {
        input.MoveTo({rect.left + 2, (rect.top + rect.bottom) / 2});
        input.LeftDown();
        input.LeftUp();
        captured(false);
    }));
    test::PumpPending();
    const DWORD buttons = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)) & buttons, buttons);

    // A press on the caption gives the dialog the focus; a dialog that destroys itself then moves nowhere.
    recorder_.Clear();
    recorder_.On(WM_SETFOCUS, [&](const test::Message& m) { return m.window == dialog && DestroyWindow(m.window); });
    SetFocus(nullptr);
    SendMessageA(dialog, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(rect.left + 20, rect.top + 4));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(Sent(SC_MOVE), 0);
    EXPECT_EQ(manager_.Registry().Find(dialog), nullptr);
}

TEST_F(SkinnedFrame, ShapeIsTheMagentaColourKey) {
    const HWND dialog = Show(kFullCaption | WS_THICKFRAME);
    auto keyed = [](HWND window) {
        COLORREF key = 0;
        BYTE alpha = 0;
        DWORD flags = 0;
        return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_LAYERED) &&
               GetLayeredWindowAttributes(window, &key, &alpha, &flags) && key == RGB(255, 0, 255) &&
               flags == DWORD(LWA_COLORKEY);
    };
    EXPECT_TRUE(keyed(dialog));
    // The colour key makes the shape, so the window has no region.
    UniqueRegion none(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetWindowRgn(dialog, none.get()), ERROR);

    // A new size keeps the key; a skin without a frame takes it off again, and one with a frame puts it back.
    RECT rect;
    GetWindowRect(dialog, &rect);
    SetWindowPos(dialog, nullptr, 0, 0, Width(rect) + 40, Height(rect) + 20,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    test::PumpPending();
    EXPECT_TRUE(keyed(dialog));
    manager_.LoadSkin(dir_.File("absent").c_str());
    test::PumpPending();
    EXPECT_FALSE(GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_LAYERED);
    manager_.LoadSkin(dir_.Path().string().c_str());
    test::PumpPending();
    EXPECT_TRUE(keyed(dialog));
}

TEST_F(SkinnedFrame, HotButtonWhileTheCursorIsOverIt) {
    const HWND dialog = Show(kFullCaption);
    RECT rect;
    GetWindowRect(dialog, &rect);
    const POINT close = CloseCentre(Width(rect));
    Shot(dialog);
    const int normal = LooksActive(dialog) ? 0 : 3;
    ASSERT_EQ(WindowPixel(dialog, close.x, close.y), ButtonColour(0, normal));

    const POINT at = OnScreen(dialog, close);
    SendMessageA(dialog, WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(at.x, at.y));
    EXPECT_EQ(WindowPixel(dialog, close.x, close.y), ButtonColour(0, 2));
    SendMessageA(dialog, WM_NCMOUSELEAVE, 0, 0);
    EXPECT_EQ(WindowPixel(dialog, close.x, close.y), ButtonColour(0, normal));
}

// Before WM_INITDIALOG no size is recorded: a skin change then grows the dialog once, however often it comes, and
// detaching gives back the size the dialog was created with.
TEST_F(SkinnedFrame, SkinChangesBeforeInitialisation) {
    test::DialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 150, 80, "Early");
    int earlyChanges = 0;
    bool earlyDetach = false;
    // The font a dialog is given comes before WM_INITDIALOG.
    test::MessageRecorder early{WM_SETFONT};
    early.On(WM_SETFONT, [&](const test::Message& m) {
        if (test::Text(m.window) != "Early")
            return false;
        for (int i = 0; i < earlyChanges; ++i)
            SendMessageA(m.window, WM_SKINCHANGED, 0, 0);
        if (earlyDetach)
            SkinManager::Current()->Registry().Detach(m.window);
        return false;
    });
    ASSERT_TRUE(early.WatchThread());
    auto create = [&](int changes, bool detach) {
        earlyChanges = changes;
        earlyDetach = detach;
        const HWND window = recorder_.CreateDialogFrom(dialog.Get());
        EXPECT_TRUE(early.Received(WM_SETFONT));
        windows_.push_back(window);
        RECT rect;
        GetWindowRect(window, &rect);
        return rect;
    };
    const RECT once = create(0, false);
    const RECT twice = create(2, false);
    EXPECT_EQ(Width(twice), Width(once));
    EXPECT_EQ(Height(twice), Height(once));

    // The skin's hook watches this thread alone: a dialog made on another is the dialog without the skin.
    RECT unskinned{};
    std::thread([&] {
        test::MessageRecorder plain;
        const HWND window = plain.CreateDialogFrom(dialog.Get());
        GetWindowRect(window, &unskinned);
        DestroyWindow(window);
    }).join();
    const RECT detached = create(1, true);
    EXPECT_EQ(Width(detached), Width(unskinned));
    EXPECT_EQ(Height(detached), Height(unskinned));
    EXPECT_NE(Height(once), Height(unskinned));
}

} // namespace
} // namespace tarnvale
