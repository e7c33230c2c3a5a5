// Skinned buttons, group boxes and static text on a real dialog: clicks under real mouse input and the space key
// turned into BN_CLICKED with the check state the skin keeps, radio groups, faces per state read back from the
// screen, focus without the control's own focus rectangle, captions over the tiled background, a dialog closed by
// its own button, and skins that leave the controls to themselves.
#include "skin/win/SkinButtons.h"
#include "skin/win/SkinManager.h"
#include "support/MessageRecorder.h"
#include "support/RealInput.h"
#include "support/SyntheticSkin.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

constexpr WORD kPush = 10, kCheck = 11, kTallCheck = 12, kRadioA = 13, kRadioB = 14, kRadioC = 15, kOtherRadio = 16,
               kGroup = 17, kStatic = 18, kCentredStatic = 19, kThreeState = 20;

// Each frame of each face is one colour of its own; components are multiples of 8, so they survive any depth.
constexpr std::uint32_t kPushFrames[4] = {0x204080, 0x802040, 0x408020, 0x606060};
std::uint32_t CheckColour(int frame) {
    return std::uint32_t(0x18 + frame * 0x10) << 16 | 0xC830;
}
std::uint32_t RadioColour(int frame) {
    return std::uint32_t(0x18 + frame * 0x10) << 16 | 0x30C8;
}
constexpr int kBox = 13;                       // check box and radio frames are kBox x kBox
constexpr int kTile = 8;                       // the dialog's background tile, two colours in 4 x 4 blocks
constexpr std::uint32_t kGroupLine = 0x282828; // the group box frame's outer ring
constexpr std::uint32_t kButtonText = 0xF80000, kGroupText = 0x00F800, kStaticText = 0x0000F8;

std::uint32_t TileColour(int x, int y) {
    return ((x / 4) + (y / 4)) % 2 ? 0xE0E0C0 : 0xC0C0E0;
}

// A click as the dialog heard it, with the check states at the time it was told.
struct Click {
    WORD id;
    LRESULT checkWhenTold;  // the button's check state as the parent saw it while being told
    LRESULT radioAWhenTold; // the first radio button's, likewise
};

class SkinnedButtons : public ::testing::Test {
protected:
    void SetUp() override {
        recorder_.On(WM_COMMAND, [this](const test::Message& m) {
            const WORD id = LOWORD(m.wParam);
            if (HIWORD(m.wParam) != BN_CLICKED)
                return false;
            clicks_.push_back({id, SendDlgItemMessageA(m.window, id, BM_GETCHECK, 0, 0),
                               SendDlgItemMessageA(m.window, kRadioA, BM_GETCHECK, 0, 0)});
            return true;
        });
        input_.MoveTo(kAway);
    }

    void TearDown() override {
        if (dialog_ && IsWindow(dialog_))
            DestroyWindow(dialog_);
        test::PumpPending();
    }

    // A skin with every face, the group frame, the background tile and the text colours; a partial one has only
    // the push and radio faces, and a text colour but no image for check boxes.
    std::string WriteSkin(bool partial = false) {
        test::SyntheticSkin skin(dir_);
        skin.Image(kElementPushButton, test::FramesOf(kElementPushButton, 12, 12, [](int f) { return kPushFrames[f]; }))
            .Colour(kElementPushButton, "TextColor", kButtonText)
            .Image(kElementRadioButton, test::FramesOf(kElementRadioButton, kBox, kBox, RadioColour))
            .Colour(kElementRadioButton, "TextColor", kButtonText)
            .Colour(kElementCheckBox, "TextColor", kButtonText);
        if (partial)
            return skin.Write();
        RgbImage group(12, 12, kGroupLine);
        test::FillRect(group, 2, 2, 8, 8, 0xFF00FF);
        return skin.Colour(kElementSysMetrics, "TextColor", kStaticText)
            .Image(kElementCheckBox, test::FramesOf(kElementCheckBox, kBox, kBox, CheckColour))
            .Image(kElementGroupBox, group)
            .Set(kElementGroupBox, "SizingMargins", "4,4,4,4")
            .Colour(kElementGroupBox, "TextColor", kGroupText)
            .Image(kElementDialog, test::Painted(kTile, kTile, TileColour))
            .Write();
    }

    void CreateButtonsDialog() {
        test::DialogTemplate dialog(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 220, 130, "Buttons");
        dialog.Add("Button", "Push", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, 4, 4, 50, 14, kPush);
        dialog.Add("Button", "Check", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 4, 22, 60, 10, kCheck);
        dialog.Add("Button", "Tall", BS_AUTOCHECKBOX, 0, 4, 36, 60, 30, kTallCheck);
        dialog.Add("Button", "A", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, 4, 70, 40, 10, kRadioA);
        dialog.Add("Button", "B", BS_AUTORADIOBUTTON, 0, 4, 82, 40, 10, kRadioB);
        dialog.Add("Button", "C", BS_AUTORADIOBUTTON, 0, 4, 94, 40, 10, kRadioC);
        dialog.Add("Button", "Other", BS_AUTORADIOBUTTON | WS_GROUP, 0, 4, 106, 40, 10, kOtherRadio);
        dialog.Add("Button", "Group", BS_GROUPBOX | WS_GROUP, 0, 100, 4, 110, 50, kGroup);
        dialog.Add("Static", "Static text", SS_LEFT, 0, 100, 60, 100, 10, kStatic);
        dialog.Add("Static", "Centred", SS_LEFT | SS_CENTERIMAGE, 0, 100, 74, 100, 30, kCentredStatic);
        dialog.Add("Button", "Three", BS_AUTO3STATE, 0, 100, 110, 60, 10, kThreeState);
        dialog_ = recorder_.CreateDialogFrom(dialog.Get());
        ASSERT_NE(dialog_, nullptr);
        ShowWindow(dialog_, SW_SHOW);
        UpdateWindow(dialog_);
        test::PumpPending();
    }

    HWND Item(WORD id) const { return GetDlgItem(dialog_, id); }

    static RgbImage Shot(HWND window) { return test::ScreenImage(window); }
    static std::uint32_t ScreenPixel(HWND window, POINT at) { return test::ScreenPixel(window, at); }
    static POINT Centre(HWND window) {
        RECT bounds;
        GetWindowRect(window, &bounds);
        return {(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    }
    // Clicks at the window's centre with the real mouse and waits until the parent has heard of a click.
    bool ClickCentre(HWND window) {
        const POINT centre = Centre(window);
        const bool clicked = test::RunWhilePumping([&] {
            input_.MoveTo(centre);
            input_.LeftDown();
            input_.LeftUp();
        });
        const bool told = clicked && test::PumpUntil([&] { return !clicks_.empty(); });
        test::PumpPending();
        return told;
    }
    // Waits for a pixel to take a colour: the skin paints in answer to input still on its way.
    static bool WaitForPixel(HWND window, POINT at, std::uint32_t colour) {
        return test::WaitUntil([&] { return ScreenPixel(window, at) == colour; }, 3000);
    }
    // The background tile's colour under a point of a control.
    std::uint32_t TileUnder(HWND control, POINT at) const {
        MapWindowPoints(control, dialog_, &at, 1);
        return TileColour(at.x % kTile, at.y % kTile);
    }
    // Whether each colour channel of pixel lies between those of a and b.
    static bool Between(std::uint32_t pixel, std::uint32_t a, std::uint32_t b) {
        for (int shift : {0, 8, 16}) {
            const std::uint32_t p = pixel >> shift & 0xFF, x = a >> shift & 0xFF, y = b >> shift & 0xFF;
            if (p < std::min(x, y) || p > std::max(x, y))
                return false;
        }
        return true;
    }
    // The rows of a window's picture within [left, right) that hold a pixel of colour.
    static std::pair<int, int> RowsWith(const RgbImage& image, std::uint32_t colour, int left = 0, int right = -1) {
        int first = -1, last = -1;
        for (int y = 0; y < image.height; ++y)
            for (int x = left; x < (right < 0 ? image.width : right); ++x)
                if (image.At(x, y) == colour) {
                    first = first < 0 ? y : first;
                    last = y;
                }
        return {first, last};
    }

    static constexpr POINT kAway{790, 590}; // over no window, so nothing starts hot
    test::TempDir dir_;
    test::RealInput input_;
    test::MessageRecorder recorder_{WM_COMMAND};
    std::vector<Click> clicks_;
    HWND dialog_ = nullptr;
};

TEST_F(SkinnedButtons, ClickOnAnAutoCheckBoxTogglesFirstAndNotifiesOnce) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    CreateButtonsDialog();
    const HWND check = Item(kCheck);
    ASSERT_TRUE(ClickCentre(check));
    ASSERT_EQ(clicks_.size(), 1u);
    EXPECT_EQ(clicks_[0].id, kCheck);
    EXPECT_EQ(clicks_[0].checkWhenTold, BST_CHECKED); // the mouse toggles before telling
    EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(GetFocus(), check);

    // Pressed, dragged off and released there: no click, no change; the face was pressed only while over it.
    const DWORD thread = GetCurrentThreadId();
    const POINT centre = Centre(check);
    bool pressedWhileOver = false, releasedWhenOff = false;
    ASSERT_TRUE(test::RunWhilePumping([&] {
        input_.MoveTo(centre);
        input_.LeftDown();
        test::WaitUntil([&] { return test::CaptureOf(thread) == check; });
        pressedWhileOver = WaitForPixel(check, {1, 1}, CheckColour(4 + 1));
        input_.MoveTo(kAway);
        releasedWhenOff = WaitForPixel(check, {1, 1}, CheckColour(4 + 2)); // still hot: no leave while held
        input_.LeftUp();
        test::WaitUntil([&] { return test::CaptureOf(thread) == nullptr; });
    }));
    test::PumpPending();
    EXPECT_TRUE(pressedWhileOver);
    EXPECT_TRUE(releasedWhenOff);
    EXPECT_EQ(clicks_.size(), 1u);
    EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(SkinnedButtons, SpaceOnAnAutoRadioButtonNotifiesThenChecksItsGroup) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    CreateButtonsDialog();
    CheckDlgButton(dialog_, kRadioA, BST_CHECKED);
    CheckDlgButton(dialog_, kOtherRadio, BST_CHECKED);
    const HWND radio = Item(kRadioB);
    SetFocus(radio);
    test::PumpPending();
    clicks_.clear();

    SendMessageA(radio, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(ScreenPixel(radio, {1, 1}), RadioColour(1)); // pressed, unchecked
    EXPECT_TRUE(clicks_.empty());
    SendMessageA(radio, WM_KEYUP, VK_SPACE, 0);

    ASSERT_EQ(clicks_.size(), 1u);
    EXPECT_EQ(clicks_[0].id, kRadioB);
    // The parent heard of the click while the group was still as it was.
    EXPECT_EQ(clicks_[0].checkWhenTold, BST_UNCHECKED);
    EXPECT_EQ(clicks_[0].radioAWhenTold, BST_CHECKED);
    EXPECT_EQ(SendMessageA(radio, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog_, kRadioA), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog_, kRadioC), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog_, kOtherRadio), BST_CHECKED); // another group
    EXPECT_EQ(ScreenPixel(radio, {1, 1}), RadioColour(4));
    EXPECT_EQ(ScreenPixel(Item(kRadioA), {1, 1}), RadioColour(0));

    // A click on another one of the group, which takes the focus with it: one click, told after the change.
    clicks_.clear();
    ASSERT_TRUE(ClickCentre(Item(kRadioC)));
    ASSERT_EQ(clicks_.size(), 1u);
    EXPECT_EQ(clicks_[0].id, kRadioC);
    EXPECT_EQ(clicks_[0].checkWhenTold, BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog_, kRadioB), BST_UNCHECKED);
}

TEST_F(SkinnedButtons, CheckStateIsTheSkinsFromWhereTheControlHadIt) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    recorder_.On(WM_INITDIALOG, [](const test::Message& m) {
        CheckDlgButton(m.window, kCheck, BST_CHECKED); // while it initialises, before the skin attaches
        return false;
    });
    CreateButtonsDialog();
    // Checked while the dialog initialised, before the skin came: still checked, and shown so.
    const HWND check = Item(kCheck);
    EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(ScreenPixel(check, {1, 1}), CheckColour(4));

    // An indeterminate state counts as unchecked, shown and read.
    for (HWND box : {check, Item(kThreeState)}) {
        SendMessageA(box, BM_SETCHECK, BST_INDETERMINATE, 0);
        EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_EQ(ScreenPixel(box, {1, 1}), CheckColour(0));
    }
}

TEST_F(SkinnedButtons, FacesFollowTheCursorTheFocusAndTheEnabledState) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    CreateButtonsDialog();
    const HWND push = Item(kPush);
    SetFocus(Item(kCheck)); // the push button starts without the focus
    test::PumpPending();
    const POINT corner{2, 2};
    EXPECT_EQ(ScreenPixel(push, corner), kPushFrames[0]);

    const POINT centre = Centre(push);
    bool hot = false, pressed = false;
    ASSERT_TRUE(test::RunWhilePumping([&] {
        input_.MoveTo(centre);
        hot = WaitForPixel(push, corner, kPushFrames[2]);
        input_.LeftDown();
        pressed = WaitForPixel(push, corner, kPushFrames[1]);
        input_.MoveTo(kAway);
        input_.LeftUp();
    }));
    EXPECT_TRUE(hot);
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(clicks_.empty()); // released off the button

    // Focused, with the cursor elsewhere: a push button shows frame 2, a check box not.
    ASSERT_TRUE(test::PumpUntil([&] { return ScreenPixel(push, corner) == kPushFrames[2]; }));
    EXPECT_EQ(GetFocus(), push);
    SendMessageA(push, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(ScreenPixel(push, corner), kPushFrames[2]);
    SetFocus(Item(kCheck));
    EXPECT_EQ(ScreenPixel(push, corner), kPushFrames[0]);
    EXPECT_EQ(ScreenPixel(Item(kCheck), {1, 1}), CheckColour(0));

    // After a whole repaint, whose frame paint leaves the face to the paint that follows, a frame paint alone
    // still lays the face over whatever the window showed.
    RedrawWindow(push, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    {
        const HDC dc = GetWindowDC(push);
        const RECT whole{0, 0, 8, 8};
        FillRect(dc, &whole, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(push, dc);
    }
    ASSERT_NE(ScreenPixel(push, corner), kPushFrames[0]);
    SendMessageA(push, WM_NCPAINT, 1, 0);
    EXPECT_EQ(ScreenPixel(push, corner), kPushFrames[0]);

    // The pressed caption sits one pixel right and down of the unpressed one.
    auto captionInk = [&] {
        const RgbImage face = Shot(push);
        RECT ink{face.width, face.height, -1, -1};
        for (int y = 0; y < face.height; ++y)
            for (int x = 0; x < face.width; ++x)
                if (face.At(x, y) == kButtonText)
                    ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x),
                           std::max<LONG>(ink.bottom, y)};
        return ink;
    };
    SetFocus(push);
    const RECT up = captionInk();
    SendMessageA(push, WM_KEYDOWN, VK_SPACE, 0);
    const RECT down = captionInk();
    SendMessageA(push, WM_KEYUP, VK_SPACE, 0);
    clicks_.clear();
    ASSERT_GE(up.right, 0);
    EXPECT_EQ(down.left - up.left, 1);
    EXPECT_EQ(down.top - up.top, 1);
    SetFocus(Item(kCheck));

    // Disabled: the disabled face, and the caption embossed rather than in the caption colour.
    EnableWindow(push, FALSE);
    EXPECT_EQ(ScreenPixel(push, corner), kPushFrames[3]);
    EXPECT_LT(captionInk().right, 0);
    int embossed = 0;
    const RgbImage disabled = Shot(push);
    for (int y = 0; y < disabled.height; ++y)
        for (int x = 0; x < disabled.width; ++x)
            embossed += disabled.At(x, y) != kPushFrames[3];
    EXPECT_GT(embossed, 0);
    SendMessageA(Item(kCheck), BM_SETCHECK, BST_CHECKED, 0);
    EnableWindow(Item(kCheck), FALSE);
    EXPECT_EQ(ScreenPixel(Item(kCheck), {1, 1}), CheckColour(4 + 3));
}

TEST_F(SkinnedButtons, TabbingLeavesNoFocusRectangleOnASkinnedFace) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    CreateButtonsDialog();
    // As the dialog manager does on a Tab: focus rectangles shown, the focus moved on.
    SendMessageA(dialog_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    SetFocus(Item(kOtherRadio));
    for (WORD id : {kPush, kCheck}) {
        SCOPED_TRACE(id);
        SendMessageA(dialog_, WM_NEXTDLGCTL, 0, FALSE);
        test::PumpPending();
        const HWND button = Item(id);
        ASSERT_EQ(GetFocus(), button);
        const RgbImage face = Shot(button);
        // Every pixel is the face's, the background's, the caption's or a smoothed edge between those two: nothing
        // of a dotted rectangle.
        int stray = 0;
        for (int y = 0; y < face.height; ++y) {
            for (int x = 0; x < face.width; ++x) {
                const std::uint32_t pixel = face.At(x, y);
                const bool box = x < kBox && y < kBox;
                const std::uint32_t under = id == kPush ? kPushFrames[2]
                                            : box       ? CheckColour(0)
                                                        : TileUnder(button, {x, y});
                stray += !Between(pixel, under, kButtonText);
            }
        }
        EXPECT_EQ(stray, 0);
    }

    // Keyboard cues shown (Alt pressed) repaint the buttons: the skin's face and caption again, not the control's.
    SendMessageA(dialog_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);
    test::PumpPending();
    const RgbImage cued = Shot(Item(kPush));
    int stray = 0;
    for (int y = 0; y < cued.height; ++y)
        for (int x = 0; x < cued.width; ++x)
            stray += !Between(cued.At(x, y), kPushFrames[0], kButtonText) &&
                     !Between(cued.At(x, y), kPushFrames[2], kButtonText);
    EXPECT_EQ(stray, 0);
}

TEST_F(SkinnedButtons, CaptionsAndTextOverTheTiledBackground) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    CreateButtonsDialog();

    // A tall check box: the box at its top-left corner, the caption centred on the height beside it.
    const HWND tall = Item(kTallCheck);
    const RgbImage box = Shot(tall);
    EXPECT_EQ(box.At(0, 0), CheckColour(0));
    EXPECT_EQ(box.At(kBox - 1, kBox - 1), CheckColour(0));
    EXPECT_EQ(box.At(kBox / 2, kBox + 2), TileUnder(tall, {kBox / 2, kBox + 2}));
    const auto [top, bottom] = RowsWith(box, kButtonText, kBox);
    ASSERT_GE(top, 0);
    EXPECT_NEAR((top + bottom) / 2.0, box.height / 2.0, 3.0);

    // The group's caption wipes the frame line behind it, which runs on beside it.
    const HWND group = Item(kGroup);
    const RgbImage frame = Shot(group);
    const auto [captionTop, captionBottom] = RowsWith(frame, kGroupText);
    ASSERT_GE(captionTop, 0);
    int lineRow = -1;
    for (int y = 0; y < frame.height && lineRow < 0; ++y)
        lineRow = frame.At(frame.width - 20, y) == kGroupLine ? y : -1;
    ASSERT_GT(lineRow, captionTop);
    ASSERT_LT(lineRow, captionBottom);
    int wiped = 0, captionLeft = frame.width;
    for (int x = 0; x < frame.width; ++x) {
        for (int y = captionTop; y <= captionBottom; ++y)
            captionLeft = frame.At(x, y) == kGroupText ? std::min(captionLeft, x) : captionLeft;
    }
    for (int x = captionLeft; x < captionLeft + 10; ++x)
        wiped += frame.At(x, lineRow) != kGroupLine;
    EXPECT_EQ(wiped, 10);
    EXPECT_EQ(frame.At(0, frame.height / 2), kGroupLine);
    EXPECT_EQ(frame.At(frame.width / 2, frame.height / 2), TileUnder(group, {frame.width / 2, frame.height / 2}));

    // Static text in the skin's colour over the background as the dialog lays it, also after a new text.
    const HWND text = Item(kStatic);
    SetWindowTextA(text, "New text");
    const RgbImage label = Shot(text);
    EXPECT_GE(RowsWith(label, kStaticText).first, 0);
    int off = 0;
    for (int y = 0; y < label.height; ++y)
        for (int x = label.width / 2; x < label.width; ++x) // right of the short text
            off += label.At(x, y) != TileUnder(text, {x, y});
    EXPECT_EQ(off, 0);

    // A centred-image static: one line, centred on its height.
    const RgbImage centred = Shot(Item(kCentredStatic));
    const auto [lineTop, lineBottom] = RowsWith(centred, kStaticText);
    ASSERT_GE(lineTop, 0);
    EXPECT_NEAR((lineTop + lineBottom) / 2.0, centred.height / 2.0, 3.0);
    EXPECT_LT(lineBottom - lineTop, centred.height / 2);
}

TEST_F(SkinnedButtons, PushButtonCaptionsSitWhereTheControlPutsThem) {
    // Captions of the main window's sizes, one with a mnemonic, one far wider than its face, one of two lines.
    const struct {
        const char* caption;
        short width, height;
    } rows[] = {
        {"Add...", 23, 13},
        {"Delete All", 40, 14},
        {"&Edit", 26, 13},
        {"A caption far too wide", 30, 14},
        {"First line\nSecond", 60, 30},
    };
    constexpr std::size_t kWide = 3;
    int wideWidth = 0;
    // Where the ink of each caption lies within its button, the control's own edges left out.
    auto inkOf = [&](bool skinned) {
        test::DialogTemplate dialog(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 220, 80, "Captions", "Arial");
        for (std::size_t i = 0; i < std::size(rows); ++i)
            dialog.Add("Button", rows[i].caption, BS_PUSHBUTTON | BS_MULTILINE, 0, short(4 + 70 * (i % 3)),
                       short(4 + 36 * (i / 3)), rows[i].width, rows[i].height, WORD(100 + i));
        dialog_ = recorder_.CreateDialogFrom(dialog.Get());
        ShowWindow(dialog_, SW_SHOW);
        SetFocus(nullptr);
        test::PumpPending();
        std::vector<RECT> ink;
        for (std::size_t i = 0; i < std::size(rows); ++i) {
            const HWND button = Item(WORD(100 + i));
            RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
            const RgbImage face = Shot(button);
            wideWidth = i == kWide ? face.width : wideWidth;
            const int inset = skinned ? 0 : 3;
            const std::uint32_t plain = face.At(face.width / 2, inset);
            RECT found{face.width, face.height, -1, -1};
            for (int y = inset; y < face.height - inset; ++y)
                for (int x = inset; x < face.width - inset; ++x)
                    if (face.At(x, y) != plain)
                        found = {std::min<LONG>(found.left, x), std::min<LONG>(found.top, y),
                                 std::max<LONG>(found.right, x), std::max<LONG>(found.bottom, y)};
            ink.push_back(found);
        }
        DestroyWindow(dialog_);
        dialog_ = nullptr;
        return ink;
    };
    const std::vector<RECT> standard = inkOf(false);
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    const std::vector<RECT> skinned = inkOf(true);

    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].caption);
        ASSERT_GE(skinned[i].right, 0);
        if (i == kWide) {
            // Centred on the face and cut on both sides, as the control cuts it at its edges.
            EXPECT_LE(skinned[i].left, 1);
            EXPECT_GE(skinned[i].right, wideWidth - 2);
            continue;
        }
        // The unpressed caption sits a pixel up and left of where the control puts it.
        EXPECT_NEAR(skinned[i].left, standard[i].left, 1);
        EXPECT_NEAR(skinned[i].right, standard[i].right, 1);
        EXPECT_NEAR(skinned[i].top, standard[i].top, 1);
        EXPECT_NEAR(skinned[i].bottom, standard[i].bottom, 1);
    }
}

TEST_F(SkinnedButtons, DialogClosedByItsOwnButtonLeavesNothingBehind) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    recorder_.On(WM_COMMAND, [](const test::Message& m) {
        if (LOWORD(m.wParam) == kPush)
            DestroyWindow(m.window);
        return true;
    });
    for (bool keyboard : {false, true}) {
        SCOPED_TRACE(keyboard ? "space key" : "click");
        CreateButtonsDialog();
        const HWND push = Item(kPush);
        const std::vector<HWND> windows = test::WindowAndDescendants(dialog_);
        if (keyboard) {
            SendMessageA(push, WM_KEYDOWN, VK_SPACE, 0);
            SendMessageA(push, WM_KEYUP, VK_SPACE, 0);
        } else {
            SendMessageA(push, BM_CLICK, 0, 0); // a press and a release, through the skin
        }
        EXPECT_FALSE(IsWindow(dialog_));
        EXPECT_EQ(test::SkinnedAmong(manager.Registry(), windows), 0u);
        ASSERT_EQ(clicks_.size(), 1u);
        clicks_.clear();
        test::PumpPending();
    }
}

TEST_F(SkinnedButtons, SkinsWithoutTheirImagesLeaveControlsToThemselves) {
    SkinManager manager;
    manager.Start(WriteSkin(true).c_str());
    CreateButtonsDialog();
    // A check box without its image is the control's own, whole: its own state, indeterminate included, and its
    // own caption, with nothing of the skin's painting over it. A push button is still the skin's.
    const HWND three = Item(kThreeState);
    SendMessageA(three, BM_SETCHECK, BST_INDETERMINATE, 0);
    EXPECT_EQ(SendMessageA(three, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
    SetFocus(three);
    RedrawWindow(three, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    EXPECT_LT(RowsWith(Shot(three), kButtonText).first, 0);
    EXPECT_EQ(ScreenPixel(Item(kPush), {2, 2}), kPushFrames[0]);
    // Static text and the group box without the background tile and text colours: the system's look, its face
    // colour beside the text and inside the frame.
    const std::uint32_t face = GetSysColor(COLOR_3DFACE);
    const std::uint32_t faceRgb = (face & 0xFF) << 16 | (face & 0xFF00) | (face >> 16 & 0xFF);
    for (WORD id : {kStatic, kGroup}) {
        SCOPED_TRACE(id);
        const RgbImage picture = Shot(Item(id));
        EXPECT_EQ(picture.At(picture.width * 3 / 4, picture.height / 2), faceRgb);
    }
}

} // namespace
} // namespace tarnvale
