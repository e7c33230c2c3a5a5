// The program's windows on a screen of the DPI the run was started at (96, 144 or 192): the main window and the
// program dialog framed by the default skin at its 96-DPI sizes times the scale around the client area their
// templates give, and the list's columns as wide as at 96 DPI times the scale.
#include "MainWindowFixture.h"
#include "app/ServerApp.h"
#include "app/WinApp.h"
#include "skin/DpiScale.h"
#include "skin/win/FrameShape.h"
#include "skin/win/SkinManager.h"
#include "skin/win/WindowDpi.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
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

TEST(SkinnedTemplatesAtDpi, FrameAtTheScaleAroundTheTemplatesClientArea) {
    const int dpi = ScreenDpi();
    LoadedSkin at96; // the skin as its author drew it
    at96.Read(DefaultSkin().c_str());
    const FrameMetrics drawn = SkinFrameMetrics(at96);
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

class MainWindowAtDpi : public test::MainWindowTest {};

TEST_F(MainWindowAtDpi, ColumnsAsWideAsAt96TimesTheScale) {
    const int dpi = ScreenDpi();
    WaitForWindow();
    script.Then("columns", [&] {
        const struct {
            const char* name;
            int at96;
        } columns[] = {{"File", 120}, {"Type", 80}, {"Size", 80}, {"PID", 60}};
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(columns[i].name);
            EXPECT_EQ(ListView_GetColumnWidth(List(), i), ScaleToDpi(columns[i].at96, dpi));
        }
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
}

} // namespace
} // namespace tarnvale
