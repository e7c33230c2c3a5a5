// TarnvaleServer.exe under Wine with a prepared list file: the native client lists its catalogue and plays a
// program from it over loopback; closing the window saves the list file and ends the process cleanly (an exit
// code of 0: a network thread left running would have ended it abnormally). tarnvale.exe waits for the open window,
// the list file's writer, and loses nothing to it. The window's HTTP side to Chromium and curl. And the Windows zip
// as a user gets it: unpacked, started in a fresh Wine prefix, the program finds its skin beside it and serves HTTP.
#include "core/ListFile.h"
#include "platform/File.h"
#include "support/MediaFixtures.h"
#include "support/Shell.h"
#include "support/TempDir.h"
#include "support/Wine.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tarnvale {
namespace {

using namespace std::chrono_literals;
using test::Quote;
using test::Ran;
using test::RunCommand;
using test::WinePath;
using test::WineSession;

std::string TextOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Waits for files in folder to be written (a watch set up before the writer starts): until one named name is closed
// after writing, or until what was written makes done true.
class FileWatch {
public:
    explicit FileWatch(const std::string& folder, std::uint32_t events = IN_CLOSE_WRITE | IN_MOVED_TO)
        : fd_(inotify_init1(IN_CLOEXEC)) {
        if (fd_ >= 0)
            inotify_add_watch(fd_, folder.c_str(), events);
    }
    ~FileWatch() {
        if (fd_ >= 0)
            close(fd_);
    }
    template <typename Done>
    bool WaitUntil(Done&& done, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{fd_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return done();
            alignas(inotify_event) char buffer[4096];
            [[maybe_unused]] const ssize_t n = read(fd_, buffer, sizeof buffer);
        }
        return true;
    }
    bool WaitFor(const std::string& name, std::chrono::milliseconds limit) {
        if (seen_.contains(name))
            return true;
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
                if (event->len)
                    seen_.insert(event->name);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
            if (seen_.contains(name))
                return true;
        }
    }

private:
    int fd_;
    std::set<std::string> seen_; // every name closed so far, for the waits that come later
};

// TarnvaleServer.exe serving listFile under Wine, on a command port of the system's choosing that it writes to a
// file in folder. The process ends with this object, whatever the test found: a kill from Wine's side is the
// last resort.
class ServerUnderWine {
public:
    ServerUnderWine(const WineSession& wine, const std::string& exe, const std::string& folder,
                    const std::string& listFile, const std::string& more = "")
        : portFile_(folder + "/port"), httpPortFile_(folder + "/http-port"), watch_(folder),
          program_(wine, exe,
                   "--list-file " + Quote(WinePath(listFile)) + " --command-port 0 --port-file " +
                       Quote(WinePath(portFile_)) + " --http-port-file " + Quote(WinePath(httpPortFile_)) + " " + more,
                   folder + "/server.log") {}

    // The command port, once the server has opened it; empty when it did not within the wait.
    std::string Port() { return Written(portFile_, "port"); }
    // The HTTP port, once the server has opened it (given --http); empty when it did not within the wait.
    std::string HttpPort() { return Written(httpPortFile_, "http-port"); }
    // Closes the window as a user would; the process's exit code, or -1 when it went on.
    int Close() { return program_.Close(); }

private:
    std::string Written(const std::string& path, const char* name) {
        std::string port;
        if (watch_.WaitFor(name, 120s))
            std::ifstream(path) >> port;
        return port;
    }

    std::string portFile_;
    std::string httpPortFile_;
    FileWatch watch_; // set up before the server starts, so that the port file is never missed
    test::ProgramUnderWine program_;
};

class WindowsServerEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(TARNVALE_SERVER_EXE))
            GTEST_SKIP() << TARNVALE_SERVER_EXE << " is not built; build the Windows tree (scripts/test.sh does)";
    }

    // A Wine session (prefix, display, wineserver) of this case's own, so that the cases run beside each other.
    static std::string CaseWineState() {
        return std::string(TARNVALE_WINE_STATE) + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    static std::string Client(const std::string& port) {
        return Quote(TARNVALE_CLIENT) + " --port " + port + " --timeout 20 ";
    }
};

TEST_F(WindowsServerEndToEnd, ServesTheNativeClientAndSavesOnClose) {
    WineSession wine(TARNVALE_WINE_DIR, CaseWineState());
    const Ran setup = wine.Start();
    ASSERT_EQ(setup.code, 0) << setup.out;
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

    ServerUnderWine server(wine, TARNVALE_SERVER_EXE, dir.Path().string(), listFile);
    const std::string port = server.Port();
    ASSERT_FALSE(port.empty()) << "the server did not open its command port";

    const Ran list = RunCommand(Client(port) + "list");
    ASSERT_EQ(list.code, 0) << list.out;
    EXPECT_NE(list.out.find("3  MPEG2  1048576  0  C:\\nowhere\\first.mpg"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("12  MP3  300000  0  " + WinePath(mediaFile)), std::string::npos) << list.out;
    EXPECT_LT(list.out.find("first.mpg"), list.out.find("song.mp3")) << "catalogue order";

    const std::string received = dir.File("received.bin");
    const Ran play = RunCommand(Client(port) + "play 12 --out " + Quote(received));
    ASSERT_EQ(play.code, 0) << play.out;
    std::vector<std::uint8_t> got;
    ASSERT_EQ(platform::ReadWholeFile(received, got), platform::ReadResult::Ok);
    EXPECT_TRUE(got == media) << "received " << got.size() << " bytes of " << media.size();

    // Take the list file away: only the save on close can bring it back.
    ASSERT_TRUE(platform::RemoveFile(listFile));
    EXPECT_EQ(server.Close(), 0) << "the window closed but the process went on or ended abnormally";
    std::vector<std::uint8_t> saved;
    ASSERT_EQ(platform::ReadWholeFile(listFile, saved), platform::ReadResult::Ok);
    EXPECT_EQ(saved, EncodeListFile(records));
}

// The window keeps its catalogue in memory and saves it whole when it closes: tarnvale.exe, run while it is open,
// must wait for it (saying so, and naming it), and its edit must land on the window's save, not under it.
TEST_F(WindowsServerEndToEnd, TarnvaleWaitsForTheOpenWindowAndNothingIsLost) {
    WineSession wine(TARNVALE_WINE_DIR, CaseWineState());
    const Ran setup = wine.Start();
    ASSERT_EQ(setup.code, 0) << setup.out;
    test::TempDir dir;
    const std::string mediaFile = dir.File("late.mp3");
    ASSERT_TRUE(platform::ReplaceFileContents(mediaFile, std::vector<std::uint8_t>(4096, 0x55)));
    std::vector<CMediaInfo> records(1);
    ASSERT_TRUE(records[0].SetPath("C:\\nowhere\\first.mpg"));
    records[0].m_nPID = 3;
    const std::string listFile = dir.File("Tarnvale.lst");
    ASSERT_TRUE(platform::ReplaceFileContents(listFile, EncodeListFile(records)));

    ServerUnderWine server(wine, TARNVALE_SERVER_EXE, dir.Path().string(), listFile);
    ASSERT_FALSE(server.Port().empty()) << "the server did not open its command port";
    const std::string log = dir.File("add.log");
    FileWatch written(dir.Path().string(), IN_MODIFY | IN_CLOSE_WRITE);
    auto add = std::async(std::launch::async, [&] {
        return RunCommand(wine.Run(Quote(TARNVALE_CATALOGUE_EXE) + " --list " + Quote(WinePath(listFile)) + " add " +
                                   Quote(WinePath(mediaFile)) + " 77") +
                          " >" + Quote(log) + " 2>&1 </dev/null")
            .code;
    });
    const auto said = [&](const char* words) { return TextOf(log).find(words) != std::string::npos; };
    EXPECT_TRUE(written.WaitUntil([&] { return said("being changed by") || said("added"); }, 120s)) << TextOf(log);
    EXPECT_TRUE(said("is being changed by TarnvaleServer (process ")) << TextOf(log);
    EXPECT_FALSE(said("added")) << "tarnvale.exe saved while the window was open";

    EXPECT_EQ(server.Close(), 0);
    ASSERT_EQ(add.wait_for(120s), std::future_status::ready);
    EXPECT_EQ(add.get(), 0) << TextOf(log);
    std::vector<std::uint8_t> saved;
    ASSERT_EQ(platform::ReadWholeFile(listFile, saved), platform::ReadResult::Ok);
    std::vector<CMediaInfo> catalogue;
    ASSERT_TRUE(ParseListFile(saved, catalogue, nullptr));
    ASSERT_EQ(catalogue.size(), 2u) << TextOf(log);
    EXPECT_EQ(catalogue[0], records[0]);
    EXPECT_EQ(catalogue[1].m_nPID, 77);
    EXPECT_NE(std::string(catalogue[1].Path()).find("late.mp3"), std::string::npos) << catalogue[1].Path();
}

TEST_F(WindowsServerEndToEnd, TheWindowServesItsCatalogueOverHttpAndClosesCleanlyDuringATransfer) {
    WineSession wine(TARNVALE_WINE_DIR, CaseWineState());
    const Ran setup = wine.Start();
    ASSERT_EQ(setup.code, 0) << setup.out;
    test::TempDir dir;
    // A name with characters of the system's code page (Wine's is 1252 here): stored in the list file as that
    // code page's bytes, shown by the page as the same characters in UTF-8.
    const std::string tone = dir.File("caf\u00e9 cr\u00e8me.mp3");
    std::filesystem::copy_file(test::FixturePath("tone.mp3"), tone);
    const std::string big = dir.File("big.mpg");
    std::filesystem::resize_file((std::ofstream(big), big), 256ull << 20); // sparse: no cost on disk
    std::vector<CMediaInfo> records(3);
    ASSERT_TRUE(records[0].SetPath(WinePath(dir.File("caf\xe9 cr\xe8me.mp3"))));
    records[0].m_nPID = 7;
    records[0].m_nType = 3;
    ASSERT_TRUE(records[1].SetPath(WinePath(big)));
    records[1].m_nPID = 8;
    records[1].m_nType = 1;
    ASSERT_TRUE(records[2].SetPath(WinePath(test::FixturePath("mpeg2-program.mpg"))));
    records[2].m_nPID = 9;
    records[2].m_nType = 1;
    const std::string listFile = dir.File("Tarnvale.lst");
    ASSERT_TRUE(platform::ReplaceFileContents(listFile, EncodeListFile(records)));

    ServerUnderWine server(wine, TARNVALE_SERVER_EXE, dir.Path().string(), listFile, "--http 0");
    const std::string port = server.HttpPort();
    ASSERT_FALSE(port.empty()) << "the window did not open its HTTP port";
    const std::string origin = "http://127.0.0.1:" + port;

    const Ran page =
        RunCommand("chromium --headless --no-sandbox --disable-gpu --no-first-run --mute-audio "
                   "--user-data-dir=" +
                   Quote(dir.File("profile")) + " --virtual-time-budget=10000 --dump-dom " + origin + "/ 2>/dev/null");
    ASSERT_EQ(page.code, 0) << page.out;
    for (const char* pid : {"7", "8", "9"})
        EXPECT_NE(page.out.find("<td class=\"num\">" + std::string(pid) + "</td>"), std::string::npos) << pid;
    EXPECT_NE(page.out.find(">caf\u00e9 cr\u00e8me.mp3</a>"), std::string::npos) << page.out;
    EXPECT_NE(page.out.find(">3 programs<"), std::string::npos);
    const Ran file = RunCommand("curl -sS -m 60 " + origin + "/programs/7 | cmp - " + Quote(tone));
    EXPECT_EQ(file.code, 0) << "the file opened by its code-page path: " << file.out;

    // A transfer under way, its client reading slowly, when the window closes.
    const std::string partial = dir.File("partial.bin");
    std::thread transfer(
        [&] { RunCommand("curl -sS -m 120 --limit-rate 1M -o " + Quote(partial) + " " + origin + "/programs/8"); });
    test::PollUntil([&] { return std::filesystem::exists(partial) && std::filesystem::file_size(partial) > 0; }, 60s);
    ASSERT_TRUE(platform::RemoveFile(listFile));
    EXPECT_EQ(server.Close(), 0) << "the window closed but the process went on or ended abnormally";
    transfer.join();
    EXPECT_LT(std::filesystem::file_size(partial), 256ull << 20) << "the transfer was still under way";
    std::vector<std::uint8_t> saved;
    ASSERT_EQ(platform::ReadWholeFile(listFile, saved), platform::ReadResult::Ok);
    EXPECT_EQ(saved, EncodeListFile(records));
}

TEST_F(WindowsServerEndToEnd, TheZipRunsFromAFreshPrefixWithItsSkinBesideItAndServesHttp) {
    test::TempDir dir;
    const Ran pack = RunCommand(Quote(TARNVALE_CPACK) + " --config " + Quote(TARNVALE_WINDOWS_CPACK_CONFIG) + " -B " +
                                Quote(dir.File("packages")));
    ASSERT_EQ(pack.code, 0) << pack.out;
    std::filesystem::path zip;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("packages")))
        if (entry.path().extension() == ".zip")
            zip = entry.path();
    ASSERT_FALSE(zip.empty()) << pack.out;
    const std::string unpacked = dir.File("unpacked");
    std::filesystem::create_directory(unpacked);
    const Ran unzip =
        RunCommand("cd " + Quote(unpacked) + " && " + Quote(TARNVALE_CMAKE) + " -E tar xf " + Quote(zip.string()));
    ASSERT_EQ(unzip.code, 0) << unzip.out;
    const std::string folder = (std::filesystem::path(unpacked) / zip.stem()).string();
    ASSERT_TRUE(std::filesystem::exists(folder + "/TarnvaleServer.exe")) << "not in the zip's one folder";

    WineSession wine(TARNVALE_WINE_DIR, dir.File("wine"));
    const Ran setup = wine.Start();
    ASSERT_EQ(setup.code, 0) << setup.out;
    ServerUnderWine server(wine, folder + "/TarnvaleServer.exe", dir.Path().string(), dir.File("Tarnvale.lst"),
                           "--http 0");
    const std::string port = server.Port();
    ASSERT_FALSE(port.empty()) << "the server did not open its command port";
    // The HTTP library is in the program: nothing beside it in the zip is needed for it.
    const std::string httpPort = server.HttpPort();
    ASSERT_FALSE(httpPort.empty()) << "the server did not open its HTTP port";
    const Ran json = RunCommand("curl -sS -m 60 http://127.0.0.1:" + httpPort + "/programs.json");
    EXPECT_EQ(json.code, 0) << json.out;
    EXPECT_EQ(json.out, "[\n]\n");
    const Ran skinned = RunCommand(wine.Run(Quote(TARNVALE_WINDOW_PROBE) + " \"Tarnvale Server\""));
    EXPECT_EQ(skinned.code, 0) << "the window is not drawn by its skin: " << skinned.out;
    EXPECT_EQ(server.Close(), 0);
}

} // namespace
} // namespace tarnvale
