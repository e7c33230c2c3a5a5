// tarnvale-screenshots: opens the main window on a sample catalogue, then the program dialog on one of its
// programs, with the system menu open between, and pauses at each so that scripts/screenshots.sh can photograph the
// display: it prints "shot NAME X Y WIDTH HEIGHT" (the window's place on the screen) and waits for a line on its input
// before it goes on. Each window is taken active and inactive, so that both looks of the skinned frame show.
#include "app/MainDlg.h"
#include "app/ServerApp.h"
#include "core/ListFile.h"
#include "platform/File.h"
#include "res/resource.h"
#include "support/TempDir.h"
#include "support/WindowScript.h"

#include "platform/Socket.h"
#include "skin/win/SkinManager.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

using namespace tarnvale;

namespace {

CMediaInfo Sample(const char* path, std::int32_t pid, std::int32_t type, std::int32_t size) {
    CMediaInfo record;
    record.SetPath(path);
    record.m_nPID = pid;
    record.m_nType = type;
    record.m_nSize = size;
    return record;
}

// Lets the window paint and the display catch up before the picture is taken.
test::WindowScript::Step Settle(int ticks) {
    auto left = std::make_shared<int>(ticks);
    return [left] { return --*left <= 0; };
}

void ShotRect(const char* name, const RECT& rect) {
    std::cout << "shot " << name << ' ' << rect.left << ' ' << rect.top << ' ' << rect.right - rect.left << ' '
              << rect.bottom - rect.top << std::endl;
    std::string go;
    std::getline(std::cin, go);
}

void Shot(const char* name, HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    ShotRect(name, rect);
}

} // namespace

int main() {
    test::TempDir dir;
    const std::string listFile = dir.File("Tarnvale.lst");
    std::vector<CMediaInfo> samples = {
        Sample("C:\\Media\\Films\\harbour-at-dusk.mpg", 10, 1, 734003200),
        Sample("C:\\Media\\Films\\river-crossing.avi", 11, 2, 524288000),
        Sample("C:\\Media\\Music\\morning-tide.mp3", 12, 3, 6291456),
        Sample("D:\\Archive\\lecture-03.mpg", 13, 0, 157286400),
        Sample("D:\\Archive\\VIDEO_TS\\VTS_01_1.VOB", 14, 1, 1073741823),
    };
    // More programs than the list shows at once, so that its scroll bar shows.
    for (std::int32_t i = 1; i <= 25; ++i)
        samples.push_back(Sample(("D:\\Archive\\Episodes\\episode-" + std::to_string(i) + ".mpg").c_str(), 14 + i, 0,
                                 52428800 + i * 1048576));
    platform::ReplaceFileContents(listFile, EncodeListFile(samples));

    SocketLibrary sockets;
    // Dressed as the program dresses itself: the default skin beside the executable.
    SkinManager skins;
    skins.Start((AppDirectory() + kDefaultSkinRelativePath).c_str());
    CMainDlg window;
    window.SetListFilePath(listFile);
    window.SetCommandPort(0);
    // With the HTTP side on, so that the system menu shows its items; on any free port.
    window.SetHttpPort(0);
    HWND list = nullptr;
    HWND other = nullptr;
    test::WindowScript script;
    script.Then("main window", [&] {
        if (!window.GetSafeHwnd() || !IsWindowVisible(window.GetSafeHwnd()))
            return false;
        list = GetDlgItem(window.GetSafeHwnd(), IDC_PROGRAM_LIST);
        SetWindowPos(window.GetSafeHwnd(), nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        test::SelectRow(list, 1);
        return true;
    });
    script.Then("settle", Settle(30));
    script.Then("shoot main", [&] {
        Shot("main", window.GetSafeHwnd());
        PostMessageA(window.GetSafeHwnd(), WM_SYSCOMMAND, SC_KEYMENU, ' ');
        return true;
    });
    script.Then("system menu", [] {
        HWND menu = FindWindowA("#32768", nullptr);
        return menu && IsWindowVisible(menu);
    });
    script.Then("settle", Settle(30));
    script.Then("shoot system menu", [&] {
        // The window's corner and the menu below it, in one picture.
        RECT frame, menu;
        GetWindowRect(window.GetSafeHwnd(), &frame);
        GetWindowRect(FindWindowA("#32768", nullptr), &menu);
        RECT both;
        UnionRect(&both, &frame, &menu);
        both.right = std::min(both.right, menu.right + 40);
        both.bottom = std::min(both.bottom, menu.bottom + 20);
        ShotRect("system-menu", both);
        EndMenu();
        test::Click(window.GetSafeHwnd(), IDC_EDIT);
        return true;
    });
    script.Then("program dialog", [&] {
        HWND dialog = test::FindDialog("Add a program...");
        if (!dialog)
            return false;
        // Beside the main window, so that neither hides the other.
        RECT main;
        GetWindowRect(window.GetSafeHwnd(), &main);
        SetWindowPos(dialog, nullptr, main.right + 20, main.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return true;
    });
    script.Then("settle", Settle(30));
    script.Then("shoot program", [&] {
        Shot("program", test::FindDialog("Add a program..."));
        Shot("main-inactive", window.GetSafeHwnd());
        // Another window takes the activation, and the program dialog shows its inactive frame.
        other = CreateWindowExA(WS_EX_TOOLWINDOW, "Static", "", WS_POPUP | WS_VISIBLE | SS_WHITERECT, 1200, 960, 40, 40,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetActiveWindow(other);
        return true;
    });
    script.Then("settle", Settle(30));
    script.Then("shoot inactive program", [&] {
        HWND dialog = test::FindDialog("Add a program...");
        Shot("program-inactive", dialog);
        DestroyWindow(other);
        test::Click(dialog, IDCANCEL);
        return true;
    });
    script.Then("close", [&] {
        if (test::FindDialog("Add a program..."))
            return false;
        PostMessageA(window.GetSafeHwnd(), WM_CLOSE, 0, 0);
        return true;
    });
    script.Start();
    window.DoModal();
    script.Stop();
    std::cout << "done" << std::endl;
    return script.Finished() ? 0 : 1;
}
