// Skinned scroll bars on real controls under real mouse input: the non-client bars of a list view and an edit
// (room, pixels, hover, arrow repeat, capture loss, shaft presses, thumb drags) and a stand-alone scroll bar
// (showing by range, notifying its parent), and skins that leave the bars to the system.
#include "skin/ScrollBarGeometry.h"
#include "skin/win/SkinControl.h"
#include "skin/win/SkinManager.h"
#include "skin/win/WindowDpi.h"
#include "support/MessageRecorder.h"
#include "support/RealInput.h"
#include "support/SyntheticSkin.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

constexpr WORD kListView = 10, kEdit = 11, kScrollBar = 12;
constexpr int kRows = 100;

using test::ArrowColour;
using test::kShaftHorz;
using test::kShaftVert;
using test::ScreenPixel;
using test::ThumbColour;

class SkinnedBars : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
    }

    void SetUp() override {
        // The recorder goes in before the skin attaches, so that it sits behind it as the controls' own procedures.
        parent_.On(WM_INITDIALOG, [this](const test::Message& m) {
            for (WORD id : {kListView, kEdit})
                EXPECT_TRUE(controls_.Watch(GetDlgItem(m.window, id)));
            return false;
        });
        for (UINT scroll : {WM_HSCROLL, WM_VSCROLL})
            parent_.On(scroll, [](const test::Message&) { return true; });
        input_.MoveTo({790, 590}); // away from every window, so that nothing starts hot
    }

    void TearDown() override {
        if (dialog_ && IsWindow(dialog_))
            DestroyWindow(dialog_);
        test::PumpPending();
    }

    // Writes a skin with every bar image; missing leaves out one element's image, shaftSizing is the vertical
    // shaft's sizing type.
    std::string WriteSkin(int missing = -1, const char* shaftSizing = "Stretch") {
        return test::SyntheticSkin(dir_).Bars(missing, shaftSizing).Write();
    }

    // A visible dialog with a list view (both bars, once filled), a multi-line edit (a vertical bar) and a horizontal
    // stand-alone scroll bar.
    void CreateDialogWithBars() {
        test::DialogTemplate dialog(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 300, 180, "Bars");
        dialog.Add("SysListView32", "", LVS_REPORT | WS_BORDER, 0, 4, 4, 180, 120, kListView);
        dialog.Add("Edit", "", WS_VSCROLL | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL, 0, 190, 4, 100, 120, kEdit);
        dialog.Add("ScrollBar", "", SBS_HORZ, 0, 4, 140, 180, 10, kScrollBar);
        dialog_ = parent_.CreateDialogFrom(dialog.Get());
        ASSERT_NE(dialog_, nullptr);
        list_ = GetDlgItem(dialog_, kListView);
        edit_ = GetDlgItem(dialog_, kEdit);
        bar_ = GetDlgItem(dialog_, kScrollBar);
        // One column, wider than the list, as in the catalogue a column of long paths.
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 500;
        column.pszText = const_cast<char*>("Column");
        SendMessageA(list_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
        for (int i = 0; i < kRows; ++i) {
            const std::string text = "Row " + std::to_string(i);
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = const_cast<char*>(text.c_str());
            SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
        std::string lines;
        for (int i = 0; i < kRows; ++i)
            lines += "Line " + std::to_string(i) + "\r\n";
        SetWindowTextA(edit_, lines.c_str());
        // Shown only once filled: a visible list repaints after every row.
        ShowWindow(dialog_, SW_SHOW);
        RedrawWindow(dialog_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        test::PumpPending();
    }

    // Where the parts of a control's non-client bars lie, relative to its window's top-left corner.
    struct BarPoints {
        POINT up, down, left, right, corner, shaftBelowThumb, thumb;
    };
    static BarPoints PointsOf(HWND window) {
        RECT bounds;
        GetWindowRect(window, &bounds);
        const int W = bounds.right - bounds.left, H = bounds.bottom - bounds.top;
        const int b = BorderWidthForStyle(static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)),
                                          static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
        const int w = GetSystemMetrics(SM_CXVSCROLL), arrow = GetSystemMetrics(SM_CXHSCROLL);
        const bool both = (GetWindowLongPtrA(window, GWL_STYLE) & WS_HSCROLL) != 0;
        const int corner = both ? arrow : 0;
        SCROLLBARINFO info{};
        info.cbSize = sizeof(info);
        GetScrollBarInfo(window, OBJID_VSCROLL, &info);
        const int x = W - b - w / 2, y = H - b - w / 2;
        return {{x, b + arrow / 2},
                {x, H - b - corner - arrow / 2},
                {b + arrow / 2, y},
                {W - b - corner - arrow / 2, y},
                {x, y},
                {x, H - b - corner - arrow - 2},
                {x, b + (info.xyThumbTop + info.xyThumbBottom) / 2}};
    }

    static POINT OnScreen(HWND window, POINT at) {
        RECT bounds;
        GetWindowRect(window, &bounds);
        return {bounds.left + at.x, bounds.top + at.y};
    }

    // Waits for a pixel to take a colour: the skin paints in answer to messages still on their way.
    static bool WaitForPixel(HWND window, POINT at, std::uint32_t colour) {
        return test::PumpUntil([&] { return ScreenPixel(window, at) == colour; }, 3000);
    }

    int Count(UINT message, WORD code) const { return controls_.Count(message, code); }
    // The scroll notification the dialog was told i-th.
    std::pair<UINT, WPARAM> Told(std::size_t i) const {
        return {parent_.Messages().at(i).message, parent_.Messages().at(i).wParam};
    }

    // Lets the repeat timer run long enough for several ticks; a bounded wait, never a condition that can come.
    static void PumpForRepeatTicks() {
        test::PumpUntil([] { return false; }, 400);
    }

    int TopIndex() const { return static_cast<int>(SendMessageA(list_, LVM_GETTOPINDEX, 0, 0)); }

    test::TempDir dir_;
    test::RealInput input_;
    test::MessageRecorder controls_{WM_VSCROLL, WM_HSCROLL, LVM_SCROLL}; // behind the skin, in front of the controls
    test::MessageRecorder parent_{WM_VSCROLL, WM_HSCROLL};               // the dialog's own procedure
    HWND dialog_ = nullptr, list_ = nullptr, edit_ = nullptr, bar_ = nullptr;
};

TEST_F(SkinnedBars, ListViewBarsTakeTheirRoomAndShowTheSkin) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    CreateDialogWithBars();
    const LONG_PTR style = GetWindowLongPtrA(list_, GWL_STYLE);
    ASSERT_TRUE((style & WS_VSCROLL) && (style & WS_HSCROLL));

    // The client area has lost exactly the room of the two bars, also when the list is resized with its bars.
    const int b =
        BorderWidthForStyle(static_cast<DWORD>(style), static_cast<DWORD>(GetWindowLongPtrA(list_, GWL_EXSTYLE)));
    for (int grow : {0, 1, 0}) {
        SCOPED_TRACE(grow);
        RECT bounds, client;
        GetWindowRect(list_, &bounds);
        SetWindowPos(list_, nullptr, 0, 0, bounds.right - bounds.left + grow, bounds.bottom - bounds.top + grow,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetWindowRect(list_, &bounds);
        GetClientRect(list_, &client);
        EXPECT_EQ(client.right, bounds.right - bounds.left - 2 * b - GetSystemMetrics(SM_CXVSCROLL));
        EXPECT_EQ(client.bottom, bounds.bottom - bounds.top - 2 * b - GetSystemMetrics(SM_CYHSCROLL));
    }
    test::PumpPending();

    const BarPoints at = PointsOf(list_);
    const std::vector<std::uint32_t> skinColours = {ArrowColour(0),       ArrowColour(4),       ArrowColour(8),
                                                    ArrowColour(12),      kShaftHorz,           kShaftVert,
                                                    ThumbColour(true, 0), ThumbColour(false, 0)};
    auto expectBars = [&](int state, bool thumb) {
        EXPECT_EQ(ScreenPixel(list_, at.up), ArrowColour(0 + state));
        EXPECT_EQ(ScreenPixel(list_, at.down), ArrowColour(4 + state));
        EXPECT_EQ(ScreenPixel(list_, at.left), ArrowColour(8 + state));
        EXPECT_EQ(ScreenPixel(list_, at.right), ArrowColour(12 + state));
        EXPECT_EQ(ScreenPixel(list_, at.shaftBelowThumb), kShaftVert);
        EXPECT_EQ(ScreenPixel(list_, at.thumb), thumb ? ThumbColour(true, 0) : kShaftVert);
        // The corner square where the bars meet keeps what the control painted there.
        const std::uint32_t corner = ScreenPixel(list_, at.corner);
        for (std::uint32_t colour : skinColours)
            EXPECT_NE(corner, colour);
    };
    {
        SCOPED_TRACE("enabled");
        expectBars(0, true);
    }
    {
        SCOPED_TRACE("disabled: disabled arrows, no thumb");
        EnableWindow(list_, FALSE);
        test::PumpPending();
        expectBars(2, false);
        EnableWindow(list_, TRUE);
        test::PumpPending();
    }

    // The cursor over an arrow makes it hot, and the skin, not the system's own bar, is what stays on screen;
    // leaving the control makes it normal again.
    input_.MoveTo(OnScreen(list_, at.down));
    EXPECT_TRUE(WaitForPixel(list_, at.down, ArrowColour(4 + 3)));
    test::PumpUntil([] { return false; }, 200);
    EXPECT_EQ(ScreenPixel(list_, at.down), ArrowColour(4 + 3));
    input_.MoveTo({790, 590});
    EXPECT_TRUE(WaitForPixel(list_, at.down, ArrowColour(4)));
}

// After a move to a screen of another DPI the bars have that screen's width, not the one the program started on:
// their room in the list view and the edit, and the skin's arrows painted across it; and back again.
TEST_F(SkinnedBars, BarsTakeTheWidthOfTheScreenTheDialogMovedTo) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    CreateDialogWithBars();
    const int started = manager.Skin().Dpi();
    for (const int to : {started * 2, started}) {
        SCOPED_TRACE("moved to " + std::to_string(to) + " DPI");
        RECT rect;
        GetWindowRect(dialog_, &rect);
        const RECT suggested{rect.left, rect.top, rect.left + MulDiv(rect.right - rect.left, to, manager.Skin().Dpi()),
                             rect.top + MulDiv(rect.bottom - rect.top, to, manager.Skin().Dpi())};
        SendMessageA(dialog_, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
        RedrawWindow(dialog_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        test::PumpPending();
        const int width = SystemMetricAtDpi(SM_CXVSCROLL, to), arrow = SystemMetricAtDpi(SM_CXHSCROLL, to);
        ASSERT_NE(width, 0);
        for (const HWND control : {list_, edit_}) {
            SCOPED_TRACE(control == list_ ? "list view" : "edit");
            RECT bounds, client;
            GetWindowRect(control, &bounds);
            GetClientRect(control, &client);
            const int b = BorderWidthForStyle(static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE)),
                                              static_cast<DWORD>(GetWindowLongPtrA(control, GWL_EXSTYLE)));
            EXPECT_EQ(client.right, bounds.right - bounds.left - 2 * b - width);
            // The up arrow, at the bar's far left and far right column.
            for (const int x : {bounds.right - bounds.left - b - width, bounds.right - bounds.left - b - 1}) {
                SCOPED_TRACE(x);
                EXPECT_EQ(ScreenPixel(control, {x, b + arrow / 2}), ArrowColour(0));
            }
        }
    }
}

TEST_F(SkinnedBars, ArrowRepeatsWhileTheCursorRests) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    CreateDialogWithBars();
    const BarPoints at = PointsOf(list_);

    // Held still on the down arrow: a step at the press, then more from the timer.
    input_.MoveTo(OnScreen(list_, at.down));
    input_.LeftDown();
    ASSERT_TRUE(test::PumpUntil([&] { return Count(WM_VSCROLL, SB_LINEDOWN) >= 3; }));
    EXPECT_EQ(GetCapture(), list_);
    EXPECT_EQ(ScreenPixel(list_, at.down), ArrowColour(4 + 1)); // pressed
    EXPECT_EQ(TopIndex(), Count(WM_VSCROLL, SB_LINEDOWN));

    // One pixel of movement ends the repeat for the rest of the press.
    input_.MoveTo(OnScreen(list_, {at.down.x, at.down.y + 1}));
    PumpForRepeatTicks();
    const int afterMove = Count(WM_VSCROLL, SB_LINEDOWN);
    PumpForRepeatTicks();
    EXPECT_EQ(Count(WM_VSCROLL, SB_LINEDOWN), afterMove);
    EXPECT_EQ(GetCapture(), list_);
    input_.LeftUp();
    ASSERT_TRUE(test::PumpUntil([&] { return GetCapture() == nullptr; }));
    EXPECT_TRUE(WaitForPixel(list_, at.down, ArrowColour(4 + 3))); // hot again, no longer pressed

    // Losing the capture mid-press ends it as a button-up would: the arrow stops although the cursor rests.
    input_.MoveTo(OnScreen(list_, at.up));
    const int upBefore = Count(WM_VSCROLL, SB_LINEUP);
    input_.LeftDown();
    ASSERT_TRUE(test::PumpUntil([&] { return Count(WM_VSCROLL, SB_LINEUP) >= upBefore + 2; }));
    SetCapture(dialog_);
    const int afterLoss = Count(WM_VSCROLL, SB_LINEUP);
    PumpForRepeatTicks();
    EXPECT_EQ(Count(WM_VSCROLL, SB_LINEUP), afterLoss);
    EXPECT_EQ(ScreenPixel(list_, at.up), ArrowColour(0 + 3));
    input_.LeftUp();
    test::PumpPending();
    ReleaseCapture();

    // A press on the shaft captures and shows the press, but scrolls nothing, also after an arrow press.
    const int top = TopIndex();
    const std::size_t logged = controls_.Messages().size();
    input_.MoveTo(OnScreen(list_, PointsOf(list_).shaftBelowThumb));
    input_.LeftDown();
    ASSERT_TRUE(test::PumpUntil([&] { return GetCapture() == list_; }));
    PumpForRepeatTicks();
    EXPECT_EQ(TopIndex(), top);
    EXPECT_EQ(controls_.Messages().size(), logged);
    input_.LeftUp();
    EXPECT_TRUE(test::PumpUntil([&] { return GetCapture() == nullptr; }));
}

TEST_F(SkinnedBars, HeldArrowStepsAtThePressThenAfterEachDelay) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    CreateDialogWithBars();
    const BarPoints at = PointsOf(list_);
    input_.MoveTo(OnScreen(list_, at.down));
    test::PumpPending();

    // When each line step reached the list, and whether a timer of the list had come before the first.
    using Clock = std::chrono::steady_clock;
    std::vector<Clock::time_point> steps;
    bool timerBeforeFirstStep = false;
    auto record = [&] {
        while (static_cast<int>(steps.size()) < Count(WM_VSCROLL, SB_LINEDOWN))
            steps.push_back(Clock::now());
    };
    auto noteTimers = [&](const MSG& msg) {
        timerBeforeFirstStep |= msg.hwnd == list_ && msg.message == WM_TIMER && steps.empty();
    };
    constexpr std::size_t kSteps = 5;
    input_.LeftDown();
    ASSERT_TRUE(test::PumpUntil(
        [&] {
            record();
            return steps.size() >= kSteps;
        },
        5000, noteTimers));
    EXPECT_FALSE(timerBeforeFirstStep);

    // No step comes before its delay; timers may fire up to one tick of the system clock early, never more.
    constexpr auto kTimerGranularity = std::chrono::milliseconds(16);
    for (std::size_t step = 1; step < kSteps; ++step) {
        SCOPED_TRACE(step);
        const auto delay = std::chrono::milliseconds(ArrowRepeatDelayMs(step));
        EXPECT_GE(steps[step] - steps[step - 1], delay - kTimerGranularity);
    }

    // Releasing the button ends the steps.
    input_.LeftUp();
    ASSERT_TRUE(test::PumpUntil([&] { return GetCapture() == nullptr; }));
    const int released = Count(WM_VSCROLL, SB_LINEDOWN);
    PumpForRepeatTicks();
    EXPECT_EQ(Count(WM_VSCROLL, SB_LINEDOWN), released);
}

TEST_F(SkinnedBars, ThumbDragsByWholeRowsOrByThumbTrack) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    CreateDialogWithBars();

    struct Row {
        const char* name;
        HWND* window;
    } rows[] = {{"list view", &list_}, {"edit", &edit_}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const HWND window = *row.window;
        const bool isList = window == list_;
        auto top = [&] {
            return static_cast<int>(SendMessageA(window, isList ? LVM_GETTOPINDEX : EM_GETFIRSTVISIBLELINE, 0, 0));
        };
        ASSERT_EQ(top(), 0);
        const POINT thumb = OnScreen(window, PointsOf(window).thumb);
        input_.MoveTo(thumb);
        input_.LeftDown();
        ASSERT_TRUE(test::PumpUntil([&] { return GetCapture() == window; }));
        controls_.Clear();

        // Down by 40 pixels, then back to where the press was.
        input_.MoveTo({thumb.x, thumb.y + 40});
        ASSERT_TRUE(test::PumpUntil([&] { return top() > 0; }));
        const int moved = top();
        if (isList) {
            EXPECT_EQ(GetScrollPos(window, SB_VERT), moved); // an edit moves its bar only when a drag of its own ends
        }
        input_.MoveTo(thumb);
        ASSERT_TRUE(test::PumpUntil([&] { return top() == 0; }));
        input_.LeftUp();
        ASSERT_TRUE(test::PumpUntil([&] { return GetCapture() == nullptr; }));
        test::PumpPending();

        ASSERT_FALSE(controls_.Messages().empty());
        if (isList) {
            // Whole rows, measured in pixels: every scroll a multiple of the row height.
            RECT item{LVIR_BOUNDS, 0, 0, 0};
            SendMessageA(list_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
            const int rowHeight = item.bottom - item.top;
            ASSERT_GT(rowHeight, 0);
            for (const test::Message& m : controls_.Messages()) {
                EXPECT_EQ(m.message, UINT(LVM_SCROLL));
                EXPECT_EQ(static_cast<int>(m.lParam) % rowHeight, 0);
            }
        } else {
            // One SB_THUMBTRACK per move with the position in the high word; nothing follows the drag.
            bool reachedMoved = false;
            for (const test::Message& m : controls_.Messages()) {
                EXPECT_EQ(m.message, UINT(WM_VSCROLL));
                EXPECT_EQ(LOWORD(m.wParam), SB_THUMBTRACK);
                reachedMoved = reachedMoved || HIWORD(m.wParam) == moved;
            }
            EXPECT_TRUE(reachedMoved);
            EXPECT_EQ(HIWORD(controls_.Messages().back().wParam), 0);
        }
    }
}

TEST_F(SkinnedBars, StandAloneBarShowsByItsRangeAndTellsItsParent) {
    SkinManager manager;
    manager.Start(WriteSkin().c_str());
    CreateDialogWithBars();

    auto setRange = [&](UINT page, UINT extraMask) {
        SCROLLINFO info{sizeof(info), SIF_RANGE | SIF_PAGE | extraMask, 0, 9, page, 0, 0};
        SetScrollInfo(bar_, SB_CTL, &info, TRUE);
    };
    auto expectState = [&](bool visible, bool enabled) {
        EXPECT_EQ(IsWindowVisible(bar_) != FALSE, visible);
        EXPECT_EQ(IsWindowEnabled(bar_) != FALSE, enabled);
    };
    setRange(10, 0);
    expectState(false, false);
    setRange(10, SIF_DISABLENOSCROLL);
    expectState(false, false); // disabling alone does not show a hidden bar
    setRange(9, 0);
    expectState(true, true);
    setRange(10, SIF_DISABLENOSCROLL);
    expectState(true, false);
    setRange(5, 0); // positions 0 to 5
    expectState(true, true);

    // A position alone decides nothing: the control's own range still scrolls, whatever the caller's structure
    // holds in the fields its mask leaves out.
    SetScrollPos(bar_, SB_CTL, 3, TRUE);
    expectState(true, true);
    SCROLLINFO junk{sizeof(junk), SIF_POS, 50, 0, 1000, 4, 0};
    SendMessageA(bar_, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&junk));
    expectState(true, true);
    EXPECT_EQ(GetScrollPos(bar_, SB_CTL), 4);

    // The whole control is one skinned bar; the left arrow starts it.
    RECT client;
    GetClientRect(bar_, &client);
    const int arrow = GetSystemMetrics(SM_CXHSCROLL);
    const POINT left{arrow / 2, client.bottom / 2}, right{client.right - arrow / 2, client.bottom / 2};
    RedrawWindow(bar_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(ScreenPixel(bar_, left), ArrowColour(8));
    EXPECT_EQ(ScreenPixel(bar_, right), ArrowColour(12));
    EXPECT_EQ(ScreenPixel(bar_, {client.right - arrow - 2, client.bottom / 2}), kShaftHorz);

    // Arrow presses tell the parent, one line each; so does the thumb, dragged to the end, and nothing follows.
    auto press = [&](POINT at) {
        SendMessageA(bar_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        SendMessageA(bar_, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    };
    press(left);
    press(right);
    ASSERT_EQ(parent_.Messages().size(), 2u);
    EXPECT_EQ(Told(0), std::make_pair(UINT(WM_HSCROLL), WPARAM(SB_LINELEFT)));
    EXPECT_EQ(Told(1), std::make_pair(UINT(WM_HSCROLL), WPARAM(SB_LINERIGHT)));

    SCROLLBARINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetScrollBarInfo(bar_, OBJID_CLIENT, &info));
    const int thumbX = (info.xyThumbTop + info.xyThumbBottom) / 2;
    SendMessageA(bar_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(thumbX, 2));
    EXPECT_EQ(GetCapture(), bar_);
    SendMessageA(bar_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.right, 2));
    SendMessageA(bar_, WM_LBUTTONUP, 0, MAKELPARAM(client.right, 2));
    ASSERT_EQ(parent_.Messages().size(), 3u);
    EXPECT_EQ(Told(2), std::make_pair(UINT(WM_HSCROLL), WPARAM(MAKEWPARAM(SB_THUMBTRACK, 5))));
    EXPECT_EQ(GetCapture(), nullptr);

    // Losing the capture mid-press ends the press as a button-up would: the arrow no longer shows pressed.
    SendMessageA(bar_, WM_MOUSEMOVE, 0, MAKELPARAM(left.x, left.y));
    SendMessageA(bar_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(left.x, left.y));
    EXPECT_EQ(ScreenPixel(bar_, left), ArrowColour(8 + 1));
    SetCapture(dialog_);
    ReleaseCapture();
    RedrawWindow(bar_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_NE(ScreenPixel(bar_, left), ArrowColour(8 + 1));
    parent_.Clear();

    // A parent that destroys the bar while it is told of a press: the press ends there.
    parent_.On(WM_HSCROLL, [this](const test::Message& m) {
        if (reinterpret_cast<HWND>(m.lParam) == bar_)
            DestroyWindow(bar_);
        return true;
    });
    SendMessageA(bar_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(left.x, left.y));
    EXPECT_FALSE(IsWindow(bar_));
    EXPECT_EQ(manager.Registry().FindControl(bar_), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(SkinnedBars, SkinsWithoutABarImageOrWithATrueSizeShaft) {
    {
        SCOPED_TRACE("no vertical thumb image: every bar is the system's");
        SkinManager manager;
        manager.Start(WriteSkin(kElementThumbVert).c_str());
        CreateDialogWithBars();
        const BarPoints at = PointsOf(list_);
        EXPECT_NE(ScreenPixel(list_, at.up), ArrowColour(0));
        EXPECT_NE(ScreenPixel(list_, at.left), ArrowColour(8));
        EXPECT_NE(ScreenPixel(edit_, PointsOf(edit_).up), ArrowColour(0));
        EXPECT_NE(ScreenPixel(bar_, {2, 2}), ArrowColour(8));
        // Destroyed with its dialog, even the bar that left everything to the system leaves the registry.
        EXPECT_NE(manager.Registry().FindControl(bar_), nullptr);
        const std::vector<HWND> windows = test::WindowAndDescendants(dialog_);
        DestroyWindow(dialog_);
        EXPECT_EQ(test::SkinnedAmong(manager.Registry(), windows), 0u);
    }
    {
        SCOPED_TRACE("true-size shaft: no shaft image, the rest skinned");
        SkinManager manager;
        manager.Start(WriteSkin(-1, "TrueSize").c_str());
        CreateDialogWithBars();
        const BarPoints at = PointsOf(list_);
        EXPECT_EQ(ScreenPixel(list_, at.up), ArrowColour(0));
        EXPECT_EQ(ScreenPixel(list_, at.thumb), ThumbColour(true, 0));
        EXPECT_NE(ScreenPixel(list_, at.shaftBelowThumb), kShaftVert);
        EXPECT_EQ(ScreenPixel(list_, at.left), ArrowColour(8));
    }
}

} // namespace
} // namespace tarnvale
