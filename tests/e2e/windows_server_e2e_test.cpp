// TarnvaleServer.exe under Wine with a prepared list file: the native client lists its catalogue and plays a
// program from it over loopback; closing the window saves the list file and ends the process cleanly (an exit
// code of 0: a network thread left running would have ended it abnormally).
#include "core/ListFile.h"
#include "platform/File.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace tarnvale {
namespace {

using namespace std::chrono_literals;
using test::Quote;
using test::Ran;
using test::RunCommand;

// The Wine prefix maps the whole Unix file system as drive Z.
std::string WinePath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string Wine(const std::string& program) {
    return std::string(TARNVALE_WINE_DIR) + "/" + program;
}

// Waits until a file named name is closed after writing in folder (a watch set up before the writer starts).
class FileWatch {
public:
    explicit FileWatch(const std::string& folder) : fd_(inotify_init1(IN_CLOEXEC)) {
        if (fd_ >= 0)
            inotify_add_watch(fd_, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    }
    ~FileWatch() {
        if (fd_ >= 0)
            close(fd_);
    }
    bool WaitFor(const std::string& name, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return false;
            alignas(inotify_event) char buffer[4096];
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                auto* event = reinterpret_cast<inotify_event*>(buffer + at);
                if (event->len && name == event->name)
                    return true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int fd_;
};

class WindowsServerEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(TARNVALE_SERVER_EXE))
            GTEST_SKIP() << TARNVALE_SERVER_EXE << " is not built; build the Windows tree (scripts/test.sh does)";
        const Ran setup = RunCommand(Quote(Wine("wine-setup.sh")) + " " + Quote(TARNVALE_WINE_STATE));
        ASSERT_EQ(setup.code, 0) << setup.out;
        wineReady_ = true;
    }
    void TearDown() override {
        if (wineReady_)
            RunCommand(Quote(Wine("wine-teardown.sh")) + " " + Quote(TARNVALE_WINE_STATE));
    }

    std::string WineRun(const std::string& arguments) const {
        return Quote(Wine("wine-run.sh")) + " " + Quote(TARNVALE_WINE_STATE) + " " + arguments;
    }

    bool wineReady_ = false;
};

TEST_F(WindowsServerEndToEnd, ServesTheNativeClientAndSavesOnClose) {
    test::TempDir dir;
    // A program of random bytes: the stream must arrive byte for byte.
    std::vector<std::uint8_t> media(300000);
    std::mt19937 random(7);
    for (std::uint8_t& byte : media)
        byte = static_cast<std::uint8_t>(random());
    const std::string mediaFile = dir.File("song.mp3");
    ASSERT_TRUE(platform::ReplaceFileContents(mediaFile, media));

    std::vector<CMediaInfo> records(2);
    ASSERT_TRUE(records[0].SetPath("C:\\nowhere\\first.mpg"));
    records[0].m_nPID = 3;
    records[0].m_nType = 1;
    records[0].m_nSize = 1048576;
    ASSERT_TRUE(records[1].SetPath(WinePath(mediaFile)));
    records[1].m_nPID = 12;
    records[1].m_nType = 3;
    records[1].m_nSize = static_cast<std::int32_t>(media.size());
    const std::string listFile = dir.File("Tarnvale.lst");
    ASSERT_TRUE(platform::ReplaceFileContents(listFile, EncodeListFile(records)));

    FileWatch watch(dir.Path().string());
    const std::string portFile = dir.File("port");
    std::promise<int> exited;
    std::future<int> exitCode = exited.get_future();
    // The server's output goes to a file, not to a pipe of ours: helper processes that Wine starts beside it
    // inherit it and outlive the server, and a pipe would stay open with them.
    const std::string serverLog = dir.File("server.log");
    std::thread server([&] {
        exited.set_value(RunCommand(WineRun(Quote(TARNVALE_SERVER_EXE) + " --list-file " + Quote(WinePath(listFile)) +
                                            " --command-port 0 --port-file " + Quote(WinePath(portFile))) +
                                    " >" + Quote(serverLog) + " 2>&1 </dev/null")
                             .code);
    });
    // The process must end, whatever the test finds; a kill from Wine's side is the last resort.
    struct Reaper {
        std::thread& server;
        std::string kill;
        ~Reaper() {
            if (server.joinable()) {
                RunCommand(kill);
                server.join();
            }
        }
    } reaper{server, WineRun("taskkill /F /IM TarnvaleServer.exe")};

    ASSERT_TRUE(watch.WaitFor("port", 120s)) << "the server did not open its command port";
    std::string port;
    std::ifstream(portFile) >> port;
    ASSERT_FALSE(port.empty());
    const std::string client = Quote(TARNVALE_CLIENT) + " --port " + port + " --timeout 20 ";

    const Ran list = RunCommand(client + "list");
    ASSERT_EQ(list.code, 0) << list.out;
    EXPECT_NE(list.out.find("3  MPEG2  1048576  0  C:\\nowhere\\first.mpg"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("12  MP3  300000  0  " + WinePath(mediaFile)), std::string::npos) << list.out;
    EXPECT_LT(list.out.find("first.mpg"), list.out.find("song.mp3")) << "catalogue order";

    const std::string received = dir.File("received.bin");
    const Ran play = RunCommand(client + "play 12 --out " + Quote(received));
    ASSERT_EQ(play.code, 0) << play.out;
    std::vector<std::uint8_t> got;
    ASSERT_EQ(platform::ReadWholeFile(received, got), platform::ReadResult::Ok);
    EXPECT_TRUE(got == media) << "received " << got.size() << " bytes of " << media.size();

    // Take the list file away: only the save on close can bring it back.
    ASSERT_TRUE(platform::RemoveFile(listFile));
    const Ran close = RunCommand(WineRun("taskkill /IM TarnvaleServer.exe"));
    EXPECT_EQ(close.code, 0) << close.out;
    ASSERT_EQ(exitCode.wait_for(120s), std::future_status::ready) << "the window closed but the process went on";
    server.join();
    EXPECT_EQ(exitCode.get(), 0);
    std::vector<std::uint8_t> saved;
    ASSERT_EQ(platform::ReadWholeFile(listFile, saved), platform::ReadResult::Ok);
    EXPECT_EQ(saved, EncodeListFile(records));
}

} // namespace
} // namespace tarnvale
