// The skin manager on real windows: the hook, an object of the right kind for each control kind, attaching
// after WM_INITDIALOG, detaching when windows or the manager go, the frame size, a missing skin, the background
// tiles and the hover timer.
#include "skin/win/HoverTimer.h"
#include "skin/win/SkinControl.h"
#include "skin/win/SkinDialog.h"
#include "skin/win/SkinManager.h"
#include "support/MessageRecorder.h"
#include "support/SyntheticSkin.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tarnvale {
namespace {

constexpr int kCaptionHeight = 30, kSideWidth = 6, kBottomHeight = 8;
constexpr int kTile = 13; // the background tile, an odd size so tiles do not line up with the samples

std::uint32_t TilePixel(int x, int y) {
    return 0x406080u + std::uint32_t(x * 4 << 8) + std::uint32_t(y * 4);
}

struct Item {
    const char* className;
    DWORD style, exStyle;
    WORD id;
    SkinKind kind;
};

// One control of each kind on a real dialog, and controls the skin leaves alone; which class and style makes
// which kind is the classifier's table, tested on its own.
const Item kItems[] = {
    {"Static", SS_LEFT, 0, 100, SkinKind::Static},
    {"Static", SS_ICON, 0, 104, SkinKind::None},
    {"Button", BS_PUSHBUTTON, 0, 107, SkinKind::PushButton},
    {"Button", BS_OWNERDRAW, 0, 112, SkinKind::None},
    {"Button", BS_PUSHBUTTON, WS_EX_CLIENTEDGE, 113, SkinKind::None},
    {"Button", BS_RADIOBUTTON, 0, 114, SkinKind::RadioButton},
    {"Button", BS_AUTOCHECKBOX, 0, 117, SkinKind::CheckBox},
    {"Button", BS_GROUPBOX, 0, 121, SkinKind::GroupBox},
    {"Edit", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 123, SkinKind::Edit},
    {"Edit", ES_MULTILINE | WS_VSCROLL, WS_EX_CLIENTEDGE, 124, SkinKind::Edit},
    {"ComboBox", CBS_SIMPLE, 0, 125, SkinKind::None},
    {"ComboBox", CBS_DROPDOWN, 0, 126, SkinKind::ComboBox},
    {"ListBox", LBS_NOTIFY | WS_VSCROLL, WS_EX_CLIENTEDGE, 128, SkinKind::ListBox},
    {"SysListView32", LVS_REPORT, WS_EX_CLIENTEDGE, 129, SkinKind::ListView},
    {"ScrollBar", SBS_HORZ, 0, 130, SkinKind::ScrollBar},
    {"ToolbarWindow32", CCS_NORESIZE | CCS_NOPARENTALIGN, 0, 133, SkinKind::None},
};

test::DialogTemplate EveryControlTemplate(DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME) {
    test::DialogTemplate dialog(style, 0, 320, 260, "Every control");
    short y = 4;
    for (const Item& item : kItems) {
        const bool tall = item.id == 124 || item.id == 125 || item.id == 128 || item.id == 129;
        const short height = tall ? 40 : 12;
        dialog.Add(item.className, "Text", item.style, item.exStyle, short(4 + (item.id % 2) * 150), y, 140, height,
                   item.id);
        if (item.id % 2)
            y = short(y + height + 2);
    }
    return dialog;
}

// Every window inside window, in the order EnumChildWindows gives them.
std::vector<HWND> Descendants(HWND window) {
    std::vector<HWND> windows = test::WindowAndDescendants(window);
    windows.erase(windows.begin());
    return windows;
}

// The dialog of a template as it is without any skin, seen from outside: its window rectangle and the procedures of
// it and its descendants (in the order EnumChildWindows gives them), which a skin lets go of must give back.
struct UnskinnedLook {
    RECT rect{};
    LONG_PTR dialogProcedure = 0;
    std::vector<LONG_PTR> procedures;
};
UnskinnedLook LookWithoutSkin(const test::DialogTemplate& dialog) {
    UnskinnedLook look;
    test::MessageRecorder recorder;
    const HWND window = recorder.CreateDialogFrom(dialog.Get());
    EXPECT_EQ(SkinManager::Current(), nullptr);
    GetWindowRect(window, &look.rect);
    look.dialogProcedure = GetWindowLongPtrA(window, GWLP_WNDPROC);
    for (HWND child : Descendants(window))
        look.procedures.push_back(GetWindowLongPtrA(child, GWLP_WNDPROC));
    DestroyWindow(window);
    return look;
}

HWND ChildOfClass(HWND parent, const char* className) {
    return FindWindowExA(parent, nullptr, className, nullptr);
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

class SkinnedWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof(controls),
                                      ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
    }

    void SetUp() override {
        // Caption, frames and background of a skin whose frame sizes the tests know.
        skin_ = test::SyntheticSkin(dir_)
                    .Image(kElementCaption, RgbImage(40, 2 * kCaptionHeight, 0x203040))
                    .Image(kElementFrameLeft, RgbImage(2 * kSideWidth, 60, 0x304050))
                    .Image(kElementFrameRight, RgbImage(2 * kSideWidth, 60, 0x304050))
                    .Image(kElementFrameBottom, RgbImage(40, 2 * kBottomHeight, 0x304050))
                    .Image(kElementDialog, test::Painted(kTile, kTile, TilePixel))
                    .Write();
    }

    void TearDown() override {
        for (HWND window : windows_) {
            if (IsWindow(window))
                DestroyWindow(window);
        }
        test::PumpPending();
    }

    HWND Keep(HWND window) {
        windows_.push_back(window);
        return window;
    }
    // A dialog whose own procedure is the recorder's.
    HWND CreateTestDialog(const test::DialogTemplate& dialog, HWND parent = nullptr) {
        return Keep(recorder_.CreateDialogFrom(dialog.Get(), parent));
    }

    test::TempDir dir_;
    test::MessageRecorder recorder_{WM_INITDIALOG};
    std::string skin_;
    std::vector<HWND> windows_;
};

TEST_F(SkinnedWindows, EveryControlGetsItsKind) {
    SkinManager manager;
    ASSERT_NE(manager.Start(skin_.c_str()), nullptr);
    // What the dialog's own procedure sees at WM_INITDIALOG.
    bool attachedAtInit = false, controlAttachedAtInit = true;
    recorder_.On(WM_INITDIALOG, [&](const test::Message& m) {
        SkinManager* current = SkinManager::Current();
        attachedAtInit = current && current->Registry().FindDialog(m.window);
        controlAttachedAtInit = current && current->Registry().FindControl(GetDlgItem(m.window, 107));
        return false;
    });
    const HWND dialog = CreateTestDialog(EveryControlTemplate());
    ASSERT_NE(dialog, nullptr);

    ASSERT_NE(manager.Registry().FindDialog(dialog), nullptr);
    // A skinned window's procedure is the subclass chain's, no longer its class's.
    auto subclassed = [](HWND window) {
        return GetWindowLongPtrA(window, GWLP_WNDPROC) != LONG_PTR(GetClassLongPtrA(window, GCLP_WNDPROC));
    };
    EXPECT_TRUE(subclassed(dialog));
    std::size_t skinned = 0;
    for (const Item& item : kItems) {
        const HWND control = GetDlgItem(dialog, item.id);
        SCOPED_TRACE(std::string(item.className) + " " + std::to_string(item.id));
        ASSERT_NE(control, nullptr);
        const SkinControl* object = manager.Registry().FindControl(control);
        const SkinKind kind = object ? object->Kind() : SkinKind::None;
        EXPECT_EQ(kind, item.kind) << SkinKindName(kind);
        EXPECT_EQ(subclassed(control), item.kind != SkinKind::None);
        skinned += item.kind != SkinKind::None;
    }

    // A simple combo box is left alone, but its list is skinned; its edit is not.
    const HWND simple = GetDlgItem(dialog, 125);
    const HWND simpleList = ChildOfClass(simple, "ComboLBox");
    const HWND simpleEdit = ChildOfClass(simple, "Edit");
    ASSERT_NE(simpleList, nullptr);
    ASSERT_NE(simpleEdit, nullptr);
    ASSERT_NE(manager.Registry().FindControl(simpleList), nullptr);
    EXPECT_EQ(manager.Registry().FindControl(simpleList)->Kind(), SkinKind::ListBox);
    EXPECT_EQ(manager.Registry().FindControl(simpleEdit), nullptr);

    // The list view's header is skinned, and the list view asked for flat scroll bars.
    const HWND listView = GetDlgItem(dialog, 129);
    const HWND header = ChildOfClass(listView, "SysHeader32");
    ASSERT_NE(header, nullptr);
    ASSERT_NE(manager.Registry().FindControl(header), nullptr);
    EXPECT_EQ(manager.Registry().FindControl(header)->Kind(), SkinKind::Header);
    EXPECT_TRUE(SendMessageA(listView, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FLATSB);

    // Besides the dialog's own controls: the simple combo box's list, the header, and the drop-down combo box's edit.
    const std::vector<HWND> windows = test::WindowAndDescendants(dialog);
    EXPECT_EQ(test::SkinnedAmong(manager.Registry(), windows), 1 + skinned + 3);

    // The dialog was skinned before its own procedure saw anything; its controls only after WM_INITDIALOG.
    EXPECT_EQ(recorder_.Count(WM_INITDIALOG), 1);
    EXPECT_TRUE(attachedAtInit);
    EXPECT_FALSE(controlAttachedAtInit);

    // Attaching again changes nothing.
    SkinControl* button = manager.Registry().FindControl(GetDlgItem(dialog, 107));
    SkinDialog* skinDialog = manager.Registry().FindDialog(dialog);
    manager.Registry().AttachControl(GetDlgItem(dialog, 107));
    manager.Registry().AttachDialog(dialog);
    manager.Registry().AttachControl(nullptr);
    manager.Registry().AttachControl(reinterpret_cast<HWND>(0x7FFF1234));
    EXPECT_EQ(manager.Registry().FindControl(GetDlgItem(dialog, 107)), button);
    EXPECT_EQ(manager.Registry().FindDialog(dialog), skinDialog);
    EXPECT_EQ(test::SkinnedAmong(manager.Registry(), windows), 1 + skinned + 3);

    // Destroying the dialog takes every one of its windows out of the registry.
    DestroyWindow(dialog);
    EXPECT_EQ(test::SkinnedAmong(manager.Registry(), windows), 0u);
}

TEST_F(SkinnedWindows, ControlsCreatedLaterAreAttachedThroughTheirDialog) {
    SkinManager manager;
    manager.Start(skin_.c_str());
    test::DialogTemplate empty(WS_POPUP | WS_CAPTION, 0, 200, 100, "Later");
    const HWND dialog = CreateTestDialog(empty);
    ASSERT_NE(manager.Registry().FindDialog(dialog), nullptr);

    struct Row {
        const char* className;
        DWORD style, exStyle;
        SkinKind kind;
    } rows[] = {
        {"Button", BS_AUTOCHECKBOX, 0, SkinKind::CheckBox},
        {"Edit", ES_LEFT, WS_EX_CLIENTEDGE, SkinKind::Edit},
        {"Static", SS_ICON, 0, SkinKind::None},
        {"Button", BS_PUSHBUTTON, WS_EX_NOPARENTNOTIFY, SkinKind::None}, // the dialog never hears of it
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.className);
        const HWND control = CreateWindowExA(row.exStyle, row.className, "", row.style | WS_CHILD | WS_VISIBLE, 4, 4,
                                             60, 20, dialog, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(control, nullptr);
        const SkinControl* object = manager.Registry().FindControl(control);
        EXPECT_EQ(object ? object->Kind() : SkinKind::None, row.kind);
    }
    // Windows other than dialogs are not attached by the hook, top-level or not.
    const HWND popup = Keep(CreateWindowExA(0, "Button", "Popup", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                                            GetModuleHandleA(nullptr), nullptr));
    EXPECT_EQ(manager.Registry().Find(popup), nullptr);

    // Dialogs of other threads are never skinned: the hook watches this thread only.
    bool attachedElsewhere = true;
    std::thread([&] {
        test::MessageRecorder recorder;
        const HWND other = recorder.CreateDialogFrom(empty.Get());
        attachedElsewhere = test::SkinnedAmong(manager.Registry(), test::WindowAndDescendants(other)) != 0;
        DestroyWindow(other);
    }).join();
    EXPECT_FALSE(attachedElsewhere);
}

TEST_F(SkinnedWindows, DestroyingTheManagerGivesEverythingBack) {
    const UnskinnedLook unskinned = LookWithoutSkin(EveryControlTemplate());
    auto manager = std::make_unique<SkinManager>();
    manager->Start(skin_.c_str());
    const HWND dialog = CreateTestDialog(EveryControlTemplate());
    ASSERT_NE(dialog, nullptr);

    const std::vector<HWND> descendants = Descendants(dialog);
    ASSERT_EQ(descendants.size(), unskinned.procedures.size());
    std::size_t skinned = 0;
    for (std::size_t i = 0; i < descendants.size(); ++i) {
        if (manager->Registry().FindControl(descendants[i])) {
            ++skinned;
            EXPECT_NE(GetWindowLongPtrA(descendants[i], GWLP_WNDPROC), unskinned.procedures[i]) << i;
        }
    }
    ASSERT_GT(skinned, 0u);
    EXPECT_NE(GetWindowLongPtrA(dialog, GWLP_WNDPROC), unskinned.dialogProcedure);
    RECT now;
    GetWindowRect(dialog, &now);
    ASSERT_NE(Width(now), Width(unskinned.rect)); // the skin frame changed the size

    manager.reset();
    EXPECT_EQ(SkinManager::Current(), nullptr);
    EXPECT_EQ(GetWindowLongPtrA(dialog, GWLP_WNDPROC), unskinned.dialogProcedure);
    for (std::size_t i = 0; i < descendants.size(); ++i)
        EXPECT_EQ(GetWindowLongPtrA(descendants[i], GWLP_WNDPROC), unskinned.procedures[i]) << i;
    RECT after;
    GetWindowRect(dialog, &after);
    EXPECT_EQ(Width(after), Width(unskinned.rect));
    EXPECT_EQ(Height(after), Height(unskinned.rect));

    // The controls still work through their own procedures.
    const HWND check = GetDlgItem(dialog, 117);
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
    SetWindowTextA(GetDlgItem(dialog, 107), "Renamed");
    char text[16] = {};
    GetWindowTextA(GetDlgItem(dialog, 107), text, sizeof(text));
    EXPECT_STREQ(text, "Renamed");

    // The hook went with the manager: a new manager that was never started sees no dialogs.
    SkinManager unstarted;
    const HWND later = CreateTestDialog(EveryControlTemplate());
    EXPECT_EQ(test::SkinnedAmong(unstarted.Registry(), test::WindowAndDescendants(later)), 0u);
    EXPECT_EQ(GetWindowLongPtrA(later, GWLP_WNDPROC), LONG_PTR(GetClassLongPtrA(later, GCLP_WNDPROC)));
}

TEST_F(SkinnedWindows, MissingSkinStillAttachesAndDrawsNothing) {
    const UnskinnedLook unskinned = LookWithoutSkin(EveryControlTemplate());
    SkinManager manager;
    EXPECT_NE(manager.Start(dir_.File("no-such-skin\\skin.ini").c_str()), nullptr);
    const HHOOK first = manager.Start(skin_.c_str()); // a second start keeps the hook and the skin
    EXPECT_EQ(first, manager.Start(nullptr));
    EXPECT_FALSE(manager.Skin().HasElementImage(kElementCaption));

    const HWND dialog = CreateTestDialog(EveryControlTemplate());
    ASSERT_NE(manager.Registry().FindDialog(dialog), nullptr);
    for (const Item& item : kItems) {
        const SkinControl* object = manager.Registry().FindControl(GetDlgItem(dialog, item.id));
        EXPECT_EQ(object ? object->Kind() : SkinKind::None, item.kind) << item.id;
    }
    // Without frame images the dialog keeps its size.
    RECT now;
    GetWindowRect(dialog, &now);
    EXPECT_EQ(Width(now), Width(unskinned.rect));
    EXPECT_EQ(Height(now), Height(unskinned.rect));

    test::DibCanvas canvas(64, 64, 0x123456);
    for (int id = 0; id < kElementCount; ++id) {
        for (int frame : {0, 1, 3}) {
            EXPECT_FALSE(manager.Skin().DrawSized(canvas.dc(), id, frame, {0, 0, 64, 64})) << id;
            EXPECT_FALSE(manager.Skin().DrawFrame(canvas.dc(), id, frame, {0, 0, 64, 64}, ILD_TRANSPARENT)) << id;
        }
    }
    EXPECT_EQ(canvas.Pixel(10, 10), 0x123456u);
    // Every window paints itself through the skin procedures (hidden windows render through WM_PRINT).
    test::DibCanvas print(800, 600, 0x123456);
    SendMessageA(dialog, WM_PRINT, reinterpret_cast<WPARAM>(print.dc()),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    SendMessageA(dialog, WM_SKINCHANGED, 0, 0);
    test::PumpPending();
    const std::vector<HWND> windows = test::WindowAndDescendants(dialog);
    DestroyWindow(dialog);
    EXPECT_EQ(test::SkinnedAmong(manager.Registry(), windows), 0u);
}

TEST_F(SkinnedWindows, FrameSizeFollowsTheSkin) {
    const RECT before = LookWithoutSkin(EveryControlTemplate()).rect;
    SkinManager manager;
    manager.Start(skin_.c_str());
    const HWND dialog = CreateTestDialog(EveryControlTemplate());
    const SkinDialog* skin = manager.Registry().FindDialog(dialog);
    ASSERT_NE(skin, nullptr);
    ASSERT_TRUE(skin->IsFrameSkinned());

    const int border = BorderWidthForStyle(static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)),
                                           static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
    ASSERT_GT(border, 0);
    const int extraWidth = 2 * kSideWidth - 2 * border;
    const int extraHeight = (kCaptionHeight - border - GetSystemMetrics(SM_CYCAPTION)) + (kBottomHeight - border);
    auto expectSize = [&](int width, int height) {
        RECT now;
        GetWindowRect(dialog, &now);
        EXPECT_EQ(Width(now), width);
        EXPECT_EQ(Height(now), height);
        EXPECT_EQ(now.left, before.left); // resized in place
        EXPECT_EQ(now.top, before.top);
    };
    expectSize(Width(before) + extraWidth, Height(before) + extraHeight);
    // The resize repainted the frame, which gave the window its see-through shape.
    UniqueRegion shape(CreateRectRgn(0, 0, 0, 0));
    const bool region = GetWindowRgn(dialog, shape.get()) != ERROR;
    EXPECT_TRUE((GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_LAYERED) || region);

    // Loading a skin without a frame tells the dialog, which takes its old size back; the skin's return grows it again.
    manager.LoadSkin(dir_.File("absent").c_str());
    expectSize(Width(before), Height(before));
    manager.LoadSkin(dir_.Path().string().c_str());
    expectSize(Width(before) + extraWidth, Height(before) + extraHeight);
    SendMessageA(dialog, WM_SKINCHANGED, 0, 0); // idempotent: always measured from the size before skinning
    expectSize(Width(before) + extraWidth, Height(before) + extraHeight);
}

TEST_F(SkinnedWindows, ChildDialogsKeepTheirPlaceAndSize) {
    SkinManager manager;
    manager.Start(skin_.c_str());
    const HWND parent = CreateTestDialog(EveryControlTemplate());
    test::DialogTemplate page(WS_CHILD | WS_VISIBLE | DS_CONTROL, 0, 80, 40, "");
    page.Add("Button", "Inside", BS_PUSHBUTTON, 0, 4, 4, 50, 14, 1);
    const HWND child = CreateTestDialog(page, parent);
    ASSERT_NE(manager.Registry().FindDialog(child), nullptr);
    ASSERT_NE(manager.Registry().FindControl(GetDlgItem(child, 1)), nullptr);

    RECT expected{0, 0, 80, 40};
    MapDialogRect(child, &expected);
    RECT now;
    GetWindowRect(child, &now);
    POINT origin{now.left, now.top};
    ScreenToClient(parent, &origin);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_EQ(Width(now), Width(expected));
    EXPECT_EQ(Height(now), Height(expected));

    // With no standard border to replace, the skin frame takes nothing of the client area, in either form of the
    // computation.
    RECT client;
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, Width(expected));
    EXPECT_EQ(client.bottom, Height(expected));
    RECT asked = now;
    SendMessageA(child, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&asked));
    EXPECT_TRUE(EqualRect(&asked, &now));
}

TEST_F(SkinnedWindows, BackgroundIsTiledFromTheClientOrigin) {
    SkinManager manager;
    manager.Start(skin_.c_str());
    const HWND dialog = CreateTestDialog(EveryControlTemplate());
    RECT client;
    GetClientRect(dialog, &client);
    test::DibCanvas canvas(client.right + 7, client.bottom + 5, 0x010203);
    EXPECT_EQ(SendMessageA(dialog, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0), 1);
    for (int y = 0; y < canvas.Height(); y += 3) {
        for (int x = 0; x < canvas.Width(); x += 5) {
            const bool inside = x < client.right && y < client.bottom;
            ASSERT_EQ(canvas.Pixel(x, y), inside ? TilePixel(x % kTile, y % kTile) : 0x010203u) << x << "," << y;
        }
    }
    // The DC comes back as it was given: no clip region left behind.
    const UniqueRegion clip(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetClipRgn(canvas.dc(), clip.get()), 0);
}

TEST_F(SkinnedWindows, HoverTimerReportsTheCursorLeaving) {
    const HWND window = Keep(CreateWindowExA(WS_EX_TOOLWINDOW, "Static", "", WS_POPUP, 100, 100, 200, 120, nullptr,
                                             nullptr, GetModuleHandleA(nullptr), nullptr));
    test::MessageRecorder leaves{WM_NCMOUSELEAVE};
    ASSERT_TRUE(leaves.Watch(window));
    leaves.On(WM_NCMOUSELEAVE, [](const test::Message&) { return true; });
    SkinManager manager;

    ASSERT_TRUE(SetCursorPos(150, 150));
    StartHoverTimer(window);
    int ticks = 0;
    auto countTicks = [&](const MSG& msg) { ticks += msg.hwnd == window && msg.message == WM_TIMER; };
    ASSERT_TRUE(test::PumpUntil([&] { return ticks >= 3; }, 5000, countTicks));
    EXPECT_EQ(leaves.Count(WM_NCMOUSELEAVE), 0); // the cursor is still inside

    ASSERT_TRUE(SetCursorPos(600, 600));
    ASSERT_TRUE(test::PumpUntil([&] { return leaves.Received(WM_NCMOUSELEAVE); }, 5000));
    EXPECT_EQ(leaves.Count(WM_NCMOUSELEAVE), 1);
    EXPECT_FALSE(KillTimer(window, 0)); // the timer stopped itself
}

// Someone else's subclass put on after the skin's: the comctl32 way, and by replacing the window's procedure.
class LaterSubclass {
public:
    static constexpr UINT kPing = WM_APP + 7;

    virtual ~LaterSubclass() = default;
    virtual bool Attach(HWND window) = 0;
    // It takes kPing itself and passes everything else on.
    int pings = 0;
    bool sawNcDestroy = false;

protected:
    bool Sees(UINT message) {
        pings += message == kPing;
        sawNcDestroy |= message == WM_NCDESTROY;
        return message == kPing;
    }
};

class ChainedSubclass : public LaterSubclass {
public:
    bool Attach(HWND window) override { return SetWindowSubclass(window, Proc, 1, reinterpret_cast<DWORD_PTR>(this)); }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self) {
        if (reinterpret_cast<ChainedSubclass*>(self)->Sees(message))
            return 0;
        if (message == WM_NCDESTROY)
            RemoveWindowSubclass(window, Proc, id);
        return DefSubclassProc(window, message, wParam, lParam);
    }
};

class ReplacedProcedure : public LaterSubclass {
public:
    bool Attach(HWND window) override {
        if (!recorder_.Watch(window))
            return false;
        recorder_.On(kPing, [this](const test::Message& m) { return Sees(m.message); });
        recorder_.On(WM_NCDESTROY, [this](const test::Message& m) { return Sees(m.message); });
        return true;
    }

private:
    test::MessageRecorder recorder_{kPing, WM_NCDESTROY};
};

TEST_F(SkinnedWindows, AWindowSubclassedAfterTheSkinStillWorks) {
    // Where the client area starts in the window: under the skin's caption and beside its side frame while skinned.
    auto clientOffset = [](HWND window) {
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        RECT rect;
        GetWindowRect(window, &rect);
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        return POINT{origin.x - rect.left, origin.y - rect.top};
    };
    const test::DialogTemplate dialogTemplate = EveryControlTemplate();
    struct Way {
        const char* name;
        std::unique_ptr<LaterSubclass> (*make)();
    } ways[] = {
        {"SetWindowSubclass", []() -> std::unique_ptr<LaterSubclass> { return std::make_unique<ChainedSubclass>(); }},
        {"procedure replaced",
         []() -> std::unique_ptr<LaterSubclass> { return std::make_unique<ReplacedProcedure>(); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        auto manager = std::make_unique<SkinManager>();
        manager->Start(skin_.c_str());
        const HWND dialog = CreateTestDialog(dialogTemplate);
        const HWND button = GetDlgItem(dialog, 107);
        ASSERT_NE(manager->Registry().FindDialog(dialog), nullptr);
        ASSERT_NE(manager->Registry().FindControl(button), nullptr);
        const std::unique_ptr<LaterSubclass> onDialog = way.make(), onButton = way.make();
        ASSERT_TRUE(onDialog->Attach(dialog));
        ASSERT_TRUE(onButton->Attach(button));

        // Both see the window's messages: the later one first, then the skin.
        SendMessageA(dialog, LaterSubclass::kPing, 0, 0);
        SendMessageA(button, LaterSubclass::kPing, 0, 0);
        const POINT skinned = clientOffset(dialog);
        EXPECT_EQ(skinned.x, kSideWidth);
        EXPECT_EQ(skinned.y, kCaptionHeight);

        // The skin lets go; the later subclass keeps its place in front of the window's own procedure.
        manager.reset();
        SendMessageA(dialog, LaterSubclass::kPing, 0, 0);
        SendMessageA(button, LaterSubclass::kPing, 0, 0);
        const POINT standard = clientOffset(dialog);
        EXPECT_NE(standard.y, kCaptionHeight);
        SetWindowTextA(button, "Renamed");
        char text[16] = {};
        GetWindowTextA(button, text, sizeof(text));
        EXPECT_STREQ(text, "Renamed");
        EXPECT_EQ(onDialog->pings, 2);
        EXPECT_EQ(onButton->pings, 2);

        DestroyWindow(dialog);
        EXPECT_TRUE(onDialog->sawNcDestroy);
        EXPECT_TRUE(onButton->sawNcDestroy);
    }

    // A window destroyed with both subclasses on leaves the registry, and the later subclass hears of it.
    for (const Way& way : ways) {
        SCOPED_TRACE(std::string(way.name) + ", destroyed while skinned");
        SkinManager manager;
        manager.Start(skin_.c_str());
        const HWND dialog = CreateTestDialog(dialogTemplate);
        const std::unique_ptr<LaterSubclass> onDialog = way.make(), onButton = way.make();
        ASSERT_TRUE(onDialog->Attach(dialog));
        ASSERT_TRUE(onButton->Attach(GetDlgItem(dialog, 107)));
        const std::vector<HWND> windows = test::WindowAndDescendants(dialog);
        DestroyWindow(dialog);
        EXPECT_EQ(test::SkinnedAmong(manager.Registry(), windows), 0u);
        EXPECT_TRUE(onDialog->sawNcDestroy);
        EXPECT_TRUE(onButton->sawNcDestroy);
    }
}

TEST_F(SkinnedWindows, DefaultSkinDressesARealDialog) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string directory = module;
    directory = directory.substr(0, directory.find_last_of('\\') + 1) + "skins\\Tarnvale";
    const RECT before = LookWithoutSkin(EveryControlTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE)).rect;
    SkinManager manager;
    manager.Start(directory.c_str());
    const HWND dialog = CreateTestDialog(EveryControlTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE));
    const SkinDialog* skin = manager.Registry().FindDialog(dialog);
    ASSERT_NE(skin, nullptr);
    EXPECT_TRUE(skin->IsFrameSkinned());
    RECT now;
    GetWindowRect(dialog, &now);
    EXPECT_GT(Height(now), Height(before)); // the skin's caption is taller than the system's
    test::PumpPending();
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_EQ(test::SkinnedAmong(manager.Registry(), test::WindowAndDescendants(dialog)),
              1 +
                  std::size_t(std::count_if(std::begin(kItems), std::end(kItems),
                                            [](const Item& i) { return i.kind != SkinKind::None; })) +
                  3);
}

} // namespace
} // namespace tarnvale
