// The program's windows on a screen of the DPI the run was started at (96, 144 or 192): the main window and the
// program dialog framed by the default skin at its 96-DPI sizes times the scale around the client area their
// templates give, the file and folder choosers framed alike, the list's columns as wide as at 96 DPI times the scale
// and its place scaled, and a move of the main window to a screen of another DPI.
#include "MainWindowFixture.h"
#include "app/ServerApp.h"
#include "app/WinApp.h"
#include "skin/DpiScale.h"
#include "skin/FrameGeometry.h"
#include "skin/win/GdiHandles.h"
#include "skin/win/SkinManager.h"
#include "skin/win/WindowDpi.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace tarnvale {
namespace {

int ScreenDpi() {
    const int dpi = WindowDpi(nullptr);
    // The run says which DPI it set up: a prefix that silently stayed at 96 must not pass for 144.
    if (const char* expected = std::getenv("TARNVALE_EXPECTED_DPI")) {
        EXPECT_EQ(dpi, std::atoi(expected));
    }
    return dpi;
}

std::string DefaultSkin() {
    return AppDirectory() + kDefaultSkinRelativePath;
}

// The default skin's frame as its author drew it, at 96 DPI.
FrameMetrics DrawnFrame() {
    LoadedSkin at96;
    at96.Read(DefaultSkin().c_str());
    return {at96.Element(kElementFrameLeft).frame.width, at96.Element(kElementFrameRight).frame.width,
            at96.Element(kElementCaption).frame.height, at96.Element(kElementFrameBottom).frame.height};
}

TEST(SkinnedTemplatesAtDpi, FrameAtTheScaleAroundTheTemplatesClientArea) {
    const int dpi = ScreenDpi();
    const FrameMetrics drawn = DrawnFrame();
    ASSERT_GT(drawn.caption, 0);

    auto show = [](int templateId, RECT& window, RECT& client) {
        const HWND dialog = CreateDialogParamA(
            GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr,
            [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; }, 0);
        GetWindowRect(dialog, &window);
        GetClientRect(dialog, &client);
        MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
        DestroyWindow(dialog);
    };
    for (const int templateId : {IDD_MAIN, IDD_PROGRAM}) {
        SCOPED_TRACE("template " + std::to_string(templateId) + " at " + std::to_string(dpi) + " DPI");
        RECT plainWindow, plainClient;
        show(templateId, plainWindow, plainClient);
        SkinManager skins;
        skins.Start(DefaultSkin().c_str());
        RECT window, client;
        show(templateId, window, client);
        EXPECT_EQ(client.top - window.top, ScaleToDpi(drawn.caption, dpi));
        EXPECT_EQ(client.left - window.left, ScaleToDpi(drawn.left, dpi));
        EXPECT_EQ(window.right - client.right, ScaleToDpi(drawn.right, dpi));
        EXPECT_EQ(window.bottom - client.bottom, ScaleToDpi(drawn.bottom, dpi));
        // The controls were laid out by the system for this DPI: the skin keeps their room.
        EXPECT_EQ(client.right - client.left, plainClient.right - plainClient.left);
        EXPECT_EQ(client.bottom - client.top, plainClient.bottom - plainClient.top);
    }
}

// The program dialog's boxes show their widest text whole at the screen's DPI: the text's extent in the box's font
// fits the box's formatting rectangle, and the first character is not scrolled out of sight.
TEST(SkinnedTemplatesAtDpi, ProgramBoxesShowTheirWidestTextWhole) {
    const int dpi = ScreenDpi();
    SkinManager skins;
    skins.Start(DefaultSkin().c_str());
    const HWND dialog = CreateDialogParamA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRAM), nullptr,
        [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; }, 0);
    ASSERT_NE(dialog, nullptr);
    const struct {
        int id;
        const char* text;
    } boxes[] = {{IDC_PROGRAM_SIZE, "524288"}, {IDC_PROGRAM_TYPE, "Unknown"}, {IDC_PROGRAM_PID, "8191"}};
    for (const auto& box : boxes) {
        SCOPED_TRACE(std::string(box.text) + " at " + std::to_string(dpi) + " DPI");
        const HWND edit = GetDlgItem(dialog, box.id);
        SetWindowTextA(edit, box.text);
        SendMessageA(edit, EM_SETSEL, 0, 0);
        RECT format{};
        SendMessageA(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        SIZE extent{};
        {
            const WindowDC dc(edit);
            const ScopedSelect font(dc.get(), reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)));
            GetTextExtentPoint32A(dc.get(), box.text, static_cast<int>(std::strlen(box.text)), &extent);
        }
        EXPECT_LE(extent.cx, format.right - format.left);
        EXPECT_EQ(static_cast<short>(LOWORD(SendMessageA(edit, EM_POSFROMCHAR, 0, 0))), format.left);
    }
    DestroyWindow(dialog);
}

class MainWindowAtDpi : public test::MainWindowTest {
protected:
    // The columns as wide as their 96-DPI widths at dpi (within a pixel: a move rescales widths already rounded),
    // and the list at its place.
    void ExpectLaidOutFor(int dpi) {
        SCOPED_TRACE("laid out for " + std::to_string(dpi) + " DPI");
        const struct {
            const char* name;
            int at96;
        } columns[] = {{"File", 120}, {"Type", 80}, {"Size", 80}, {"PID", 60}};
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(columns[i].name);
            EXPECT_NEAR(ListView_GetColumnWidth(List(), i), ScaleToDpi(columns[i].at96, dpi), 1);
        }
        RECT list;
        GetWindowRect(List(), &list);
        MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&list), 2);
        EXPECT_EQ(list.top, ScaleToDpi(kListTopAfterResize, dpi));
    }
};

TEST_F(MainWindowAtDpi, ListLaidOutForTheScreenAndAMoveToAnother) {
    const int dpi = ScreenDpi();
    SkinManager skins;
    skins.Start(DefaultSkin().c_str());
    const int caption96 = DrawnFrame().caption;
    WaitForWindow();
    script.Then("laid out for the screen", [&] {
        // Once more through the resize the program does itself, after which the list has its place.
        RECT rect;
        GetWindowRect(Main(), &rect);
        SetWindowPos(Main(), nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top + 1,
                     SWP_NOMOVE | SWP_NOZORDER);
        ExpectLaidOutFor(dpi);
        return true;
    });
    for (const int to : {dpi == 192 ? 144 : 192, dpi}) {
        script.Then("moved to a screen at " + std::to_string(to) + " DPI", [&, to] {
            RECT rect;
            GetWindowRect(Main(), &rect);
            const int from = skins.Skin().Dpi();
            const RECT suggested{rect.left, rect.top, rect.left + MulDiv(rect.right - rect.left, to, from),
                                 rect.top + MulDiv(rect.bottom - rect.top, to, from)};
            SendMessageA(Main(), WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
            GetWindowRect(Main(), &rect);
            EXPECT_TRUE(EqualRect(&rect, &suggested));
            RECT client;
            GetClientRect(Main(), &client);
            MapWindowPoints(Main(), nullptr, reinterpret_cast<POINT*>(&client), 2);
            EXPECT_EQ(client.top - rect.top, ScaleToDpi(caption96, to));
            ExpectLaidOutFor(to);
            return true;
        });
    }
    CloseWith(WM_CLOSE);
    Run();
}

TEST_F(MainWindowAtDpi, ChoosersFramedAtTheScale) {
    const int dpi = ScreenDpi();
    SkinManager skins;
    skins.Start(DefaultSkin().c_str());
    const FrameMetrics drawn = DrawnFrame();
    auto expectFramed = [&](HWND dialog) {
        RECT outer, client;
        GetWindowRect(dialog, &outer);
        GetClientRect(dialog, &client);
        MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
        EXPECT_EQ(client.top - outer.top, ScaleToDpi(drawn.caption, dpi));
        EXPECT_EQ(client.left - outer.left, ScaleToDpi(drawn.left, dpi));
    };
    WaitForWindow();
    script.Then("press Add", [this] {
        test::Click(Main(), IDC_ADD);
        return true;
    });
    script.Then("the file chooser", [&] {
        const HWND chooser = test::FindDialog("Open");
        if (!chooser)
            return false;
        SCOPED_TRACE("file chooser at " + std::to_string(dpi) + " DPI");
        expectFramed(chooser);
        PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    script.Then("the program dialog", [&] {
        const HWND dialog = test::FindDialog(test::kProgramDialog);
        if (!dialog)
            return false;
        test::Click(dialog, IDCANCEL);
        return true;
    });
    script.Then("press Search", [this] {
        if (test::FindDialog(test::kProgramDialog))
            return false;
        test::Click(Main(), IDC_SEARCH_FOLDER);
        return true;
    });
    script.Then("the folder chooser", [&] {
        const HWND chooser = test::FindDialogHolding("SysTreeView32");
        if (!chooser)
            return false;
        SCOPED_TRACE("folder chooser at " + std::to_string(dpi) + " DPI");
        expectFramed(chooser);
        PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    script.Then("no chooser left", [] { return test::FindDialogHolding("SysTreeView32") == nullptr; });
    CloseWith(WM_CLOSE);
    Run();
}

} // namespace
} // namespace tarnvale
