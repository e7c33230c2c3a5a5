// The main window and the program dialog in real windows, driven by messages as a user drives them: the list's
// columns and texts, Add with a cancelled chooser, Edit and Delete by row, Delete All, closing, resizing, a list
// file that ends early or cannot be opened, saving where no file can be made beside the list file, and the window
// as a writer that holds the list file's writers' lock while it is open.
#include "MainWindowFixture.h"
#include "app/Dialog.h"
#include "app/HttpMenu.h"
#include "app/ServerApp.h"
#include "app/WinApp.h"
#include "platform/FileLock.h"
#include "support/SaveTestSeam.h"

#include "skin/win/SkinDialog.h"
#include "skin/win/SkinManager.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

using test::CellText;
using test::Click;
using test::FindDialog;
using test::FindMessageBox;
using test::ItemText;
using test::kProgramDialog;
using test::MainWindowTest;
using test::Record;
using test::RowCount;
using test::SelectRow;
using test::WindowScript;

TEST_F(MainWindowTest, ShowsEveryRecordInItsColumns) {
    struct Row {
        CMediaInfo record;
        const char* type;
        const char* size;
        const char* pid;
    };
    const std::vector<Row> rows = {
        {Record("C:\\media\\one.mpg", 12, 1, 1048576), "MPEG2", "1.000M", "12"},
        {Record("C:\\media\\two.avi", -5, 2, 1500000, 4096), "AVI", "1.431M", "-5"},
        {Record("C:\\media\\three.mp3", 0, 3, 0), "MP3", "0.000M", "0"},
        {Record("C:\\media\\four.vob", 7, 0, 2147483647), "MPEG1", "2048.000M", "7"},
        {Record("C:\\media\\five.bin", 8, 77, 1), "Unknown", "0.000M", "8"},
        {Record("C:\\media\\six.bin", 9, -1, 2), "Unknown", "0.000M", "9"},
    };
    std::vector<CMediaInfo> records;
    for (const Row& row : rows)
        records.push_back(row.record);
    WriteCatalogue(records);
    const std::vector<std::uint8_t> original = SavedBytes();
    test::ListViewInsertWatch watch;

    WaitForWindow();
    script.Then("headings", [this] {
        struct Column {
            const char* heading;
            int width;
        };
        const Column columns[] = {{"File", 120}, {"Type", 80}, {"Size", 80}, {"PID", 60}};
        HWND header = reinterpret_cast<HWND>(SendMessageA(List(), LVM_GETHEADER, 0, 0));
        EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 4);
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE("column " + std::to_string(i));
            char text[64] = {};
            LVCOLUMNA column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            column.pszText = text;
            column.cchTextMax = sizeof text;
            EXPECT_TRUE(SendMessageA(List(), LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)));
            EXPECT_STREQ(text, columns[i].heading);
            EXPECT_EQ(column.cx, columns[i].width);
            // The list view keeps its first column left-aligned whatever it is asked.
            if (i > 0) {
                EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_CENTER);
            }
        }
        const DWORD extended = static_cast<DWORD>(SendMessageA(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
        EXPECT_TRUE(extended & LVS_EX_GRIDLINES);
        EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
        return true;
    });
    script.Then("rows", [&] {
        EXPECT_EQ(RowCount(List()), static_cast<int>(rows.size()));
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(rows[i].record.m_szFile);
            const int row = static_cast<int>(i);
            EXPECT_EQ(CellText(List(), row, 0), rows[i].record.m_szFile);
            EXPECT_EQ(CellText(List(), row, 1), rows[i].type);
            EXPECT_EQ(CellText(List(), row, 2), rows[i].size);
            EXPECT_EQ(CellText(List(), row, 3), rows[i].pid);
        }
        // Typed letters lead to the next row whose file begins with them, ignoring case, round to the top.
        auto find = [this](const char* prefix, int after) {
            LVFINDINFOA info{};
            info.flags = LVFI_STRING | LVFI_PARTIAL | LVFI_WRAP;
            info.psz = prefix;
            return static_cast<int>(SendMessageA(List(), LVM_FINDITEMA, after, reinterpret_cast<LPARAM>(&info)));
        };
        EXPECT_EQ(find("c:\\MEDIA\\T", -1), 1);
        EXPECT_EQ(find("C:\\media\\o", 3), 0);
        EXPECT_EQ(find("C:\\media\\x", -1), -1);
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
    // Nothing changed, so closing writes back exactly what was read.
    EXPECT_EQ(SavedBytes(), original);
    EXPECT_EQ(watch.RowsInsertedOneByOne(), 0);
    EXPECT_EQ(watch.CountsSet(), 1);
}

TEST_F(MainWindowTest, DeleteAndEditWithoutSelectionDoNothing) {
    const std::vector<CMediaInfo> records = {Record("C:\\a.mpg", 1), Record("C:\\b.mpg", 2)};
    WriteCatalogue(records);
    WaitForWindow();
    script.Then("press Delete and Edit", [this] {
        EXPECT_EQ(SendMessageA(List(), LVM_GETSELECTEDCOUNT, 0, 0), 0);
        Click(Main(), IDC_DELETE);
        Click(Main(), IDC_EDIT);
        return true;
    });
    script.Then("nothing happened", [this] {
        EXPECT_EQ(FindDialog(kProgramDialog), nullptr);
        EXPECT_EQ(RowCount(List()), 2);
        EXPECT_EQ(window.Catalogue().Count(), 2u);
        return true;
    });
    CloseWith(WM_COMMAND, IDCANCEL);
    Run();
    EXPECT_EQ(SavedCatalogue(), records);
}

// Programs with one path (in any letter case) are rows of their own: Edit and Delete act on the chosen row's
// program, even when rows above it go while its dialog is open, and the rows always show the catalogue.
TEST_F(MainWindowTest, EditAndDeleteActOnTheChosenRowWhereProgramsShareAPath) {
    CMediaInfo first = Record("C:\\media\\clip.avi", 3, 2, 1500000, 4096);
    first.m_nExtra = 777;
    const CMediaInfo second = Record("C:\\media\\clip.avi", 4, 1, 99);
    const CMediaInfo third = Record("C:\\MEDIA\\CLIP.AVI", 5, 3, 7);
    const CMediaInfo other = Record("C:\\m\\b.mpg", 6);
    WriteCatalogue({first, second, third, other});
    auto withPid = [](CMediaInfo record, std::int32_t pid) {
        record.m_nPID = pid;
        return record;
    };
    auto expectShown = [this](const std::vector<CMediaInfo>& expected) {
        EXPECT_EQ(window.Catalogue().Snapshot(), expected);
        EXPECT_EQ(RowCount(List()), static_cast<int>(expected.size()));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE("row " + std::to_string(i));
            EXPECT_EQ(CellText(List(), static_cast<int>(i), 0), expected[i].m_szFile);
            EXPECT_EQ(CellText(List(), static_cast<int>(i), 3), std::to_string(expected[i].m_nPID));
        }
    };
    auto edit = [this](int row) {
        script.Then("edit row " + std::to_string(row), [this, row] {
            SelectRow(List(), row);
            Click(Main(), IDC_EDIT);
            return true;
        });
    };
    auto typePid = [this](const char* size, const char* type, const char* pid, const char* typed) {
        script.Then(std::string("the dialog shows PID ") + pid + ", give it " + typed, [=] {
            HWND dialog = FindDialog(kProgramDialog);
            if (!dialog)
                return false;
            EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_SIZE), size);
            EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_TYPE), type);
            EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_PID), pid);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
            EXPECT_EQ(FindDialog("Open"), nullptr) << "edit mode offers no file chooser";
            SetDlgItemTextA(dialog, IDC_PROGRAM_PID, typed);
            Click(dialog, IDOK);
            return true;
        });
        script.Then("the dialog closed", [] { return FindDialog(kProgramDialog) == nullptr; });
    };

    WaitForWindow();
    edit(1);
    typePid("99", "MPEG2", "4", "-42");
    script.Then("only the second program's PID changed", [&] {
        expectShown({first, withPid(second, -42), third, other});
        return true;
    });
    edit(0);
    typePid("1500000", "AVI", "3", "30");
    script.Then("only the first program's PID changed", [&] {
        expectShown({withPid(first, 30), withPid(second, -42), third, other});
        return true;
    });
    edit(2);
    script.Then("while its dialog is open, delete the first row", [this] {
        if (!FindDialog(kProgramDialog))
            return false;
        SelectRow(List(), 0);
        Click(Main(), IDC_DELETE);
        return true;
    });
    typePid("7", "MP3", "5", "50");
    script.Then("the first program went, the third one changed", [&] {
        expectShown({withPid(second, -42), withPid(third, 50), other});
        return true;
    });
    DeleteRow(1, 2);
    script.Then("the third program went, the second one is shown as it is", [&] {
        expectShown({withPid(second, -42), other});
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
    EXPECT_EQ(SavedCatalogue(), (std::vector<CMediaInfo>{withPid(second, -42), other}));
}

TEST_F(MainWindowTest, PidThatIsNoWholeNumberKeepsTheDialogOpen) {
    WriteCatalogue({Record("C:\\a.mpg", 5, 1, 10)});
    WaitForWindow();
    script.Then("edit", [this] {
        SelectRow(List(), 0);
        Click(Main(), IDC_EDIT);
        return true;
    });
    for (const char* refused : {"12x", "", "2147483648", "1.5"}) {
        const std::string text = refused;
        script.Then("type \"" + text + "\" and press OK", [text] {
            HWND dialog = FindDialog(kProgramDialog);
            if (!dialog)
                return false;
            SetDlgItemTextA(dialog, IDC_PROGRAM_PID, text.c_str());
            Click(dialog, IDOK);
            return true;
        });
        script.Then("the validation message for \"" + text + "\"", [] {
            HWND box = FindMessageBox();
            if (!box)
                return false;
            EXPECT_EQ(ItemText(box, 0xFFFF), kWholeNumberMessage);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return true;
        });
        script.Then("the dialog is still open", [this] {
            if (FindMessageBox())
                return false;
            EXPECT_NE(FindDialog(kProgramDialog), nullptr);
            EXPECT_EQ(window.Catalogue().Snapshot().at(0).m_nPID, 5);
            return true;
        });
    }
    script.Then("a PID of 0 is taken", [] {
        HWND dialog = FindDialog(kProgramDialog);
        SetDlgItemTextA(dialog, IDC_PROGRAM_PID, "0");
        Click(dialog, IDOK);
        return true;
    });
    script.Then("the dialog closed", [this] {
        if (FindDialog(kProgramDialog))
            return false;
        EXPECT_EQ(CellText(List(), 0, 3), "0");
        EXPECT_EQ(window.Catalogue().Snapshot().at(0).m_nPID, 0);
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
}

TEST_F(MainWindowTest, EditCancelledChangesNothing) {
    const std::vector<CMediaInfo> records = {Record("C:\\a.mpg", 5, 1, 10)};
    WriteCatalogue(records);
    WaitForWindow();
    script.Then("edit", [this] {
        SelectRow(List(), 0);
        Click(Main(), IDC_EDIT);
        return true;
    });
    script.Then("type a PID and cancel", [] {
        HWND dialog = FindDialog(kProgramDialog);
        if (!dialog)
            return false;
        SetDlgItemTextA(dialog, IDC_PROGRAM_PID, "99");
        Click(dialog, IDCANCEL);
        return true;
    });
    script.Then("nothing changed", [this] {
        if (FindDialog(kProgramDialog))
            return false;
        EXPECT_EQ(CellText(List(), 0, 3), "5");
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
    EXPECT_EQ(SavedCatalogue(), records);
}

TEST_F(MainWindowTest, AddWithCancelledChooserOffersOnlyCancel) {
    WriteCatalogue({Record("C:\\a.mpg", 5)});
    WaitForWindow();
    script.Then("press Add", [this] {
        Click(Main(), IDC_ADD);
        return true;
    });
    script.Then("cancel the file chooser", [] {
        HWND chooser = FindDialog("Open");
        if (!chooser)
            return false;
        PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    script.Then("the dialog shows a fresh record with OK disabled", [] {
        HWND dialog = FindDialog(kProgramDialog);
        if (!dialog)
            return false;
        EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_FILE), "");
        EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_SIZE), "0");
        EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_TYPE), "MPEG1");
        EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_PID), "0");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
        Click(dialog, IDCANCEL);
        return true;
    });
    script.Then("nothing was added", [this] {
        if (FindDialog(kProgramDialog))
            return false;
        EXPECT_EQ(RowCount(List()), 1);
        EXPECT_EQ(window.Catalogue().Count(), 1u);
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
}

TEST_F(MainWindowTest, DeleteAllThenCloseLeavesAnEmptyListFile) {
    WriteCatalogue({Record("C:\\a.mpg", 1), Record("C:\\b.mpg", 2)});
    WaitForWindow();
    script.Then("Delete All", [this] {
        Click(Main(), IDC_DELETE_ALL);
        return true;
    });
    script.Then("everything is gone, the file too", [this] {
        if (RowCount(List()) != 0)
            return false;
        EXPECT_EQ(window.Catalogue().Count(), 0u);
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(platform::ReadWholeFile(listFile, bytes), platform::ReadResult::NotFound);
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
    EXPECT_EQ(SavedBytes(), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(MainWindowTest, MissingListFileOpensEmptyAndCloseWritesIt) {
    WaitForWindow();
    script.Then("empty", [this] {
        EXPECT_EQ(RowCount(List()), 0);
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
    EXPECT_EQ(SavedBytes(), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(MainWindowTest, ListFileEndingEarlyIsReportedAndKeepsWhatWasRead) {
    // Three records announced, one and a half present.
    std::vector<std::uint8_t> bytes = EncodeListFile(std::vector<CMediaInfo>{
        Record("C:\\first.mpg", 1, 1, 100), Record("C:\\second.mpg", 2, 1, 200), Record("C:\\third.mpg", 3)});
    bytes.resize(4 + (12 + 21) + 10);
    WriteBytes(bytes);
    DismissMessageSaying({"record 2", "byte offset"});
    WaitForWindow();
    script.Then("the records read so far are shown, the command port is closed", [this] {
        EXPECT_EQ(RowCount(List()), 1);
        EXPECT_EQ(CellText(List(), 0, 0), "C:\\first.mpg");
        EXPECT_EQ(window.BoundCommandPort(), 0);
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
    EXPECT_EQ(SavedCatalogue(), (std::vector<CMediaInfo>{Record("C:\\first.mpg", 1, 1, 100)}));
}

TEST_F(MainWindowTest, ListFileThatCannotBeOpenedIsToldAndLeftAsItIs) {
    // A folder in the list file's place: it exists, but no file can be read from it or saved over it.
    std::filesystem::create_directories(dir.Path() / "Tarnvale.lst" / "inside");
    DismissMessageSaying({"Cannot open the list file ", "nothing is saved over it"});
    WaitForWindow();
    script.Then("nothing shown, the command port closed", [this] {
        EXPECT_EQ(RowCount(List()), 0);
        EXPECT_EQ(window.BoundCommandPort(), 0);
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "Tarnvale.lst" / "inside"));
}

TEST_F(MainWindowTest, SavesInPlaceWhereNoFileCanBeMadeBesideTheListFile) {
    // As C:\ is for a standard user: the list file can be changed, but the folder takes no new file.
    WriteCatalogue({Record("C:\\a.mpg", 1), Record("C:\\b.mpg", 2)});
    test::ScopedSaveTestSeam refuse(test::SaveTestSeam{.refuseTemporaryFile = true, .whileHeld = nullptr});
    WaitForWindow();
    DeleteRow(0, 1);
    CloseWith(WM_CLOSE);
    Run();
    EXPECT_EQ(SavedCatalogue(), (std::vector<CMediaInfo>{Record("C:\\b.mpg", 2)}));
}

TEST_F(MainWindowTest, OtherWritersWaitForTheOpenWindowAndNameIt) {
    WriteCatalogue({Record("C:\\a.mpg", 1)});
    platform::FileLock other;
    WaitForWindow();
    script.Then("another writer is kept out and told who holds the list file", [&] {
        platform::LockRefusal refusal;
        EXPECT_FALSE(other.Acquire(listFile, "tarnvale add", std::chrono::milliseconds(0), &refusal));
        EXPECT_EQ(refusal.holder.rfind("TarnvaleServer (process ", 0), 0u) << refusal.holder;
        return true;
    });
    DeleteRow(0, 0);
    CloseWith(WM_CLOSE);
    Run();
    // Released after the closing save, which the next writer then finds.
    EXPECT_TRUE(other.Acquire(listFile, "tarnvale add", std::chrono::milliseconds(0)));
    EXPECT_EQ(SavedBytes(), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(MainWindowTest, ListFileHeldByAnotherWriterIsServedButNeverSavedOver) {
    WriteCatalogue({Record("C:\\a.mpg", 1), Record("C:\\b.mpg", 2)});
    const std::vector<std::uint8_t> before = SavedBytes();
    platform::FileLock watch;
    ASSERT_TRUE(watch.Acquire(listFile, "tarnvale watch", std::chrono::milliseconds(0)));
    window.SetWriterWait(std::chrono::milliseconds(0));
    DismissMessageSaying({"is being changed by tarnvale watch (process ", "nothing is saved over the list file"});
    WaitForWindow();
    script.Then("the programs are shown and served", [this] {
        EXPECT_EQ(RowCount(List()), 2);
        EXPECT_NE(window.BoundCommandPort(), 0);
        return true;
    });
    DeleteRow(0, 1);
    script.Then("Delete All empties the window only", [this] {
        Click(Main(), IDC_DELETE_ALL);
        return RowCount(List()) == 0;
    });
    CloseWith(WM_CLOSE);
    Run();
    EXPECT_EQ(SavedBytes(), before);
}

TEST_F(MainWindowTest, ResizingPutsTheListBelowAFixedBand) {
    WaitForWindow();
    struct Size {
        int width;
        int height;
    };
    for (Size size : {Size{700, 500}, Size{400, 90}, Size{900, 300}}) {
        script.Then("resize to " + std::to_string(size.width) + "x" + std::to_string(size.height), [this, size] {
            SetWindowPos(Main(), nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER);
            RECT client;
            GetClientRect(Main(), &client);
            RECT list;
            GetWindowRect(List(), &list);
            MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&list), 2);
            EXPECT_EQ(list.left, 0);
            EXPECT_EQ(list.top, kListTopAfterResize);
            EXPECT_EQ(list.right, client.right);
            EXPECT_EQ(list.bottom - list.top, std::max(0L, client.bottom - kListTopAfterResize));
            return true;
        });
    }
    CloseWith(WM_CLOSE);
    Run();
}

// The skin engine subclasses every dialog and control of the thread; the commands must work as before.
TEST_F(MainWindowTest, SkinnedWindowWorksTheSame) {
    SkinManager skins;
    skins.Start((AppDirectory() + kDefaultSkinRelativePath).c_str());
    WriteCatalogue({Record("C:\\a.mpg", 1, 1, 1048576), Record("C:\\b.avi", 2, 2, 1500000)});
    WaitForWindow();
    script.Then("edit the second row", [this] {
        // The list ends where the client area ends once the skin frame has grown the window: its bars' lower
        // arrow shows above the skin's bottom frame.
        RECT client, list;
        GetClientRect(Main(), &client);
        GetWindowRect(List(), &list);
        MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&list), 2);
        EXPECT_EQ(list.top, kListTopAfterResize);
        EXPECT_EQ(list.bottom, client.bottom);
        EXPECT_EQ(CellText(List(), 1, 2), "1.431M");
        SelectRow(List(), 1);
        Click(Main(), IDC_EDIT);
        return true;
    });
    script.Then("give it PID 9", [] {
        HWND dialog = FindDialog(kProgramDialog);
        if (!dialog)
            return false;
        EXPECT_EQ(ItemText(dialog, IDC_PROGRAM_TYPE), "AVI");
        SetDlgItemTextA(dialog, IDC_PROGRAM_PID, "9");
        Click(dialog, IDOK);
        return true;
    });
    script.Then("the dialog closed", [] { return FindDialog(kProgramDialog) == nullptr; });
    DeleteRow(0, 1);
    CloseWith(WM_CLOSE);
    Run();
    EXPECT_EQ(SavedCatalogue(), (std::vector<CMediaInfo>{Record("C:\\b.avi", 9, 2, 1500000)}));
}

// The skin frame replaces the standard one around the client area the templates were laid out for.
TEST(SkinnedTemplates, KeepTheirClientArea) {
    struct Rects {
        RECT client{};
        RECT window{};
    };
    auto rectsOf = [](int templateId, SkinManager* skins) {
        const HWND dialog = CreateDialogParamA(
            GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr,
            [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; }, 0);
        Rects rects;
        GetClientRect(dialog, &rects.client);
        GetWindowRect(dialog, &rects.window);
        if (skins) {
            EXPECT_TRUE(skins->Registry().FindDialog(dialog) && skins->Registry().FindDialog(dialog)->IsFrameSkinned());
        }
        DestroyWindow(dialog);
        return rects;
    };
    for (int templateId : {IDD_MAIN, IDD_PROGRAM}) {
        SCOPED_TRACE(templateId);
        const Rects unskinned = rectsOf(templateId, nullptr);
        SkinManager skins;
        skins.Start((AppDirectory() + kDefaultSkinRelativePath).c_str());
        const Rects skinnedRects = rectsOf(templateId, &skins);
        // The skin's caption has its own height.
        EXPECT_NE(skinnedRects.window.bottom - skinnedRects.window.top, unskinned.window.bottom - unskinned.window.top);
        const RECT& standard = unskinned.client;
        const RECT& skinned = skinnedRects.client;
        EXPECT_EQ(skinned.right, standard.right);
        EXPECT_EQ(skinned.bottom, standard.bottom);
    }
}

TEST_F(MainWindowTest, HostLineNamesTheHostAndTheOpenCommandPort) {
    std::string address;
    std::string name;
    ASSERT_TRUE(GetHostAddress(address, &name));
    WaitForWindow();
    script.Then("host line", [&] {
        EXPECT_NE(window.BoundCommandPort(), 0);
        EXPECT_EQ(ItemText(Main(), IDC_HOST_LINE), HostLine(name, address, window.BoundCommandPort()));
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
}

TEST_F(MainWindowTest, AnHttpPortThatCannotBeOpenedIsSaidOnceAndTheWindowWorksOn) {
    // The port is taken by a listener of the test's own.
    platform::Socket taken = platform::CreateTcpSocket();
    ASSERT_TRUE(platform::Bind(taken.get(), {platform::kLoopbackAddress, 0}));
    ASSERT_TRUE(platform::Listen(taken.get(), 1));
    platform::Endpoint local;
    ASSERT_TRUE(platform::LocalEndpoint(taken.get(), local));
    window.SetHttpPort(local.port);
    DismissMessageSaying({"The HTTP port " + std::to_string(local.port) + " could not be opened",
                          "the window and its command port work on", "HttpPort"});
    WaitForWindow();
    script.Then("the command port is open, and the system menu has no HTTP items", [this] {
        EXPECT_NE(window.BoundCommandPort(), 0);
        EXPECT_EQ(window.BoundHttpPort(), 0);
        EXPECT_EQ(GetMenuState(GetSystemMenu(Main(), FALSE), kOpenCataloguePageCommand, MF_BYCOMMAND), UINT(-1));
        EXPECT_EQ(FindMessageBox(), nullptr) << "said more than once";
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
}

} // namespace
} // namespace tarnvale
