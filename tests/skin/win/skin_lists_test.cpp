// Skinned list views, headers, edits, list boxes and combo boxes on real controls: the skinned bars following
// inserts, deletes, the wheel, selection and keys at once (and not while redraw is off), the flat borders, the
// header's texts and its hot and pressed items, the combo box's button and drop-down list, children attached as they
// come, and skins that leave parts to the controls.
#include "skin/ListControlGeometry.h"
#include "skin/win/SkinControl.h"
#include "skin/win/SkinEditLists.h"
#include "skin/win/SkinManager.h"
#include "support/MessageRecorder.h"
#include "support/RealInput.h"
#include "support/SyntheticSkin.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnvale {
namespace {

constexpr WORD kListView = 10, kListBox = 11, kEdit = 12, kUpDown = 13, kCombo = 14;

// Border colours, and each frame of the header and of the combo button a colour of its own.
constexpr std::uint32_t kListViewBorder = 0x8040C0, kEditBorder = 0xC08040, kListBoxBorder = 0x40C080,
                        kComboBorder = 0x20A0E0;
std::uint32_t HeaderColour(int frame) {
    return 0xF0D000u + std::uint32_t(frame) * 0x20;
}
std::uint32_t ComboColour(int frame) {
    return 0x60E000u + std::uint32_t(frame) * 0x20;
}

class SkinnedLists : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
    }

    void SetUp() override {
        input_.MoveTo({790, 590}); // away from every window, so that nothing starts hot
    }

    void TearDown() override {
        if (dialog_ && IsWindow(dialog_))
            DestroyWindow(dialog_);
        test::PumpPending();
    }

    // A skin with every bar image and, when dressed, the borders, the header and the combo button; else a border
    // colour without the button image, with which the combo box stays the control's.
    std::string WriteSkin(bool dressed) {
        test::SyntheticSkin skin(dir_);
        skin.Bars().Colour(kElementComboBox, "BorderColor", kComboBorder);
        if (!dressed)
            return skin.Write();
        return skin.Colour(kElementListView, "BorderColor", kListViewBorder)
            .Colour(kElementEdit, "BorderColor", kEditBorder)
            .Colour(kElementListBox, "BorderColor", kListBoxBorder)
            .Image(kElementHeader, test::FramesOf(kElementHeader, 8, 8, HeaderColour))
            .Image(kElementComboBox, test::FramesOf(kElementComboBox, 8, 8, ComboColour))
            .Write();
    }

    // A visible dialog with a list view (a vertical bar once filled), a list box, a multi-line edit with an up-down
    // control as its buddy, and a drop-down combo box.
    void CreateDialogWithLists() {
        test::DialogTemplate dialog(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 330, 170, "Lists");
        dialog.Add("SysListView32", "", LVS_REPORT | LVS_EDITLABELS, WS_EX_CLIENTEDGE, 4, 4, 150, 100, kListView);
        dialog.Add("ListBox", "", LBS_NOTIFY | WS_VSCROLL, WS_EX_CLIENTEDGE, 160, 4, 80, 100, kListBox);
        dialog.Add("Edit", "", ES_MULTILINE | WS_VSCROLL, WS_EX_CLIENTEDGE, 246, 4, 60, 60, kEdit);
        dialog.Add(UPDOWN_CLASSA, "", UDS_AUTOBUDDY | UDS_ALIGNRIGHT, 0, 0, 0, 10, 10, kUpDown);
        dialog.Add("ComboBox", "", CBS_DROPDOWN | WS_VSCROLL, 0, 160, 110, 80, 80, kCombo);
        dialog_ = parent_.CreateDialogFrom(dialog.Get());
        ASSERT_NE(dialog_, nullptr);
        list_ = GetDlgItem(dialog_, kListView);
        listBox_ = GetDlgItem(dialog_, kListBox);
        edit_ = GetDlgItem(dialog_, kEdit);
        upDown_ = GetDlgItem(dialog_, kUpDown);
        combo_ = GetDlgItem(dialog_, kCombo);
        const char* headings[] = {"A&B", "A heading far too long for its column"};
        for (int i = 0; i < 2; ++i) {
            LVCOLUMNA column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.cx = 60;
            column.pszText = const_cast<char*>(headings[i]);
            SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
        }
        for (int i = 0; i < 40; ++i) {
            const std::string text = "Entry " + std::to_string(i);
            SendMessageA(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
            SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        std::string lines;
        for (int i = 0; i < 40; ++i)
            lines += "Line " + std::to_string(i) + "\r\n";
        SetWindowTextA(edit_, lines.c_str());
        ShowWindow(dialog_, SW_SHOW);
        RedrawWindow(dialog_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        test::PumpPending();
    }

    void InsertRows(int from, int count) {
        for (int i = from; i < from + count; ++i) {
            const std::string text = "Row " + std::to_string(i);
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = const_cast<char*>(text.c_str());
            SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
    }

    // The column of pixels down the middle of a window's non-client vertical bar, from below its up arrow to above
    // its down arrow, as it is on the screen; and the rows the system has the thumb in, in the same coordinates.
    struct BarColumn {
        std::vector<std::uint32_t> pixels;
        int thumbTop = 0, thumbBottom = 0;
    };
    static BarColumn ReadBar(HWND window) {
        RECT bounds;
        GetWindowRect(window, &bounds);
        const int W = bounds.right - bounds.left, H = bounds.bottom - bounds.top;
        const int b = BorderWidthForStyle(static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)),
                                          static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
        const int arrow = GetSystemMetrics(SM_CXHSCROLL), x = W - b - GetSystemMetrics(SM_CXVSCROLL) / 2;
        const int top = b + arrow, bottom = H - b - arrow;
        BarColumn column;
        column.pixels = test::ScreenImage(window, {x, top, x + 1, bottom}).pixels;
        SCROLLBARINFO info{};
        info.cbSize = sizeof(info);
        GetScrollBarInfo(window, OBJID_VSCROLL, &info);
        column.thumbTop = b + info.xyThumbTop - top;
        column.thumbBottom = b + info.xyThumbBottom - top;
        return column;
    }

    // Whether the skin shows the vertical thumb exactly where the system has it now, with the shaft around it.
    static ::testing::AssertionResult ThumbShownWhereItIs(HWND window) {
        const BarColumn bar = ReadBar(window);
        if (bar.thumbBottom <= bar.thumbTop)
            return ::testing::AssertionFailure() << "the bar has no thumb";
        for (int y = 0; y < static_cast<int>(bar.pixels.size()); ++y) {
            const bool inThumb = y >= bar.thumbTop && y < bar.thumbBottom;
            const std::uint32_t expected = inThumb ? test::ThumbColour(true, 0) : test::kShaftVert;
            if (bar.pixels[y] != expected)
                return ::testing::AssertionFailure()
                       << "row " << y << " below the up arrow is " << std::hex << bar.pixels[y] << ", not " << expected
                       << std::dec << " (thumb rows " << bar.thumbTop << " to " << bar.thumbBottom << ")";
        }
        return ::testing::AssertionSuccess();
    }

    test::TempDir dir_;
    test::RealInput input_;
    test::MessageRecorder parent_{WM_COMMAND}; // the dialog's own procedure
    HWND dialog_ = nullptr, list_ = nullptr, listBox_ = nullptr, edit_ = nullptr, upDown_ = nullptr, combo_ = nullptr;
};

TEST_F(SkinnedLists, ListViewBarFollowsInsertsDeletesAndTheWheelAtOnce) {
    SkinManager manager;
    manager.Start(WriteSkin(true).c_str());
    CreateDialogWithLists();

    // Every step is checked before any message is dispatched: the skin must have painted in answer to the step.
    InsertRows(0, 30);
    EXPECT_TRUE(ThumbShownWhereItIs(list_));
    const int thumbAtTop = ReadBar(list_).thumbTop;
    RECT client;
    GetClientRect(list_, &client);
    POINT middle{client.right / 2, client.bottom / 2};
    ClientToScreen(list_, &middle);
    SendMessageA(list_, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(middle.x, middle.y));
    EXPECT_GT(ReadBar(list_).thumbTop, thumbAtTop);
    EXPECT_TRUE(ThumbShownWhereItIs(list_));
    for (int i = 0; i < 10; ++i)
        SendMessageA(list_, LVM_DELETEITEM, 0, 0);
    EXPECT_TRUE(ThumbShownWhereItIs(list_));
    InsertRows(20, 30);
    EXPECT_TRUE(ThumbShownWhereItIs(list_));

    // With redraw off the skin leaves the bar alone whatever the list goes through, and shows it once redraw is on.
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    constexpr std::uint32_t kMarker = 0x123456;
    {
        HDC dc = GetWindowDC(list_);
        RECT all;
        GetWindowRect(list_, &all);
        OffsetRect(&all, -all.left, -all.top);
        LoadedSkin::FillSolid(dc, all, test::ToColorRef(kMarker));
        ReleaseDC(list_, dc);
    }
    InsertRows(50, 200);
    SendMessageA(list_, LVM_DELETEITEM, 0, 0);
    for (std::uint32_t pixel : ReadBar(list_).pixels)
        ASSERT_EQ(pixel, kMarker);
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    EXPECT_TRUE(ThumbShownWhereItIs(list_));

    // An owner-data list (as the catalogue is) changes its range by LVM_SETITEMCOUNT alone; the bar follows that
    // too, in its place on the dialog.
    RECT place;
    GetWindowRect(list_, &place);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&place), 2);
    ShowWindow(list_, SW_HIDE);
    const HWND ownerData = CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA, place.left, place.top,
        place.right - place.left, place.bottom - place.top, dialog_, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(manager.Registry().FindControl(ownerData), nullptr);
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    SendMessageA(ownerData, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    test::PumpPending();
    for (int count : {30, 300, 40}) {
        SCOPED_TRACE(count);
        SendMessageA(ownerData, LVM_SETITEMCOUNT, count, 0);
        EXPECT_TRUE(ThumbShownWhereItIs(ownerData));
    }
}

TEST_F(SkinnedLists, ListBoxBarFollowsSelectionAndKeysAtOnce) {
    SkinManager manager;
    manager.Start(WriteSkin(true).c_str());
    CreateDialogWithLists();
    EXPECT_TRUE(ThumbShownWhereItIs(listBox_));
    SendMessageA(listBox_, LB_SETCURSEL, 39, 0);
    EXPECT_TRUE(ThumbShownWhereItIs(listBox_));
    const int thumbAtEnd = ReadBar(listBox_).thumbTop;
    for (int i = 0; i < 25; ++i)
        SendMessageA(listBox_, WM_KEYDOWN, VK_UP, 0);
    EXPECT_LT(ReadBar(listBox_).thumbTop, thumbAtEnd);
    EXPECT_TRUE(ThumbShownWhereItIs(listBox_));

    // The list box tells its parent of the new selection; a parent that destroys it then leaves nothing behind.
    parent_.On(WM_COMMAND, [](const test::Message& m) {
        if (LOWORD(m.wParam) != kListBox || HIWORD(m.wParam) != LBN_SELCHANGE)
            return false;
        DestroyWindow(GetDlgItem(m.window, kListBox));
        return true;
    });
    SendMessageA(listBox_, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_FALSE(IsWindow(listBox_));
    EXPECT_EQ(manager.Registry().FindControl(listBox_), nullptr);

    // An edit asks its parent for colours while it paints itself; a parent that takes the skin off it then gets
    // the edit back, painted by itself alone.
    bool detachEdit = true;
    parent_.On(WM_CTLCOLOREDIT, [&](const test::Message& m) {
        if (detachEdit && reinterpret_cast<HWND>(m.lParam) == edit_)
            manager.Registry().Detach(edit_);
        return false;
    });
    RedrawWindow(edit_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(manager.Registry().FindControl(edit_), nullptr);
    detachEdit = false;
    RedrawWindow(edit_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

TEST_F(SkinnedLists, BordersAndHeaderAreDrawnFromTheSkin) {
    SkinManager manager;
    manager.Start(WriteSkin(true).c_str());
    CreateDialogWithLists();
    test::PumpPending();

    // Flat borders: the skin's colour outside, the window colour inside, in place of the controls' own edges.
    const std::uint32_t windowRgb = test::FromColorRef(GetSysColor(COLOR_WINDOW));
    const struct {
        const char* name;
        HWND control;
        std::uint32_t border;
    } bordered[] = {
        {"list view", list_, kListViewBorder}, {"list box", listBox_, kListBoxBorder}, {"edit", edit_, kEditBorder}};
    for (const auto& row : bordered) {
        SCOPED_TRACE(row.name);
        RECT bounds;
        GetWindowRect(row.control, &bounds);
        const int middle = (bounds.bottom - bounds.top) / 2;
        EXPECT_EQ(test::ScreenPixel(row.control, {0, middle}), row.border);
        EXPECT_EQ(test::ScreenPixel(row.control, {1, middle}), windowRgb);
        EXPECT_EQ(test::ScreenPixel(row.control, {middle, 0}), row.border);
    }

    // Header items and the filler from the skin's normal frame; texts left-aligned, cut with an ellipsis, and with
    // "&" shown as it is, in the list's font.
    const HWND header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
    RECT client;
    GetClientRect(header, &client);
    const RgbImage shown = test::ScreenImage(header);
    RECT last{};
    SendMessageA(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&last));
    ASSERT_LT(last.right + 4, client.right);
    EXPECT_EQ(shown.At(1, 1), HeaderColour(kHeaderFrameNormal));
    EXPECT_EQ(shown.At(client.right - 1, client.bottom - 1), HeaderColour(kHeaderFrameNormal)); // the filler

    // Only the inside of an item is compared, off its border.
    auto inside = [&](const RgbImage& image, int item) {
        RECT bounds;
        SendMessageA(header, HDM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&bounds));
        std::vector<std::uint32_t> pixels;
        for (int y = 2; y < bounds.bottom - 2; ++y)
            for (int x = bounds.left + 2; x < bounds.right - 2; ++x)
                pixels.push_back(image.At(x, y));
        return pixels;
    };
    auto shownIn = [&](int item) { return inside(shown, item); };
    // The item's text drawn over the normal frame's colour, where the header puts it, with flags.
    const auto font = reinterpret_cast<HFONT>(SendMessageA(list_, WM_GETFONT, 0, 0));
    auto render = [&](int item, UINT flags) {
        test::DibCanvas canvas(client.right, client.bottom, HeaderColour(kHeaderFrameNormal));
        RECT bounds;
        SendMessageA(header, HDM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&bounds));
        char text[64] = {};
        HDITEMA info{};
        info.mask = HDI_TEXT;
        info.pszText = text;
        info.cchTextMax = sizeof(text);
        SendMessageA(header, HDM_GETITEMA, item, reinterpret_cast<LPARAM>(&info));
        RECT place{bounds.left + 5, bounds.top, bounds.right - 2, bounds.bottom};
        {
            ScopedSelect select(canvas.dc(), font);
            SetBkMode(canvas.dc(), TRANSPARENT);
            DrawTextA(canvas.dc(), text, -1, &place, DT_LEFT | DT_SINGLELINE | DT_VCENTER | flags);
        }
        return inside(canvas.Snapshot(), item);
    };
    {
        SCOPED_TRACE("a literal &");
        EXPECT_EQ(shownIn(0), render(0, DT_NOPREFIX));
        EXPECT_NE(render(0, DT_NOPREFIX), render(0, 0));
    }
    {
        SCOPED_TRACE("an ellipsis");
        EXPECT_EQ(shownIn(1), render(1, DT_NOPREFIX | DT_END_ELLIPSIS));
        EXPECT_NE(render(1, DT_NOPREFIX | DT_END_ELLIPSIS), render(1, DT_NOPREFIX));
    }
}

TEST_F(SkinnedLists, HeaderItemsHotAndPressedUnderTheMouseOnlyAsButtons) {
    SkinManager manager;
    manager.Start(WriteSkin(true).c_str());
    CreateDialogWithLists();
    const HWND header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
    ASSERT_TRUE(GetWindowLongPtrA(header, GWL_STYLE) & HDS_BUTTONS);

    // A pixel of each item off its text, and the first item's middle on the screen.
    RECT first{}, second{};
    SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageA(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    const POINT firstPixel{first.left + 2, first.top + 2}, secondPixel{second.left + 2, second.top + 2};
    POINT over{(first.left + first.right) / 2, (first.top + first.bottom) / 2};
    ClientToScreen(header, &over);
    auto shows = [&](POINT at, int frame) {
        return test::PumpUntil([&] { return test::ScreenPixel(header, at) == HeaderColour(frame); }, 3000);
    };
    auto frameOf = [&](POINT at) {
        for (int frame = 0; frame < 5; ++frame) {
            if (test::ScreenPixel(header, at) == HeaderColour(frame))
                return frame;
        }
        return -1;
    };

    // As buttons: hot under the cursor, pressed while the button is held there, hot again after, normal once the
    // cursor has gone; the other item stays normal throughout.
    input_.MoveTo(over);
    EXPECT_TRUE(shows(firstPixel, kHeaderFrameHot));
    EXPECT_EQ(frameOf(secondPixel), kHeaderFrameNormal);
    input_.LeftDown();
    EXPECT_TRUE(shows(firstPixel, kHeaderFramePressed));
    EXPECT_EQ(frameOf(secondPixel), kHeaderFrameNormal);
    input_.LeftUp();
    EXPECT_TRUE(shows(firstPixel, kHeaderFrameHot));
    input_.MoveTo({790, 590});
    EXPECT_TRUE(shows(firstPixel, kHeaderFrameNormal));

    // Not as buttons: the cursor over an item, even with the button held and the header repainted, shows it normal.
    SetWindowLongPtrA(header, GWL_STYLE, GetWindowLongPtrA(header, GWL_STYLE) & ~LONG_PTR(HDS_BUTTONS));
    test::MessageRecorder mouse{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK};
    ASSERT_TRUE(mouse.Watch(header));
    auto reachedHeader = [&](UINT message, UINT orMessage) {
        return test::PumpUntil([&] { return mouse.Received(message) || mouse.Received(orMessage); }, 3000);
    };
    input_.MoveTo(over);
    ASSERT_TRUE(reachedHeader(WM_MOUSEMOVE, WM_MOUSEMOVE));
    test::PumpPending();
    EXPECT_EQ(frameOf(firstPixel), kHeaderFrameNormal);
    // A second press where the first was comes soon enough to be a double-click.
    input_.LeftDown();
    ASSERT_TRUE(reachedHeader(WM_LBUTTONDOWN, WM_LBUTTONDBLCLK));
    RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(frameOf(firstPixel), kHeaderFrameNormal);
    input_.LeftUp();
    test::PumpPending();
}

TEST_F(SkinnedLists, ComboBoxButtonAndItsListFromTheFirstOpening) {
    SkinManager manager;
    manager.Start(WriteSkin(true).c_str());
    CreateDialogWithLists();
    auto* combo = static_cast<SkinComboBox*>(manager.Registry().FindControl(combo_));
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->Kind(), SkinKind::ComboBox);

    // The combo box's edit is dressed with it, but shows no border of its own inside the combo box's.
    COMBOBOXINFO parts{};
    parts.cbSize = sizeof(parts);
    ASSERT_TRUE(GetComboBoxInfo(combo_, &parts));
    ASSERT_NE(parts.hwndItem, nullptr);
    ASSERT_NE(manager.Registry().FindControl(parts.hwndItem), nullptr);
    EXPECT_EQ(manager.Registry().FindControl(parts.hwndItem)->Kind(), SkinKind::Edit);
    RECT editBounds;
    GetWindowRect(parts.hwndItem, &editBounds);
    SendMessageA(parts.hwndItem, WM_NCPAINT, 1, 0); // also when its frame alone is repainted
    EXPECT_NE(test::ScreenPixel(parts.hwndItem, {0, (editBounds.bottom - editBounds.top) / 2}), kEditBorder);
    EXPECT_EQ(test::ScreenPixel(combo_, {0, (editBounds.bottom - editBounds.top) / 2}), kComboBorder);

    RECT bounds;
    GetWindowRect(combo_, &bounds);
    const ComboMetrics metrics{GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE),
                               GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CXVSCROLL)};
    const Rect button = ComboButtonRect(bounds.right - bounds.left, bounds.bottom - bounds.top, false, metrics);
    const POINT buttonMiddle{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    EXPECT_EQ(test::ScreenPixel(combo_, buttonMiddle), ComboColour(kComboFrameNormal));
    EXPECT_EQ(manager.Registry().FindControl(parts.hwndList), nullptr);

    // Dropped down: the button shows it although the cursor is elsewhere, and the list is skinned, bars and border.
    SendMessageA(combo_, CB_SHOWDROPDOWN, TRUE, 0);
    test::PumpPending();
    ASSERT_NE(parts.hwndList, nullptr);
    ASSERT_NE(manager.Registry().FindControl(parts.hwndList), nullptr);
    EXPECT_EQ(manager.Registry().FindControl(parts.hwndList)->Kind(), SkinKind::ListBox);
    EXPECT_EQ(test::ScreenPixel(combo_, buttonMiddle), ComboColour(kComboFrameDropped));
    EXPECT_TRUE(ThumbShownWhereItIs(parts.hwndList));
    EXPECT_EQ(test::ScreenPixel(parts.hwndList, {0, 5}), kListBoxBorder);

    SendMessageA(combo_, CB_SHOWDROPDOWN, FALSE, 0);
    test::PumpPending();
    EXPECT_EQ(test::ScreenPixel(combo_, buttonMiddle), ComboColour(kComboFrameNormal));
}

TEST_F(SkinnedLists, ChildrenAndBuddiesFollow) {
    SkinManager manager;
    manager.Start(WriteSkin(true).c_str());
    CreateDialogWithLists();

    // Disabling the edit repaints its up-down buddy, which draws itself disabled with it: the buddy has a region
    // to paint at once.
    ASSERT_EQ(reinterpret_cast<HWND>(SendMessageA(upDown_, UDM_GETBUDDY, 0, 0)), edit_);
    test::PumpPending();
    EnableWindow(edit_, FALSE);
    EXPECT_TRUE(GetUpdateRect(upDown_, nullptr, FALSE));
    test::PumpPending();
    EXPECT_FALSE(GetUpdateRect(upDown_, nullptr, FALSE));

    // The edit of an in-place label edit is dressed as soon as the list view makes it.
    InsertRows(0, 3);
    SetFocus(list_);
    const auto labelEdit = reinterpret_cast<HWND>(SendMessageA(list_, LVM_EDITLABELA, 0, 0));
    ASSERT_NE(labelEdit, nullptr);
    ASSERT_NE(manager.Registry().FindControl(labelEdit), nullptr);
    EXPECT_EQ(manager.Registry().FindControl(labelEdit)->Kind(), SkinKind::Edit);
    SendMessageA(list_, LVM_CANCELEDITLABEL, 0, 0);
}

TEST_F(SkinnedLists, SkinWithoutBordersOrImagesLeavesThemToTheControls) {
    SkinManager manager;
    manager.Start(WriteSkin(false).c_str());
    CreateDialogWithLists();

    // The edit and the list box keep their own edges, but their bars stay skinned.
    for (HWND control : {edit_, listBox_}) {
        SCOPED_TRACE(control == edit_ ? "edit" : "list box");
        EXPECT_TRUE(ThumbShownWhereItIs(control));
        RECT bounds;
        GetWindowRect(control, &bounds);
        const std::uint32_t edge = test::ScreenPixel(control, {0, (bounds.bottom - bounds.top) / 2});
        EXPECT_NE(edge, kEditBorder);
        EXPECT_NE(edge, kListBoxBorder);
    }
    // The header looks as the control draws it: as the header of an unskinned twin of the list (top-level windows
    // other than dialogs are never attached).
    RECT bounds;
    GetWindowRect(list_, &bounds);
    const HWND twin = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_POPUP | WS_VISIBLE | LVS_REPORT,
                                      bounds.left, bounds.bottom + 40, bounds.right - bounds.left,
                                      bounds.bottom - bounds.top, dialog_, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(twin, nullptr);
    SendMessageA(twin, WM_SETFONT, SendMessageA(list_, WM_GETFONT, 0, 0), FALSE);
    for (int i = 0; i < 2; ++i) {
        char text[64] = {};
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text;
        column.cchTextMax = sizeof(text);
        SendMessageA(list_, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
        SendMessageA(twin, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    RedrawWindow(twin, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    test::PumpPending();
    auto headerImage = [](HWND listView) {
        return test::ScreenImage(reinterpret_cast<HWND>(SendMessageA(listView, LVM_GETHEADER, 0, 0))).pixels;
    };
    EXPECT_EQ(headerImage(list_), headerImage(twin));
    DestroyWindow(twin);

    // The combo box without its button image keeps its own border.
    SendMessageA(combo_, CB_SHOWDROPDOWN, TRUE, 0);
    test::PumpPending();
    EXPECT_NE(test::ScreenPixel(combo_, {0, 2}), kComboBorder);
    SendMessageA(combo_, CB_SHOWDROPDOWN, FALSE, 0);
}

} // namespace
} // namespace tarnvale
