// The skinned dialog frame on real windows: caption, frames and buttons read back from the window, hit-testing,
// caption buttons driven by real mouse input, the see-through shape (colour key or window region), the hot button, and
// skin changes that come before the dialog is initialised.
#include "LayeredWindowTestSeam.h"
#include "WinTestSupport.h"
#include "skin/win/SkinDialog.h"
#include "skin/win/SkinManager.h"
#include "support/RealInput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tarnvale {
namespace {

constexpr int kCaption = 30, kSide = 6, kBottom = 8;
constexpr int kButtonW = 20, kButtonH = 18;
constexpr std::uint32_t kCaptionActive = 0x2050A0, kCaptionInactive = 0x708090;
constexpr std::uint32_t kFrameActive = 0x203060, kFrameInactive = 0x607080;
constexpr std::uint32_t kTextActive = 0xFFFF00, kTextInactive = 0x00FFFF;
constexpr std::uint32_t kPink = 0xFF00FF;

// Close, minimise and maximise buttons in one channel each (red, green, blue), brighter with each frame.
std::uint32_t ButtonColour(int button, int frame) {
    return std::uint32_t(0x30 + 0x20 * frame) << (16 - 8 * button);
}

std::string SkinIni(int alignment, int useTransparency) {
    return "[SysMetrics]\nUseTransparency=" + std::to_string(useTransparency) +
           "\nTextAlignment=" + std::to_string(alignment) +
           "\nCaptionFont=Tahoma, 14, 700\nCaptionText=255 255 0\nCaptionTextInactive=0 255 255\n"
           "CaptionOffset=8,0\n"
           "[Window.Caption]\nImageFile=caption.bmp\n"
           "[Window.FrameLeft]\nImageFile=left.bmp\nSizingMargins=0,4,0,4\n"
           "[Window.FrameRight]\nImageFile=right.bmp\nSizingMargins=0,4,0,4\n"
           "[Window.FrameBottom]\nImageFile=bottom.bmp\n"
           "[Window.CloseButton]\nImageFile=close.bmp\nOffset=4,5\nOffsetType=TopRight\n"
           "[Window.MaxButton]\nImageFile=max.bmp\nOffset=28,5\nOffsetType=TopRight\n"
           "[Window.MinButton]\nImageFile=min.bmp\nOffset=120,5\nOffsetType=TopLeft\n";
}

// What the dialog's own procedure saw.
struct DialogLog {
    std::vector<WPARAM> commands; // WM_SYSCOMMAND, without the low four bits
    int menus = 0;                // menus opened (and closed again at once)
    bool destroyOnFocus = false;  // the dialog destroys itself when it gets the focus
};

INT_PTR CALLBACK RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* log = reinterpret_cast<DialogLog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!log)
        return FALSE;
    if (message == WM_SYSCOMMAND)
        log->commands.push_back(wParam & 0xFFF0);
    if (message == WM_SETFOCUS && log->destroyOnFocus) {
        DestroyWindow(dialog);
        return TRUE;
    }
    if (message == WM_INITMENUPOPUP || message == WM_ENTERIDLE) {
        ++log->menus;
        EndMenu();
    }
    return FALSE;
}

bool Sent(const DialogLog& log, WPARAM command) {
    return std::count(log.commands.begin(), log.commands.end(), command) > 0;
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

class SkinnedFrame : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteBmp(dir_.File("caption.bmp"), Strip(40, kCaption, {kCaptionActive, kCaptionInactive}, true));
        RgbImage side = Strip(kSide, 60, {kFrameActive, kFrameInactive}, false);
        RgbImage right = side;
        for (int f = 0; f < 2; ++f) {
            // A notch at the outer top corner of each side frame, which the shape must cut away.
            for (int y = 0; y < 2; ++y) {
                for (int x = 0; x < 2; ++x) {
                    side.At(f * kSide + x, y) = kPink;
                    right.At(f * kSide + kSide - 1 - x, y) = kPink;
                }
            }
        }
        test::WriteBmp(dir_.File("left.bmp"), side);
        test::WriteBmp(dir_.File("right.bmp"), right);
        test::WriteBmp(dir_.File("bottom.bmp"), Strip(40, kBottom, {kFrameActive, kFrameInactive}, true));
        const char* names[] = {"close.bmp", "min.bmp", "max.bmp"};
        for (int button = 0; button < 3; ++button) {
            std::vector<std::uint32_t> frames;
            for (int f = 0; f < 6; ++f)
                frames.push_back(ButtonColour(button, f));
            test::WriteBmp(dir_.File(names[button]), Strip(kButtonW, kButtonH, frames, false));
        }
        WriteSkin(0, 1);
        manager_.Start(dir_.Path().string().c_str());
    }

    void TearDown() override {
        for (HWND window : windows_) {
            if (IsWindow(window))
                DestroyWindow(window);
        }
        test::PumpPending();
    }

    static RgbImage Strip(int w, int h, const std::vector<std::uint32_t>& colours, bool stacked) {
        const int n = int(colours.size());
        RgbImage image(stacked ? w : w * n, stacked ? h * n : h);
        for (int i = 0; i < n; ++i)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    image.At(stacked ? x : i * w + x, stacked ? i * h + y : y) = colours[i];
        return image;
    }

    void WriteSkin(int alignment, int useTransparency) {
        test::WriteFile(dir_.File("skin.ini"), SkinIni(alignment, useTransparency));
    }

    // A visible, active dialog at a known place on the screen.
    HWND Show(DWORD style, DialogLog* log = nullptr, int x = 100, int y = 100) {
        test::DialogTemplate dialog(style, 0, 220, 120, "Tarnvale");
        const HWND window = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialog.Get(), nullptr, RecordingProc,
                                                       reinterpret_cast<LPARAM>(log));
        windows_.push_back(window);
        SetWindowPos(window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
        SetForegroundWindow(window);
        SetActiveWindow(window);
        test::PumpPending();
        return window;
    }

    // A plain window that takes the activation away from the dialogs.
    void ActivateSomethingElse() {
        const HWND other = CreateWindowExA(0, "Static", "other", WS_POPUP | WS_VISIBLE, 900, 700, 50, 50, nullptr,
                                           nullptr, GetModuleHandleA(nullptr), nullptr);
        windows_.push_back(other);
        SetActiveWindow(other);
        test::PumpPending();
    }

    SkinDialog& Skin(HWND dialog) { return *manager_.FindDialog(dialog); }
    // Whether the frame shows the active look: the caption's active colour.
    static bool LooksActive(HWND dialog) { return Shot(dialog)->Pixel(kSide + 1, 1) == kCaptionActive; }

    // Centres of the three buttons in window coordinates: close and maximise anchored top-right, minimise top-left.
    static POINT CloseCentre(int width) { return {width - kSide - 4 - kButtonW / 2, 5 + kButtonH / 2}; }
    static POINT MaxCentre(int width) { return {width - kSide - 28 - kButtonW / 2, 5 + kButtonH / 2}; }
    static POINT MinCentre() { return {kSide + 120 + kButtonW / 2, 5 + kButtonH / 2}; }

    static POINT OnScreen(HWND window, POINT inWindow) {
        RECT rect;
        GetWindowRect(window, &rect);
        return {rect.left + inWindow.x, rect.top + inWindow.y};
    }

    test::TempDir dir_;
    SkinManager manager_;
    std::vector<HWND> windows_;
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
    const HWND plain = Show(WS_POPUP | WS_CAPTION | WS_VISIBLE, nullptr, 100, 400);
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
    const HWND fixed = Show(kFullCaption | DS_MODALFRAME, nullptr, 100, 400);
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
    DialogLog log;
    const HWND dialog = Show(kFullCaption | WS_THICKFRAME, &log);
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
        log = {};
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
    EXPECT_FALSE(Sent(log, SC_CLOSE)) << "released off the button";

    press(centre(false, 0), [&] {
        input.MoveTo(off);
        input.MoveTo(centre(false, 0));
    });
    EXPECT_EQ(std::count(log.commands.begin(), log.commands.end(), SC_CLOSE), 1) << "moved back on";

    // A capture taken away while the button is held is no click.
    press(centre(false, 6), [&] {
        SendMessageA(dialog, WM_CANCELMODE, 0, 0);
        captured(false);
    });
    EXPECT_FALSE(Sent(log, SC_CLOSE)) << "capture lost";

    ShowWindow(dialog, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(dialog));
    press(centre(true, 0), [] {});
    EXPECT_TRUE(Sent(log, SC_RESTORE));
    EXPECT_FALSE(IsZoomed(dialog));

    // A double-click on the caption of a zoomed dialog restores it.
    ShowWindow(dialog, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(dialog));
    GetWindowRect(dialog, &rect);
    log = {};
    input.MoveTo({(rect.left + rect.right) / 2, rect.top + kBottom + 4});
    for (int click = 0; click < 2; ++click) {
        input.LeftDown();
        input.LeftUp();
    }
    test::PumpUntil([&] { return !IsZoomed(dialog); }, 2000);
    EXPECT_TRUE(Sent(log, SC_RESTORE));
    EXPECT_FALSE(IsZoomed(dialog));

    // A right-click on the caption opens no system menu.
    GetWindowRect(dialog, &rect);
    log = {};
    input.MoveTo({(rect.left + rect.right) / 2, rect.top + kBottom + 4});
    input.RightDown();
    input.RightUp();
    test::PumpPending();
    EXPECT_EQ(log.menus, 0);
    EXPECT_FALSE(Sent(log, SC_MOUSEMENU));

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
    log = {};
    log.destroyOnFocus = true;
    SetFocus(nullptr);
    SendMessageA(dialog, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(rect.left + 20, rect.top + 4));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(Sent(log, SC_MOVE));
    EXPECT_EQ(manager_.DialogCount(), 0u);
}

TEST_F(SkinnedFrame, ShapeCutsTheFrameAndLeavesTheClientWhole) {
    {
        SCOPED_TRACE("layered windows");
        const HWND dialog = Show(kFullCaption);
        // Where the system has layered windows, the magenta colour key makes the shape.
        ASSERT_TRUE(GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_LAYERED);
        COLORREF key = 0;
        BYTE alpha = 0;
        DWORD flags = 0;
        ASSERT_TRUE(GetLayeredWindowAttributes(dialog, &key, &alpha, &flags));
        EXPECT_EQ(key, RGB(255, 0, 255));
        EXPECT_EQ(flags, DWORD(LWA_COLORKEY));
        UniqueRegion none(CreateRectRgn(0, 0, 0, 0));
        EXPECT_EQ(GetWindowRgn(dialog, none.get()), ERROR);

        // A skin without a frame takes the colour key off again.
        manager_.LoadSkin(dir_.File("absent").c_str());
        EXPECT_FALSE(GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_LAYERED);
        manager_.LoadSkin(dir_.Path().string().c_str());
    }

    SCOPED_TRACE("window region");
    test::ScopedWithoutLayeredWindows withoutLayered;
    const HWND dialog = Show(kFullCaption | WS_THICKFRAME);
    EXPECT_FALSE(GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_LAYERED);
    // The region the window has now, and the one it must have: the window less the two notches of the side frames'
    // outer top corners, the only magenta the frame shows; the client area whole.
    auto regionOf = [](HWND window) {
        UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
        return GetWindowRgn(window, region.get()) == ERROR ? UniqueRegion() : std::move(region);
    };
    auto expectedFor = [](HWND window) {
        RECT rect;
        GetWindowRect(window, &rect);
        const int width = Width(rect), height = Height(rect);
        UniqueRegion expected(CreateRectRgn(0, 0, width, height));
        for (int left : {0, width - 2}) {
            UniqueRegion notch(CreateRectRgn(left, 0, left + 2, 2));
            CombineRgn(expected.get(), expected.get(), notch.get(), RGN_DIFF);
        }
        return expected;
    };
    auto clientOutside = [](HWND window, HRGN region) {
        RECT client;
        GetClientRect(window, &client);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        RECT rect;
        GetWindowRect(window, &rect);
        OffsetRect(&client, -rect.left, -rect.top);
        UniqueRegion outside(CreateRectRgnIndirect(&client));
        return CombineRgn(outside.get(), outside.get(), region, RGN_DIFF) != NULLREGION;
    };
    struct Size {
        const char* name;
        int grow;
    } sizes[] = {{"shown", 0}, {"grown", 40}, {"shrunk", -60}};
    for (const Size& size : sizes) {
        SCOPED_TRACE(size.name);
        RECT rect;
        GetWindowRect(dialog, &rect);
        SetWindowPos(dialog, nullptr, 0, 0, Width(rect) + size.grow, Height(rect) + size.grow / 2,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        test::PumpPending();
        const UniqueRegion region = regionOf(dialog);
        ASSERT_TRUE(region);
        EXPECT_TRUE(EqualRgn(region.get(), expectedFor(dialog).get()));
        EXPECT_FALSE(clientOutside(dialog, region.get()));
    }

    // A later skin without transparency takes the region off; one with it cuts it again, and a skin without a frame
    // takes it off as well.
    WriteSkin(0, 0);
    manager_.LoadSkin(dir_.Path().string().c_str());
    test::PumpPending();
    EXPECT_FALSE(regionOf(dialog));
    WriteSkin(0, 1);
    manager_.LoadSkin(dir_.Path().string().c_str());
    test::PumpPending();
    EXPECT_TRUE(regionOf(dialog));
    manager_.LoadSkin(dir_.File("absent").c_str());
    test::PumpPending();
    EXPECT_FALSE(regionOf(dialog));
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
int earlyChanges = 0;
bool earlyDetach = false;

INT_PTR CALLBACK EarlyProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_SETFONT) {
        for (int i = 0; i < earlyChanges; ++i)
            SendMessageA(dialog, WM_SKINCHANGED, 0, 0);
        if (earlyDetach)
            SkinManager::Current()->DetachDialog(dialog);
    }
    return message == WM_INITDIALOG;
}

TEST_F(SkinnedFrame, SkinChangesBeforeInitialisation) {
    test::DialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 150, 80, "Early");
    auto create = [&](int changes, bool detach) {
        earlyChanges = changes;
        earlyDetach = detach;
        const HWND window = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialog.Get(), nullptr, EarlyProc, 0);
        windows_.push_back(window);
        RECT rect;
        GetWindowRect(window, &rect);
        return rect;
    };
    const RECT once = create(0, false);
    const RECT twice = create(2, false);
    EXPECT_EQ(Width(twice), Width(once));
    EXPECT_EQ(Height(twice), Height(once));

    manager_.Unhook();
    const RECT unskinned = create(0, false);
    manager_.Start(dir_.Path().string().c_str());
    const RECT detached = create(1, true);
    EXPECT_EQ(Width(detached), Width(unskinned));
    EXPECT_EQ(Height(detached), Height(unskinned));
    EXPECT_NE(Height(once), Height(unskinned));
}

} // namespace
} // namespace tarnvale
