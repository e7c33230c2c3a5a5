// The dialog layer's helpers and the program's start-up settings: whole-number parsing, the list's texts, the
// host line, the program's directory and profile file, the file-dialog filter and the command-line options.
#include "app/Choosers.h"
#include "app/Dialog.h"
#include "app/MainDlg.h"
#include "app/ProgramDlg.h"
#include "app/ProgramListView.h"
#include "app/ServerApp.h"
#include "app/WinApp.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

TEST(DialogLayer, WholeNumbersAreDecimalAndFit32Bits) {
    struct Row {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Row rows[] = {
        {"0", 0},
        {"42", 42},
        {"-5", -5},
        {"+7", 7},
        {"  12  ", 12},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"12x", std::nullopt},
        {"1 2", std::nullopt},
        {"0x10", std::nullopt},
        {"1.5", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("text \"") + row.text + "\"");
        EXPECT_EQ(ParseWholeNumber(row.text), row.value);
    }
}

TEST(DialogLayer, SizeAndPidTexts) {
    struct Row {
        std::int32_t size;
        const char* text;
    };
    const Row rows[] = {
        {1048576, "1.000M"}, {1500000, "1.431M"},       {0, "0.000M"},
        {524, "0.000M"},     {2147483647, "2048.000M"}, {-1048576, "-1.000M"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("size " + std::to_string(row.size));
        EXPECT_EQ(SizeText(row.size), row.text);
    }
    EXPECT_EQ(PidText(-5), "-5");
    EXPECT_EQ(PidText(0), "0");
}

TEST(DialogLayer, HostLineKeepsItsBlanks) {
    EXPECT_EQ(HostLine("srv1", "10.0.0.5", 10080), "Host: srv1  IP: 10.0.0.5  Command Port (UDP) : 10080");
    // A long host name is shown whole, never cut or overflowing.
    const std::string longName(400, 'n');
    EXPECT_EQ(HostLine(longName, "1.2.3.4", 1), "Host: " + longName + "  IP: 1.2.3.4  Command Port (UDP) : 1");
}

TEST(DialogLayer, ApplicationDirectoryEndsInOneBackslash) {
    struct Row {
        const char* module;
        const char* directory;
    };
    const Row rows[] = {
        {"C:\\Program Files\\Tarnvale\\TarnvaleServer.exe", "C:\\Program Files\\Tarnvale\\"},
        {"C:\\TarnvaleServer.exe", "C:\\"},
        {"\\\\server\\share\\TarnvaleServer.exe", "\\\\server\\share\\"},
        {"C:TarnvaleServer.exe", "C:\\"},
        {"TarnvaleServer.exe", "\\"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.module);
        EXPECT_EQ(DirectoryOfModulePath(row.module), row.directory);
    }
    const std::string own = AppDirectory();
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(own.back(), '\\');
    EXPECT_NE(own.substr(own.size() - 2), "\\\\");
}

TEST(DialogLayer, ProfileFileIsTheExecutablesBaseName) {
    EXPECT_EQ(ProfileFileNameFor("C:\\x\\TarnvaleServer.exe"), "TarnvaleServer.ini");
    EXPECT_EQ(ProfileFileNameFor("C:\\x.y\\my.server.exe"), "my.server.ini");
    EXPECT_EQ(ProfileFileNameFor("C:\\x\\plain"), "plain.ini");
}

struct ProfileApp : CWinApp {
    bool InitInstance() override { return false; }
};

TEST(DialogLayer, ProfileStringComesFromTheWindowsDirectory) {
    ProfileApp app;
    char windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    const std::string file = std::string(windows) + "\\" + app.ProfileFileName();
    DeleteFileA(file.c_str());
    EXPECT_EQ(app.GetProfileString(kSkinProfileSection, kSkinProfileKey, "fallback"), "fallback");

    std::FILE* out = std::fopen(file.c_str(), "w");
    ASSERT_NE(out, nullptr);
    const std::string longValue(700, 's');
    std::fprintf(out, "[Settings]\nSkin=D:\\skins\\Calm\\skin.ini\nLong=%s\n", longValue.c_str());
    std::fclose(out);
    EXPECT_EQ(app.GetProfileString("Settings", "Skin", "fallback"), "D:\\skins\\Calm\\skin.ini");
    EXPECT_EQ(app.GetProfileString("Settings", "Long", ""), longValue);
    EXPECT_EQ(app.GetProfileString("Settings", "Missing", "fallback"), "fallback");
    EXPECT_EQ(app.GetProfileString("Other", "Skin", "fallback"), "fallback");
    DeleteFileA(file.c_str());
}

TEST(DialogLayer, FileDialogFilterHasFourEntriesMpegFirst) {
    const std::string filter = FileDialogFilter(kProgramFileFilter);
    std::vector<std::string> parts;
    for (std::size_t start = 0; start < filter.size();) {
        const std::size_t end = filter.find('\0', start);
        parts.push_back(filter.substr(start, end - start));
        start = end + 1;
    }
    const std::vector<std::string> expected = {"MPEG Files (*.mpg;*.mpeg)",
                                               "*.mpg;*.mpeg",
                                               "AVI Files (*.avi)",
                                               "*.avi",
                                               "MP3 Files (*.mp3)",
                                               "*.mp3",
                                               "All Files (*.*)",
                                               "*.*",
                                               ""};
    EXPECT_EQ(parts, expected);
    EXPECT_EQ(filter.substr(filter.size() - 2), std::string(2, '\0'));
}

TEST(DialogLayer, CommandLineOptions) {
    struct Row {
        std::vector<std::string> arguments;
        bool ok;
        std::optional<std::string> listFile;
        std::optional<std::uint16_t> port;
        std::optional<std::uint16_t> http = std::nullopt;
    };
    const Row rows[] = {
        {{}, true, std::nullopt, std::nullopt},
        {{"--list-file", "D:\\t\\a.lst"}, true, "D:\\t\\a.lst", std::nullopt},
        {{"--command-port", "0"}, true, std::nullopt, 0},
        {{"--command-port", "65535", "--list-file", "x"}, true, "x", 65535},
        {{"--command-port", "65536"}, false, std::nullopt, std::nullopt},
        {{"--command-port", "12a"}, false, std::nullopt, std::nullopt},
        {{"--command-port", "-1"}, false, std::nullopt, std::nullopt},
        {{"--list-file"}, false, std::nullopt, std::nullopt},
        // What a shortcut or "Open with" passes is passed over.
        {{"/list"}, true, std::nullopt, std::nullopt},
        {{"D:\\Videos\\clip.mpg", "--command-port", "7", "-x"}, true, std::nullopt, 7},
        {{"--http", "8080", "--command-port", "7"}, true, std::nullopt, 7, 8080},
        {{"--http", "0"}, true, std::nullopt, std::nullopt, 0},
        {{"--http", "65536"}, false, std::nullopt, std::nullopt},
        {{"--http"}, false, std::nullopt, std::nullopt},
    };
    for (const Row& row : rows) {
        std::string joined;
        for (const std::string& argument : row.arguments)
            joined += argument + " ";
        SCOPED_TRACE("arguments: " + joined);
        AppOptions options;
        std::string error;
        ASSERT_EQ(ParseAppOptions(row.arguments, options, error), row.ok);
        if (!row.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(options.listFile, row.listFile);
        EXPECT_EQ(options.commandPort, row.port);
        EXPECT_EQ(options.httpPort, row.http);
    }
}

TEST(DialogLayer, ListFileMessageNamesTheFailedRead) {
    ListFileLoad load;
    load.recordsLoaded = 1;
    load.failedRecord = 2;
    load.failedOffset = 33;
    load.error = "the file ends inside record 2 of 3 (which starts at byte 33)";
    const std::string text = ListFileReadMessage("C:\\\\Tarnvale.lst", load);
    for (const char* part : {"C:\\\\Tarnvale.lst", "record 2 of 3", "record 2, byte offset 33", "The 1 programs",
                             "command port stays closed"}) {
        SCOPED_TRACE(part);
        EXPECT_NE(text.find(part), std::string::npos) << text;
    }
    EXPECT_NE(text.find("the list file is saved with the programs shown"), std::string::npos) << text;
    // Another writer holds the list file: the message promises no save.
    const std::string held = ListFileReadMessage("C:\\\\Tarnvale.lst", load, false);
    EXPECT_EQ(held.find("is saved with"), std::string::npos) << held;
    EXPECT_NE(held.find("Nothing is saved over the list file"), std::string::npos) << held;
}

} // namespace
} // namespace tarnvale
