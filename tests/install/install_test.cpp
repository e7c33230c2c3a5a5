// The Linux programs as `cmake --install` leaves them in a fresh prefix: each answers --help and --version, the
// installed server serves what the installed catalogue tool adds while it runs to the installed client, stops on
// SIGTERM without touching the list file, and systemd accepts the installed units. The installed nginx front, run
// by Debian's nginx before installed servers on loopback addresses, serves and caches their programs, fails over
// from one to another and leads players to itself.
#include "support/Background.h"
#include "support/CurlFetch.h"
#include "support/MediaFixtures.h"
#include "support/NginxFront.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarnvale::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class Installed : public ::testing::Test {
protected:
    void SetUp() override { Install(); }
    void Install() {
        const Ran install = RunCommand(Quote(TARNVALE_CMAKE) + " --install " + Quote(TARNVALE_BUILD_DIR) +
                                       " --prefix " + Quote(prefix.Path().string()));
        ASSERT_EQ(install.code, 0) << install.out;
    }
    std::string Program(const std::string& name) const { return prefix.File("bin/" + name); }

    TempDir prefix;
};

TEST_F(Installed, EveryProgramAnswersHelpAndVersion) {
    for (const char* name : {"tarnvale-server", "tarnvale-client", "tarnvale", "tarnvale-probe"}) {
        SCOPED_TRACE(name);
        // Standard output only: that is where a user piping the usage into a pager looks.
        const Ran help = RunCommand(Quote(Program(name)) + " --help 2>/dev/null");
        EXPECT_EQ(help.code, 0);
        EXPECT_NE(help.out.find(std::string("sage: ") + name), std::string::npos) << help.out;
        const Ran version = RunCommand(Quote(Program(name)) + " --version 2>/dev/null");
        EXPECT_EQ(version.code, 0);
        EXPECT_EQ(version.out, std::string(name) + " " + TARNVALE_EXPECTED_VERSION + "\n");
    }
    EXPECT_TRUE(std::filesystem::exists(prefix.File("share/tarnvale/skins/Tarnvale/skin.ini")));
    EXPECT_TRUE(std::filesystem::exists(prefix.File("share/doc/tarnvale/README.md")));
}

TEST_F(Installed, TheServerServesWhatIsAddedWhileItRunsAndLeavesTheListFileAlone) {
    TempDir work;
    const std::string list = work.File("lists/Tarnvale.lst");
    Background server({Program("tarnvale-server"), "--list", list, "--port", "0"});
    const std::string serving = server.WaitForLine("Serving on UDP port ", 30s);
    ASSERT_FALSE(serving.empty()) << "the server did not start serving";
    const int port = std::atoi(serving.c_str() + std::string("Serving on UDP port ").size());
    const std::string client = Quote(Program("tarnvale-client")) + " --port " + std::to_string(port) + " --timeout 2 ";

    const Ran add = RunCommand(Quote(Program("tarnvale")) + " --list " + Quote(list) + " add " +
                               Quote(FixturePath("clip.avi")) + " 12");
    ASSERT_EQ(add.code, 0) << add.out;
    // The server takes the change a moment after the save; each listing waits for its answers.
    Ran listed;
    for (const auto deadline = Clock::now() + 30s; Clock::now() < deadline;) {
        listed = RunCommand(client + "list");
        if (listed.out.find("12  AVI") != std::string::npos)
            break;
    }
    ASSERT_NE(listed.out.find("12  AVI  77120  76360  " + FixturePath("clip.avi")), std::string::npos) << listed.out;

    const std::string copy = work.File("copy.avi");
    const Ran play = RunCommand(client + "play 12 --out " + Quote(copy));
    ASSERT_EQ(play.code, 0) << play.out;
    EXPECT_TRUE(ReadBytes(copy) == ReadBytes(FixturePath("clip.avi")));

    const std::vector<std::uint8_t> saved = ReadBytes(list);
    EXPECT_EQ(server.Terminate(), 0) << "SIGTERM did not stop the server cleanly";
    EXPECT_TRUE(ReadBytes(list) == saved) << "the server wrote the list file the tool edits";
}

TEST_F(Installed, SystemdAcceptsTheUnits) {
    if (RunCommand("systemd-analyze --version").code != 0)
        GTEST_SKIP() << "systemd-analyze cannot run here; install Debian's systemd package to run this test";
    for (const char* unit : {"tarnvale-server.service", "tarnvale-watch.service"}) {
        SCOPED_TRACE(unit);
        const std::string path = prefix.File(std::string("lib/systemd/system/") + unit);
        const Ran verify = RunCommand("systemd-analyze verify " + Quote(path));
        EXPECT_EQ(verify.code, 0) << verify.out;
        EXPECT_EQ(verify.out, "") << "systemd has remarks on the unit";
        // Both name the one list file: the watch keeps it, the server serves it.
        EXPECT_NE(RunCommand("grep -c -- '--list /var/lib/tarnvale/Tarnvale.lst' " + Quote(path)).out, "0\n");
        // Both take their options from the one settings file, installed below the prefix like them.
        const std::string settings = prefix.File("etc/default/tarnvale");
        EXPECT_TRUE(std::filesystem::exists(settings));
        EXPECT_EQ(RunCommand("grep -cxF -- " + Quote("EnvironmentFile=-" + settings) + " " + Quote(path)).out, "1\n");
    }
}

// The front listens here, apart from the back ends on 127.0.0.1.
constexpr const char* kFrontAddress = "127.0.0.77";

// A TCP port nobody listens on at address just now.
int FreePort(const char* address) {
    const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    inet_pton(AF_INET, address, &at.sin_addr);
    socklen_t length = sizeof at;
    const bool found = bind(probe, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 &&
                       getsockname(probe, reinterpret_cast<sockaddr*>(&at), &length) == 0;
    close(probe);
    return found ? ntohs(at.sin_port) : 0;
}

bool Accepts(const char* address, int port) {
    const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, address, &at.sin_addr);
    const bool accepted = connect(probe, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
    close(probe);
    return accepted;
}

// Bytes that differ at every position of a program, so that a piece from the wrong place shows.
std::string PatternText(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>((i * 2654435761u) >> 13);
    return text;
}

// An installed tarnvale-server with its HTTP side on 127.0.0.1, its --verbose log in a file the test reads.
class BackEnd {
public:
    BackEnd(const std::string& server, const std::string& list, const std::string& publicUrl,
            const std::string& logFile)
        : log_(logFile),
          process_({"/bin/sh", "-c",
                    "exec " + Quote(server) + " --list " + Quote(list) + " --port 0 --http 0 --verbose --public-url " +
                        Quote(publicUrl) + " 2>" + Quote(logFile)}) {
        const std::string line = process_.WaitForLine("HTTP on port ", 30s);
        port_ = line.empty() ? 0 : std::atoi(line.c_str() + std::string("HTTP on port ").size());
    }
    int Port() const { return port_; }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    // The log's lines that hold all of parts, in that order.
    std::size_t Logged(const std::vector<std::string>& parts) const {
        std::ifstream in(log_);
        std::size_t count = 0;
        for (std::string line; std::getline(in, line);) {
            std::size_t at = 0;
            for (const std::string& part : parts)
                at = at == std::string::npos ? at : line.find(part, at);
            count += at != std::string::npos;
        }
        return count;
    }
    void Kill() { process_.Kill(); }

private:
    std::string log_;
    Background process_;
    int port_ = 0;
};

// Debian's nginx with the installed front's file, in a folder of its own (configuration, logs and temporary files,
// and as nginx's state folder, the front's cache), before the given back ends. Only the lines the file's comments
// say to change are changed: the back ends and the address. One process, so that nothing of it outlives the test.
class Front {
public:
    Front(const std::string& frontFile, int port, const std::vector<int>& backEnds, const TempDir& folder)
        : port_(port) {
        const std::string path = folder.Path().string();
        const std::optional<std::string> front =
            FrontFileFor(ReadText(frontFile), std::string(kFrontAddress) + ":" + std::to_string(port), backEnds);
        EXPECT_TRUE(front) << "the front's file lacks a line its comments say to change";
        std::ofstream(folder.File("front.conf")) << front.value_or("");
        std::ofstream(folder.File("nginx.conf")) << NginxConfig(path, "    include " + path + "/front.conf;\n", true);
        std::filesystem::create_directory(folder.File("state"));
        const std::vector<std::pair<std::string, std::string>> state = {{folder.File("state"), kNginxStateFolder}};
        const std::vector<std::string> nginx = {
            "/usr/sbin/nginx", "-p", path, "-c", folder.File("nginx.conf"), "-e", folder.File("error.log")};
        std::vector<std::string> test = nginx;
        test.push_back("-t");
        std::string testLine;
        for (const std::string& arg : WithFoldersOver(state, test))
            testLine += Quote(arg) + " ";
        const Ran valid = RunCommand(testLine);
        EXPECT_EQ(valid.code, 0) << "nginx (Debian's nginx-light) does not take the front's file: " << valid.out;
        process_ = std::make_unique<Background>(WithFoldersOver(state, nginx));
        for (const auto deadline = Clock::now() + 30s; Clock::now() < deadline && !Accepts(kFrontAddress, port);)
            std::this_thread::sleep_for(10ms);
        EXPECT_TRUE(Accepts(kFrontAddress, port)) << ReadText(folder.File("error.log"));
        EXPECT_TRUE(std::filesystem::is_directory(folder.File("state/tarnvale"))) << "the cache is not where shipped";
    }
    std::string Url(const std::string& path) const {
        return "http://" + std::string(kFrontAddress) + ":" + std::to_string(port_) + path;
    }

private:
    int port_;
    std::unique_ptr<Background> process_;
};

class FrontTest : public Installed {
protected:
    std::string FrontFile() const { return prefix.File("share/tarnvale/nginx/tarnvale-front.conf"); }
    std::string PublicUrl() const { return "http://" + std::string(kFrontAddress) + ":" + std::to_string(port); }
    void Add(const std::string& path, int pid) {
        const Ran add = RunCommand(Quote(Program("tarnvale")) + " --list " + Quote(list) + " add " + Quote(path) + " " +
                                   std::to_string(pid));
        ASSERT_EQ(add.code, 0) << add.out;
    }
    Fetched Get(const std::string& args, const std::string& url) { return CurlFetch(args, url, work.Path()); }

    TempDir work, frontFolder;
    const std::string list = work.File("Tarnvale.lst");
    const int port = FreePort(kFrontAddress);
};

// Installed as the README says on Debian: the file copied to /etc/nginx/conf.d/ with its back ends listed, under
// the system's own nginx.conf, on a fresh nginx (its state folder empty, so the cache's folder is nginx's to make);
// the system's folders are swapped for the test's own, seen by that nginx alone.
TEST_F(FrontTest, DebiansNginxTakesTheFileCopiedToConfDWithOnlyTheBackEndsChanged) {
    ASSERT_TRUE(std::filesystem::exists(FrontFile()));
    const std::optional<std::string> front = WithBackEnds(ReadText(FrontFile()), {8081, 8082});
    ASSERT_TRUE(front) << "the front's file lacks the back end line its comments say to change";
    for (const char* folder : {"conf.d", "state", "log"})
        std::filesystem::create_directory(frontFolder.File(folder));
    std::ofstream(frontFolder.File("conf.d/tarnvale-front.conf")) << *front;
    std::string line;
    for (const std::string& arg : WithFoldersOver({{frontFolder.File("conf.d"), "/etc/nginx/conf.d"},
                                                   {frontFolder.File("state"), kNginxStateFolder},
                                                   {frontFolder.File("log"), "/var/log/nginx"}},
                                                  {"/usr/sbin/nginx", "-t"}))
        line += Quote(arg) + " ";
    const Ran valid = RunCommand(line);
    EXPECT_EQ(valid.code, 0) << valid.out;
    EXPECT_TRUE(std::filesystem::is_directory(frontFolder.File("state/tarnvale"))) << valid.out;
}

TEST_F(FrontTest, ProgramsComeThroughWholeInRangesAndSeeksAndFromTheCacheWithTheBackEndGone) {
    ASSERT_TRUE(std::filesystem::exists(FrontFile()));
    // Several slices of the front's 1 MiB, the last one short.
    const std::string bytes = PatternText((5 << 20) + 12345);
    std::ofstream(work.File("pattern.mpg"), std::ios::binary) << bytes;
    const std::string movie = work.File("movie.mpg");
    const Ran encoded = RunCommand("ffmpeg -v error -f lavfi -i testsrc=duration=20:size=160x120:rate=25 "
                                   "-c:v mpeg2video -b:v 1M -g 25 -f dvd " +
                                   Quote(movie));
    ASSERT_EQ(encoded.code, 0) << encoded.out;
    Add(work.File("pattern.mpg"), 1);
    Add(movie, 2);
    BackEnd backEnd(Program("tarnvale-server"), list, PublicUrl(), work.File("back.log"));
    ASSERT_NE(backEnd.Port(), 0);
    Front front(FrontFile(), port, {backEnd.Port()}, frontFolder);

    constexpr std::size_t kNone = std::string::npos;
    const std::size_t size = bytes.size();
    struct Row {
        const char* name;
        std::string path, args;
        int status;
        std::size_t from = kNone, to = kNone; // the expected body is bytes [from, to)
        std::string header = {}, value = {}, bodyHas = {};
    } rows[] = {
        {"whole", "/programs/1", "", 200, 0, size, "content-length", std::to_string(size)},
        {"a range across slices", "/programs/1", "-r 1000000-2200000", 206, 1000000, 2200001, "content-range",
         "bytes 1000000-2200000/" + std::to_string(size)},
        {"a suffix range", "/programs/1", "-r -100", 206, size - 100, size},
        {"HEAD", "/programs/1", "-I", 200, kNone, kNone, "content-length", std::to_string(size)},
        {"the playlist names the front", "/programs.m3u8", "", 200, kNone, kNone, "", "",
         "\n" + PublicUrl() + "/programs/2\n"},
        {"the JSON names the front", "/programs.json", "", 200, kNone, kNone, "", "",
         "\"url\":\"" + PublicUrl() + "/programs/1\""},
        {"the page leads to the front", "/", "", 200, kNone, kNone, "", "",
         "<a href=\"" + PublicUrl() + "/programs/2\">movie.mpg</a>"},
        {"a name of another's, for a cached program", "/programs/1", "-H 'Host: evil.example'", 403},
        {"a name of another's, for the catalogue", "/programs.json", "-H 'Host: evil.example'", 403},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Fetched got = Get(row.args, front.Url(row.path));
        EXPECT_EQ(got.error, "");
        EXPECT_EQ(got.status, row.status);
        if (row.from != kNone) {
            EXPECT_TRUE(got.body == bytes.substr(row.from, row.to - row.from)) << got.body.size() << " bytes";
        }
        if (!row.header.empty()) {
            EXPECT_EQ(Header(got, row.header), row.value);
        }
        EXPECT_NE(got.body.find(row.bodyHas), std::string::npos) << got.body;
    }

    const Ran seeked =
        RunCommand("ffmpeg -v error -ss 15 -i " + front.Url("/programs/2") + " -frames:v 1 -f framemd5 -");
    EXPECT_EQ(seeked.code, 0) << seeked.out;
    EXPECT_NE(seeked.out.find(",    28800, "), std::string::npos) << seeked.out; // one decoded 160x120 frame

    // The whole file was fetched: every slice is in the cache, and a range needs nothing of the back end.
    const std::size_t asked = backEnd.Logged({"GET /programs/1 ", ": 206"});
    EXPECT_EQ(asked, 6u) << "one request per slice";
    const Fetched range = Get("-r 4000000-4000099", front.Url("/programs/1"));
    EXPECT_EQ(range.status, 206);
    EXPECT_TRUE(range.body == bytes.substr(4000000, 100));
    EXPECT_EQ(backEnd.Logged({"GET /programs/1 ", ": 206"}), asked) << "the range was not served from the cache";

    backEnd.Kill();
    const Fetched again = Get("", front.Url("/programs/1"));
    EXPECT_EQ(again.status, 200) << again.error;
    EXPECT_TRUE(again.body == bytes) << again.body.size() << " bytes with the back end gone";
}

TEST_F(FrontTest, TwoBackEndsFollowOneListFileAndTheNextRangeComesFromTheOneLeft) {
    BackEnd first(Program("tarnvale-server"), list, PublicUrl(), work.File("first.log"));
    BackEnd second(Program("tarnvale-server"), list, PublicUrl(), work.File("second.log"));
    ASSERT_TRUE(first.Port() && second.Port());
    Front front(FrontFile(), port, {first.Port(), second.Port()}, frontFolder);

    const std::string bytes = PatternText(48 << 20);
    std::ofstream(work.File("long.mpg"), std::ios::binary) << bytes;
    const auto added = Clock::now();
    Add(work.File("long.mpg"), 7);
    for (BackEnd* backEnd : {&first, &second}) {
        std::string json;
        for (const auto deadline = Clock::now() + 30s; Clock::now() < deadline;) {
            json = Get("", backEnd->Url("/programs.json")).body;
            if (json.find("\"pid\":7") != std::string::npos)
                break;
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_NE(json.find("\"pid\":7,"), std::string::npos) << json;
    }
    std::printf("both back ends served the added program %.3f s after the add\n",
                std::chrono::duration<double>(Clock::now() - added).count());

    // A player starts the program and reads its first MiB; the back end serving it goes away.
    FILE* player = popen(("curl -s -m 30 " + front.Url("/programs/7") + " | head -c 1048576").c_str(), "r");
    ASSERT_NE(player, nullptr);
    std::string start(1 << 20, '\0');
    start.resize(std::fread(start.data(), 1, start.size(), player));
    EXPECT_TRUE(start == bytes.substr(0, 1 << 20));
    // The front asks for each slice on its own, of either back end: the one that sent the first goes.
    const std::string firstSlice = "GET /programs/7 (Range: bytes=0-1048575)";
    const bool firstServed = first.Logged({firstSlice}) > 0;
    ASSERT_NE(firstServed, second.Logged({firstSlice}) > 0) << "one back end sent the first slice";
    BackEnd& gone = firstServed ? first : second;
    BackEnd& left = firstServed ? second : first;
    gone.Kill();
    pclose(player);

    // The player's next range, from a part no one fetched before.
    const Fetched next = Get("-r 40000000-40999999", front.Url("/programs/7"));
    EXPECT_EQ(next.status, 206) << next.error;
    EXPECT_TRUE(next.body == bytes.substr(40000000, 1000000)) << next.body.size() << " bytes";
    EXPECT_GT(left.Logged({"GET /programs/7 (Range: bytes=39845888-"}), 0u) << "the slice came from the other";
}

TEST_F(Installed, InstallingAgainKeepsTheOperatorsSettingsAndRenewsTheUnits) {
    const std::string settings = prefix.File("etc/default/tarnvale");
    const std::string unit = prefix.File("lib/systemd/system/tarnvale-server.service");
    const std::vector<std::uint8_t> shippedUnit = ReadBytes(unit);
    const std::string options = "TARNVALE_OPTIONS=\"--http 9090 --verbose\"\n";
    const std::vector<std::uint8_t> mine(options.begin(), options.end());
    WriteBytes(settings, mine);
    WriteBytes(unit, {'#', '\n'});
    Install();
    EXPECT_TRUE(ReadBytes(settings) == mine) << "installing again replaced the operator's settings";
    EXPECT_TRUE(ReadBytes(unit) == shippedUnit) << "installing again left an old unit";
}

} // namespace
} // namespace tarnvale::test
