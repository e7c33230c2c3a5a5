// The main window under test: a CMainDlg on a list file in a temporary folder, a free command port, and a
// WindowScript that drives it while it runs modally.
#pragma once

#include "app/MainDlg.h"
#include "core/ListFile.h"
#include "platform/File.h"
#include "res/resource.h"
#include "support/MessageRecorder.h"
#include "support/Records.h"
#include "support/TempDir.h"
#include "support/WindowScript.h"

#include <gtest/gtest.h>

#include "platform/Socket.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace tarnvale::test {

inline constexpr const char* kProgramDialog = "Add a program...";

// Watches the messages that bring rows into the thread's list views: a load or a batch of search rows must reach
// the control as one count, never row by row, so that neither the control nor its skin works per row.
class ListViewInsertWatch : public MessageRecorder {
public:
    ListViewInsertWatch() : MessageRecorder(&IsRowMessage) { EXPECT_TRUE(WatchThread()); }

    int RowsInsertedOneByOne() const { return Count(LVM_INSERTITEMA) + Count(LVM_INSERTITEMW); }
    int CountsSet() const { return Count(LVM_SETITEMCOUNT); }

private:
    static bool IsRowMessage(const Message& m) {
        if (m.message != LVM_INSERTITEMA && m.message != LVM_INSERTITEMW && m.message != LVM_SETITEMCOUNT)
            return false;
        char className[32] = {};
        return GetClassNameA(m.window, className, sizeof className) && std::string(className) == "SysListView32";
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.SetListFilePath(listFile);
        // Never the real command port: any free one, on this machine only.
        window.SetCommandPort(0);
    }

    void WriteCatalogue(const std::vector<CMediaInfo>& records) { WriteBytes(EncodeListFile(records)); }
    void WriteBytes(const std::vector<std::uint8_t>& bytes) {
        ASSERT_TRUE(platform::ReplaceFileContents(listFile, bytes));
    }
    std::vector<std::uint8_t> SavedBytes() {
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(platform::ReadWholeFile(listFile, bytes), platform::ReadResult::Ok);
        return bytes;
    }
    std::vector<CMediaInfo> SavedCatalogue() {
        std::vector<CMediaInfo> records;
        EXPECT_TRUE(ParseListFile(SavedBytes(), records, nullptr));
        return records;
    }

    HWND Main() const { return window.GetSafeHwnd(); }
    HWND List() const { return GetDlgItem(Main(), IDC_PROGRAM_LIST); }

    // The first step of every script: the main window is up.
    void WaitForWindow() {
        script.Then("main window shown", [this] { return Main() && IsWindowVisible(Main()); });
    }
    // Deletes the row as a user does, and waits until rowsLeft rows are left.
    void DeleteRow(int row, int rowsLeft) {
        script.Then("delete row " + std::to_string(row), [this, row] {
            SelectRow(List(), row);
            Click(Main(), IDC_DELETE);
            return true;
        });
        script.Then(std::to_string(rowsLeft) + " rows left", [this, rowsLeft] { return RowCount(List()) == rowsLeft; });
    }
    // A message box that holds every one of parts; it is dismissed.
    void DismissMessageSaying(std::vector<std::string> parts) {
        script.Then("a message saying " + parts.front(), [parts] {
            HWND box = FindMessageBox();
            if (!box)
                return false;
            const std::string text = ItemText(box, 0xFFFF);
            for (const std::string& part : parts)
                EXPECT_NE(text.find(part), std::string::npos) << text;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return true;
        });
    }
    // The last: closed the way a user closes it (close box, Escape or Enter).
    void CloseWith(UINT message, WPARAM wParam = 0) {
        script.Then("close", [this, message, wParam] {
            PostMessageA(Main(), message, wParam, 0);
            return true;
        });
    }
    void Run() {
        script.Start();
        window.DoModal();
        script.Stop();
        EXPECT_TRUE(script.Finished());
    }

    // The socket layer, as the application object starts it before any window.
    SocketLibrary sockets;
    test::TempDir dir;
    std::string listFile = dir.File("Tarnvale.lst");
    CMainDlg window;
    WindowScript script;
};

} // namespace tarnvale::test
