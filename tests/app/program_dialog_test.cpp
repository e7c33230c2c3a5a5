// The program dialog in add mode, through the real file-open dialog and the real probe: an accepted file fills
// the dialog and becomes a row, served by the window's HTTP side from the next request on; a refused file is told
// first and leaves OK disabled.
#include "MainWindowFixture.h"
#include "app/HttpMenu.h"
#include "media/MediaProbe.h"
#include "net/NetTestSupport.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tarnvale {
namespace {

namespace fs = std::filesystem;
using test::CellText;
using test::Click;
using test::FindDialog;
using test::FindMessageBox;
using test::ItemText;
using test::kProgramDialog;
using test::RowCount;

class ProgramDialogTest : public test::MainWindowTest {
protected:
    // Presses Add and types path into the file-open dialog, as a user does.
    void AddThrough(const std::string& path) {
        script.Then("press Add", [this] {
            Click(Main(), IDC_ADD);
            return true;
        });
        script.Then("choose " + path, [path] {
            HWND chooser = FindDialog("Open");
            if (!chooser)
                return false;
            HWND name = GetDlgItem(chooser, cmb13);
            if (!name)
                name = GetDlgItem(chooser, edt1);
            SetWindowTextA(name, path.c_str());
            Click(chooser, IDOK);
            return true;
        });
    }
};

TEST_F(ProgramDialogTest, AcceptedFileBecomesARow) {
    // Upper-case extension, chosen as a user would through "All Files": the probe does not mind the case.
    const std::string clip = dir.File("clip.MPEG");
    fs::copy_file(fs::path(TARNVALE_MEDIA_FIXTURES) / "mpeg1-system.mpg", clip);
    WriteCatalogue({test::Record("C:\\kept.mpg", 1)});
    window.SetHttpPort(0);
    WaitForWindow();
    script.Then("the HTTP side serves the catalogue, and the system menu leads to it", [this] {
        EXPECT_NE(window.BoundHttpPort(), 0);
        const std::string json = test::HttpGet(window.BoundHttpPort(), "/programs.json");
        EXPECT_NE(json.find("\"file\":\"kept.mpg\""), std::string::npos) << json;
        EXPECT_EQ(json.find("clip.MPEG"), std::string::npos) << json;
        HMENU menu = GetSystemMenu(Main(), FALSE);
        char text[64] = {};
        GetMenuStringA(menu, kOpenCataloguePageCommand, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(text, kOpenCataloguePageText);
        GetMenuStringA(menu, kCopyPlayerAddressCommand, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(text, kCopyPlayerAddressText);
        return true;
    });
    script.Then("Copy the player address", [this] {
        PostMessageA(Main(), WM_SYSCOMMAND, kCopyPlayerAddressCommand, 0);
        return true;
    });
    script.Then("the playlist's address is on the clipboard", [this] {
        if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(Main()))
            return false;
        std::wstring copied;
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            copied = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        const std::string expected = HttpPlayerAddress(window.BoundHttpPort());
        EXPECT_EQ(copied, std::wstring(expected.begin(), expected.end()));
        return true;
    });
    AddThrough(clip);
    script.Then("the dialog shows what the probe found", [clip] {
        HWND dialog = FindDialog(kProgramDialog);
        if (!dialog || FindDialog("Open"))
            return false;
        EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_FILE), clip);
        EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_SIZE), std::to_string(fs::file_size(clip)));
        EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_TYPE), "MPEG1");
        EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_PID), "0");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
        SetDlgItemTextA(dialog, IDC_PROGRAM_PID, "21");
        Click(dialog, IDOK);
        return true;
    });
    script.Then("a new last row and record", [this, clip] {
        if (FindDialog(kProgramDialog))
            return false;
        EXPECT_EQ(RowCount(List()), 2);
        EXPECT_EQ(CellText(List(), 1, 0), clip);
        EXPECT_EQ(CellText(List(), 1, 1), "MPEG1");
        EXPECT_EQ(CellText(List(), 1, 3), "21");
        const CMediaInfo added = window.Catalogue().Snapshot().at(1);
        EXPECT_EQ(added.Path(), clip);
        EXPECT_EQ(added.m_nPID, 21);
        EXPECT_EQ(added.m_nType, 0);
        EXPECT_EQ(added.m_nSize, static_cast<std::int32_t>(fs::file_size(clip)));
        EXPECT_EQ(added.m_nExtra, kDefaultExtra);
        const std::string json = test::HttpGet(window.BoundHttpPort(), "/programs.json");
        EXPECT_NE(json.find("{\"pid\":21,\"type\":\"MPEG1\",\"size\":" + std::to_string(fs::file_size(clip)) +
                            ",\"file\":\"clip.MPEG\""),
                  std::string::npos)
            << json;
        const std::string file = test::HttpGet(window.BoundHttpPort(), "/programs/21");
        EXPECT_NE(file.find("Content-Length: " + std::to_string(fs::file_size(clip))), std::string::npos) << file;
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
    EXPECT_EQ(window.BoundHttpPort(), 0) << "the HTTP side outlived the window";
    EXPECT_EQ(SavedCatalogue().size(), 2u);
}

TEST_F(ProgramDialogTest, RefusedFileIsToldAndOnlyCancelRemains) {
    const std::string notes = dir.File("notes.txt");
    std::ofstream(notes) << "twelve bytes";
    WaitForWindow();
    AddThrough(notes);
    script.Then("the probe's message comes first", [] {
        HWND box = FindMessageBox();
        if (!box)
            return false;
        EXPECT_EQ(ItemText(box, 0xFFFF), kUnsupportedFileMessage);
        EXPECT_EQ(FindDialog(kProgramDialog), nullptr);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    script.Then("then the dialog, OK disabled", [] {
        HWND dialog = FindDialog(kProgramDialog);
        if (!dialog)
            return false;
        EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_FILE), "");
        EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_SIZE), "12");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
        Click(dialog, IDCANCEL);
        return true;
    });
    script.Then("nothing added", [this] {
        if (FindDialog(kProgramDialog))
            return false;
        EXPECT_EQ(RowCount(List()), 0);
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
}

} // namespace
} // namespace tarnvale
