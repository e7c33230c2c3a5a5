// The folder search on real folder trees, started through the real folder chooser: PIDs from 10 in the order of
// the walk, rows appearing while it runs, the list file holding every added program, refused files told one by
// one, and closing the window or Delete All during a search.
#include "MainWindowFixture.h"
#include "media/MediaProbe.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

namespace fs = std::filesystem;
using test::CellText;
using test::Click;
using test::FindDialogHolding;
using test::FindMessageBox;
using test::ItemText;
using test::RowCount;

const fs::path kFixtures = TARNVALE_MEDIA_FIXTURES;

void Copy(const char* fixture, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(kFixtures / fixture, to, fs::copy_options::overwrite_existing);
}

void WriteText(const fs::path& to, const std::string& text) {
    fs::create_directories(to.parent_path());
    std::ofstream(to) << text;
}

// The files a depth-first walk in the file system's own order reaches, as the search must reach them.
void EnumerateDepthFirst(const std::string& folder, std::vector<std::string>& files) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            EnumerateDepthFirst(path, files);
        else
            files.push_back(path);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

std::string SelectedFolderName(HWND chooser) {
    HWND tree = FindWindowExA(chooser, nullptr, WC_TREEVIEWA, nullptr);
    const auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item)
        return {};
    char text[MAX_PATH] = {};
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

class FolderSearchTest : public test::MainWindowTest {
protected:
    // Presses the search button and picks folder in the folder chooser, as a user does.
    void SearchThrough(const std::string& folder) {
        script.Then("press the search button", [this] {
            Click(Main(), IDC_SEARCH_FOLDER);
            return true;
        });
        // The chooser fills its tree as it opens; the choice counts once the tree shows it selected.
        const std::string leaf = fs::path(folder).filename().string();
        script.Then("choose " + folder, [folder, leaf] {
            HWND chooser = FindDialogHolding(WC_TREEVIEWA);
            if (!chooser)
                return false;
            SendMessageA(chooser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
            if (SelectedFolderName(chooser) != leaf)
                return false;
            PostMessageA(chooser, WM_COMMAND, IDOK, 0);
            return true;
        });
    }
    void WaitForSearchEnd(std::size_t rows) {
        script.Then("search over", [this, rows] {
            return !FindDialogHolding(WC_TREEVIEWA) && !window.SearchRunning() &&
                   RowCount(List()) == static_cast<int>(rows);
        });
    }
    // The catalogue, the rows and the saved list file all hold the same programs in the same order.
    void ExpectRowsCatalogueAndFileAgree() {
        const std::vector<CMediaInfo> catalogue = window.Catalogue().Snapshot();
        ASSERT_EQ(RowCount(List()), static_cast<int>(catalogue.size()));
        for (std::size_t i = 0; i < catalogue.size(); ++i) {
            SCOPED_TRACE(catalogue[i].m_szFile);
            EXPECT_EQ(CellText(List(), static_cast<int>(i), 0), catalogue[i].m_szFile);
            EXPECT_EQ(CellText(List(), static_cast<int>(i), 3), std::to_string(catalogue[i].m_nPID));
        }
        EXPECT_EQ(SavedCatalogue(), catalogue);
    }

    std::string Folder(const char* name) const { return (dir.Path() / name).string(); }
};

TEST_F(FolderSearchTest, AddsEveryMediaFileWithPidsFromTenInWalkOrder) {
    const fs::path media = Folder("media");
    Copy("mpeg1-system.mpg", media / "a.MPG");
    Copy("mpeg2-program.mpg", media / "b.mpeg");
    Copy("tone.mp3", media / "c.Mp3");
    Copy("clip.avi", media / "d.avi");
    Copy("mpeg2-program.vob", media / "e.vob");
    WriteText(media / "f.txt", "not media");
    Copy("mpeg1-system.mpg", media / "h.mpeg4");
    Copy("tone.mp3", media / "sub" / "g.mp3");
    Copy("tone.mp3", media / "sub" / "deeper" / "i.MP3");
    std::vector<std::string> expected;
    EnumerateDepthFirst(media.string(), expected);
    expected.erase(
        std::remove_if(expected.begin(), expected.end(),
                       [](const std::string& path) { return path.ends_with(".txt") || path.ends_with("4"); }),
        expected.end());
    ASSERT_EQ(expected.size(), 7u);
    WriteCatalogue({test::Record("C:\\kept\\first.mpg", 3)});
    test::ListViewInsertWatch watch;

    WaitForWindow();
    SearchThrough(media.string());
    script.Then("the button waits for the search", [this] {
        if (!window.SearchRunning())
            return true; // a quick machine may be done already
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Main(), IDC_SEARCH_FOLDER)));
        return true;
    });
    WaitForSearchEnd(1 + expected.size());
    script.Then("programs in walk order, PIDs from 10, saved", [&] {
        const std::vector<CMediaInfo> catalogue = window.Catalogue().Snapshot();
        EXPECT_EQ(catalogue.at(0).m_nPID, 3);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(expected[i]);
            EXPECT_EQ(catalogue.at(i + 1).Path(), expected[i]);
            EXPECT_EQ(catalogue.at(i + 1).m_nPID, static_cast<std::int32_t>(10 + i));
        }
        struct Kind {
            const char* name;
            const char* type;
        };
        for (Kind kind : {Kind{"a.MPG", "MPEG1"}, Kind{"b.mpeg", "MPEG2"}, Kind{"c.Mp3", "MP3"}, Kind{"d.avi", "AVI"},
                          Kind{"e.vob", "MPEG2"}, Kind{"sub\\g.mp3", "MP3"}, Kind{"sub\\deeper\\i.MP3", "MP3"}}) {
            SCOPED_TRACE(kind.name);
            const auto found = std::find(expected.begin(), expected.end(), (media / kind.name).string());
            EXPECT_NE(found, expected.end());
            if (found != expected.end()) {
                EXPECT_EQ(CellText(List(), static_cast<int>(found - expected.begin()) + 1, 1), kind.type);
            }
        }
        ExpectRowsCatalogueAndFileAgree();
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Main(), IDC_SEARCH_FOLDER)));
        EXPECT_EQ(test::Text(Main()), "Tarnvale Server");
        return true;
    });
    // A second search in the same run goes on from where the first stopped.
    const fs::path more = Folder("more");
    Copy("tone.mp3", more / "x.mp3");
    SearchThrough(more.string());
    WaitForSearchEnd(1 + expected.size() + 1);
    script.Then("the counter went on", [&] {
        EXPECT_EQ(window.Catalogue().Snapshot().back().m_nPID, static_cast<std::int32_t>(10 + expected.size()));
        ExpectRowsCatalogueAndFileAgree();
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
    // The search's rows came in batches, each as one count.
    EXPECT_EQ(watch.RowsInsertedOneByOne(), 0);
    EXPECT_LE(watch.CountsSet(), static_cast<int>(1 + expected.size() + 1));
}

TEST_F(FolderSearchTest, RefusedFileIsToldAndTheWalkGoesOn) {
    const fs::path media = Folder("refused");
    Copy("tone.mp3", media / "song_mp3");
    WaitForWindow();
    SearchThrough(media.string());
    script.Then("the probe's message, naming the file", [&] {
        HWND box = FindMessageBox();
        if (!box)
            return false;
        const std::string text = ItemText(box, 0xFFFF);
        EXPECT_EQ(text.rfind(kUnsupportedFileMessage, 0), 0u) << text;
        EXPECT_NE(text.find((media / "song_mp3").string()), std::string::npos) << text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    WaitForSearchEnd(0);
    script.Then("nothing added", [this] {
        EXPECT_EQ(window.Catalogue().Count(), 0u);
        ExpectRowsCatalogueAndFileAgree();
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
}

TEST_F(FolderSearchTest, SaveThatFailsAtTheSearchsEndIsSaid) {
    const fs::path media = Folder("refused");
    Copy("tone.mp3", media / "song_mp3");
    WaitForWindow();
    SearchThrough(media.string());
    // While the walk waits on its message, a folder takes the list file's place: no save can replace it.
    script.Then("the list file made unsaveable during the walk", [&] {
        if (!FindMessageBox())
            return false;
        fs::remove(listFile);
        fs::create_directories(fs::path(listFile) / "inside");
        PostMessageA(FindMessageBox(), WM_COMMAND, IDOK, 0);
        return true;
    });
    DismissMessageSaying({"could not be saved", "the window tries again when it closes"});
    CloseWith(WM_CLOSE);
    DismissMessageSaying({"could not be saved", "The changes of this run are lost"});
    Run();
}

TEST_F(FolderSearchTest, CancelledChooserStillSavesTheListFile) {
    WaitForWindow();
    script.Then("press the search button", [this] {
        Click(Main(), IDC_SEARCH_FOLDER);
        return true;
    });
    script.Then("press it again while the chooser is open", [this] {
        if (!FindDialogHolding(WC_TREEVIEWA))
            return false;
        Click(Main(), IDC_SEARCH_FOLDER);
        return true;
    });
    script.Then("one chooser only; cancel it", [] {
        int choosers = 0;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND candidate, LPARAM count) -> BOOL {
                if (IsWindowVisible(candidate) && FindWindowExA(candidate, nullptr, WC_TREEVIEWA, nullptr))
                    ++*reinterpret_cast<int*>(count);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&choosers));
        EXPECT_EQ(choosers, 1);
        PostMessageA(FindDialogHolding(WC_TREEVIEWA), WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    script.Then("saved, ready for another search", [this] {
        if (FindDialogHolding(WC_TREEVIEWA))
            return false;
        EXPECT_EQ(SavedBytes(), (std::vector<std::uint8_t>{0, 0, 0, 0}));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Main(), IDC_SEARCH_FOLDER)));
        EXPECT_FALSE(window.SearchRunning());
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
}

// Enough files that the search is still running when the window is told to act.
fs::path ManyFiles(const fs::path& root) {
    for (int folder = 0; folder < 6; ++folder)
        for (int file = 0; file < 60; ++file)
            Copy("tone.mp3", root / ("f" + std::to_string(folder)) / ("t" + std::to_string(file) + ".mp3"));
    return root;
}

TEST_F(FolderSearchTest, ClosingDuringASearchLosesNothing) {
    const fs::path media = ManyFiles(Folder("many"));
    WaitForWindow();
    SearchThrough(media.string());
    script.Then("close while it runs", [this] {
        if (!window.SearchRunning() && RowCount(List()) == 0)
            return false;
        PostMessageA(Main(), WM_CLOSE, 0, 0);
        return true;
    });
    Run();
    EXPECT_FALSE(window.SearchRunning());
    const std::vector<CMediaInfo> catalogue = window.Catalogue().Snapshot();
    EXPECT_EQ(SavedCatalogue(), catalogue);
    for (std::size_t i = 0; i < catalogue.size(); ++i)
        EXPECT_EQ(catalogue[i].m_nPID, static_cast<std::int32_t>(10 + i));
}

TEST_F(FolderSearchTest, DeleteAllDuringASearchStopsItFirst) {
    const fs::path media = ManyFiles(Folder("many"));
    WriteCatalogue({test::Record("C:\\kept\\first.mpg", 3)});
    WaitForWindow();
    SearchThrough(media.string());
    script.Then("Delete All once rows come in", [this] {
        if (RowCount(List()) < 3)
            return false;
        Click(Main(), IDC_DELETE_ALL);
        return true;
    });
    script.Then("all gone, search stopped", [this] {
        if (RowCount(List()) != 0)
            return false;
        EXPECT_FALSE(window.SearchRunning());
        EXPECT_EQ(window.Catalogue().Count(), 0u);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Main(), IDC_SEARCH_FOLDER)));
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(platform::ReadWholeFile(listFile, bytes), platform::ReadResult::NotFound);
        return true;
    });
    // Nothing the stopped search had under way may turn up afterwards.
    auto quiet = std::make_shared<int>(30);
    script.Then("still empty", [this, quiet] {
        EXPECT_EQ(RowCount(List()), 0);
        return --*quiet <= 0;
    });
    CloseWith(WM_CLOSE);
    Run();
    EXPECT_EQ(SavedBytes(), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

} // namespace
} // namespace tarnvale
