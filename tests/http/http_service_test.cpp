// The HTTP side with real clients on loopback: curl for files, ranges, conditional requests and bad paths;
// ffprobe and ffmpeg reading and seeking; headless Chromium on the catalogue page; and raw sockets for the
// clients that attack or misbehave: idle connections, huge headers, clients that stop reading or vanish, and a
// file replaced while it is being sent. What a client alone can see is checked against both builds: the service
// in this process, and the Windows console server under Wine serving the same programs from a list file.
#include "core/ListFile.h"
#include "core/MediaType.h"
#include "http/FileAnswer.h"
#include "http/HttpService.h"
#include "net/HostAddress.h"
#include "net/NetTestSupport.h"
#include "support/CurlFetch.h"
#include "support/MediaFixtures.h"
#include "support/Poll.h"
#include "support/Shell.h"
#include "support/TempDir.h"
#include "support/Wine.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

namespace tarnvale::test {
namespace {

constexpr std::chrono::milliseconds kWait{kWaitMs};

constexpr std::uint32_t kLoopback = 0x7F000001;

std::size_t CountEntries(const char* folder) {
    std::error_code error;
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder, error), {}));
}

// Where the HTTP side under test runs.
enum class Build { Linux, Windows };

// Named in the test names, where the test runner writes the parameter.
void PrintTo(Build build, std::ostream* out) {
    *out << (build == Build::Linux ? "the Linux service" : "the Windows console server");
}

// The catalogue's paths as the Windows build stores them: drive Z: and the code page's bytes (Latin-1 here, which
// the 1252 code page holds) for the UTF-8 of the names.
std::string WindowsListPath(const std::string& path) {
    std::string bytes;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c >= 0xC2 && c <= 0xC3 && i + 1 < path.size())
            bytes += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(path[++i]) & 0x3F));
        else
            bytes += path[i];
    }
    return WinePath(bytes);
}

class HttpServiceTest : public ::testing::Test {
protected:
    void Start(HttpLimits limits = {}, const std::string& allow = {}, const std::string& publicUrl = {}) {
        if (build_ == Build::Windows) {
            StartUnderWine(allow, publicUrl);
            return;
        }
        service_ =
            std::make_unique<HttpService>(catalogue_, allow.empty() ? AllowList{} : *AllowList::Parse(allow), limits);
        service_->SetLocalAddress(kLoopback);
        service_->SetPublicUrl(publicUrl.empty() ? std::nullopt : ParsePublicUrl(publicUrl));
        service_->SetLog([this](const std::string& line) {
            std::lock_guard lock(logMutex_);
            log_.push_back(line);
        });
        std::string error;
        ASSERT_TRUE(service_->Start(0, &error)) << error;
        ASSERT_NE(service_->BoundPort(), 0);
    }

    // The Windows console server on the catalogue as it is now, with the limits it always has.
    void StartUnderWine(const std::string& allow, const std::string& publicUrl) {
        if (!std::filesystem::exists(kWindowsServer))
            GTEST_SKIP() << kWindowsServer << " is not built; build the Windows tree (scripts/test.sh does)";
        std::vector<CMediaInfo> records = catalogue_.Snapshot();
        for (CMediaInfo& record : records)
            ASSERT_TRUE(record.SetPath(WindowsListPath(std::string(record.Path()))));
        const std::string list = dir_.File("Tarnvale.lst");
        WriteFile(list, EncodeListFile(records));
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        wine_ = std::make_unique<WineSession>(TARNVALE_WINE_DIR,
                                              std::string(TARNVALE_WINE_STATE) + "/" + name.substr(0, name.find('/')));
        const Ran setup = wine_->Start();
        ASSERT_EQ(setup.code, 0) << setup.out;
        windowsServer_ =
            std::make_unique<ProgramUnderWine>(*wine_, kWindowsServer,
                                               "--list " + Quote(WinePath(list)) + " --port 0 --http 0 --verbose" +
                                                   (allow.empty() ? "" : " --allow " + allow) +
                                                   (publicUrl.empty() ? "" : " --public-url " + Quote(publicUrl)),
                                               dir_.File("server.log"));
        const auto port = windowsServer_->WaitForLine("HTTP on port ", std::chrono::seconds(120));
        ASSERT_TRUE(port) << windowsServer_->Log();
        windowsPort_ = static_cast<std::uint16_t>(std::atoi(port->c_str()));
        ASSERT_NE(windowsPort_, 0) << *port;
    }

    std::uint16_t Port() const { return build_ == Build::Windows ? windowsPort_ : service_->BoundPort(); }
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(Port()); }

    // The service's log so far, a line each.
    std::vector<std::string> LogLines() {
        if (build_ == Build::Linux) {
            std::lock_guard lock(logMutex_);
            return log_;
        }
        std::vector<std::string> lines;
        std::istringstream text(windowsServer_ ? windowsServer_->Log() : "");
        for (std::string line; std::getline(text, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    std::int32_t Add(const std::string& path, std::int32_t type) {
        const std::int32_t pid = static_cast<std::int32_t>(catalogue_.Count()) + 1;
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        catalogue_.Append(Record(path, pid, type, error ? 0 : static_cast<std::int64_t>(size), 0));
        return pid;
    }

    Fetched Curl(const std::string& args, const std::string& path) {
        return CurlFetch(args, Origin() + path, dir_.Path());
    }

    // Whether a log line holds all of parts, in that order.
    bool Logged(const std::vector<std::string>& parts) {
        for (const std::string& line : LogLines()) {
            std::size_t at = 0;
            for (const std::string& part : parts) {
                if (at != std::string::npos)
                    at = line.find(part, at);
            }
            if (at != std::string::npos)
                return true;
        }
        return false;
    }

    // A connection from source, one of the loopback addresses.
    platform::Socket ConnectFrom(std::uint32_t source) {
        platform::Socket socket = platform::CreateTcpSocket();
        EXPECT_TRUE(platform::Bind(socket.get(), {source, 0}));
        EXPECT_TRUE(platform::Connect(socket.get(), {kLoopback, Port()}));
        return socket;
    }

    // Sends a GET for path and reads the response head; body holds what came after it.
    std::string SendGet(platform::NativeSocket socket, const std::string& path, Bytes* body) {
        const std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        EXPECT_EQ(platform::Send(socket, request.data(), request.size()).status, platform::IoStatus::Ok);
        std::string received;
        for (std::size_t end; (end = received.find("\r\n\r\n")) == std::string::npos;) {
            char buffer[4096];
            const platform::IoResult got = ReceiveWithin(socket, buffer, sizeof buffer, kWaitMs);
            if (got.status != platform::IoStatus::Ok)
                return received;
            received.append(buffer, got.bytes);
        }
        const std::size_t end = received.find("\r\n\r\n") + 4;
        body->assign(received.begin() + static_cast<std::ptrdiff_t>(end), received.end());
        return received.substr(0, end);
    }

    static constexpr const char* kWindowsServer = TARNVALE_WINDOWS_BIN_DIR "/tarnvale-server.exe";

    Build build_ = Build::Linux;
    TempDir dir_;
    CMediaInfoList catalogue_;
    std::mutex logMutex_;
    std::vector<std::string> log_;
    // Last, so that they stop before what they read and log to goes.
    std::unique_ptr<HttpService> service_;
    std::unique_ptr<WineSession> wine_;
    std::unique_ptr<ProgramUnderWine> windowsServer_;
    std::uint16_t windowsPort_ = 0;
};

// The tests that only a client's view decides, for both builds.
class HttpSideOnBothBuilds : public HttpServiceTest, public ::testing::WithParamInterface<Build> {
protected:
    void SetUp() override { build_ = GetParam(); }
};

TEST_P(HttpSideOnBothBuilds, CurlGetsFilesRangesConditionalsAndNothingElse) {
    constexpr std::size_t kSize = 100000;
    const Bytes bytes = PatternBytes(kSize);
    WriteFile(dir_.File("a.mpg"), bytes);
    ASSERT_EQ(Add(dir_.File("a.mpg"), MEDIA_MPEG2), 1);
    Add(dir_.File("gone.avi"), MEDIA_AVI); // catalogued, then deleted
    WriteFile(dir_.File("b.mp3"), PatternBytes(10));
    Add(dir_.File("b.mp3"), MEDIA_MP3);
    // Catalogued as a file, now a pipe no one writes; Windows knows no such files, and a folder stands in for it.
    if (build_ == Build::Linux)
        ASSERT_EQ(mkfifo(dir_.File("pipe.mpg").c_str(), 0600), 0);
    else
        std::filesystem::create_directory(dir_.File("pipe.mpg"));
    Add(dir_.File("pipe.mpg"), MEDIA_MPEG1);
    Start();
    if (IsSkipped() || HasFatalFailure())
        return;
    if (build_ == Build::Linux)
        service_->SetDocuments({{"/upnp/description.xml", {"text/xml; charset=utf-8", "<root/>"}}});

    const Fetched first = Curl("", "/programs/1");
    const std::string tag = Header(first, "etag");
    ASSERT_FALSE(tag.empty());
    const std::string modified = Header(first, "last-modified");
    const std::optional<std::int64_t> modifiedSeconds = ParseHttpDate(modified);
    ASSERT_TRUE(modifiedSeconds) << modified;
    const std::string before = HttpDate(*modifiedSeconds - 1);
    std::string ownName;
    ASSERT_TRUE(platform::LocalHostName(ownName));
    const std::string whole(bytes.begin(), bytes.end());
    const std::string big(100 * 1024, 'a');

    constexpr std::size_t kNone = std::string::npos;
    struct Row {
        const char* name;
        std::string path, args;
        int status;
        std::size_t from = kNone, to = kNone; // the expected body is bytes [from, to); kNone: not checked
        std::string header = {}, value = {}, bodyHas = {};
    } rows[] = {
        {"whole", "/programs/1", "", 200, 0, kSize, "content-type", "video/mpeg"},
        {"range", "/programs/1", "-r 100-199", 206, 100, 200, "content-range", "bytes 100-199/100000"},
        {"open range", "/programs/1", "-r 99990-", 206, 99990, kSize, "accept-ranges", "bytes"},
        {"suffix", "/programs/1", "-r -10", 206, 99990, kSize, "content-range", "bytes 99990-99999/100000"},
        {"range past the end", "/programs/1", "-r 100000-", 416, 0, 0, "content-range", "bytes */100000"},
        {"malformed range", "/programs/1", "-H 'Range: bytes=9-2'", 200, 0, kSize},
        {"several ranges", "/programs/1", "-r 0-1,5-6", 200, 0, kSize},
        {"head", "/programs/1", "-I", 200, kNone, kNone, "content-length", "100000"},
        {"unchanged", "/programs/1", "-H " + Quote("If-None-Match: " + tag), 304, 0, 0, "etag", tag},
        {"not modified since", "/programs/1", "-H " + Quote("If-Modified-Since: " + modified), 304, 0, 0, "etag", tag},
        {"modified since", "/programs/1", "-H " + Quote("If-Modified-Since: " + before), 200, 0, kSize},
        {"a tag that differs outweighs the date", "/programs/1",
         "-H 'If-None-Match: \"other\"' -H " + Quote("If-Modified-Since: " + modified), 200, 0, kSize},
        {"changed", "/programs/1", "-H 'If-None-Match: \"other\"'", 200, 0, kSize},
        {"if-range holds", "/programs/1", "-r 0-9 -H " + Quote("If-Range: " + tag), 206, 0, 10},
        {"if-range stale", "/programs/1", "-r 0-9 -H 'If-Range: \"other\"'", 200, 0, kSize},
        {"mp3", "/programs/3", "", 200, kNone, kNone, "content-type", "audio/mpeg"},
        {"DLNA features", "/programs/3", "-H 'getcontentFeatures.dlna.org: 1'", 200, kNone, kNone,
         "contentfeatures.dlna.org", "DLNA.ORG_PN=MP3;DLNA.ORG_OP=01;DLNA.ORG_FLAGS=01700000000000000000000000000000"},
        {"DLNA transfer mode", "/programs/1", "-r 0-9 -H 'transferMode.dlna.org: Interactive'", 206, 0, 10,
         "transfermode.dlna.org", "Interactive"},
        {"file gone", "/programs/2", "", 404, kNone, kNone, "", "", "The file of PID 2 cannot be read"},
        {"a pipe", "/programs/4", "", 404, kNone, kNone, "", "",
         build_ == Build::Linux ? "(it is not a regular file)" : "The file of PID 4 cannot be read ("},
        {"unknown PID", "/programs/99", "", 404, kNone, kNone, "", "", "No program has PID 99."},
        {"a line break in the path", "/programs/1%0D%0Aforged", "", 404},
        {"non-numeric PID", "/programs/abc", "", 404},
        {"PID spelt twice", "/programs/01", "", 404},
        {"a path out", "/programs/../../../etc/passwd", "", 404},
        {"other path", "/etc/passwd", "", 404},
        {"other method", "/programs/1", "-X DELETE", 405, kNone, kNone, "allow", "GET, HEAD"},
        {"100 KiB of headers", "/", "-H " + Quote("X-Big: " + big), 431},
        {"playlist", "/programs.m3u8", "", 200, kNone, kNone, "content-type", "audio/x-mpegurl; charset=utf-8",
         "#EXTINF:-1,a.mpg\n" + Origin() + "/programs/1\n"},
        {"a name of another's", "/programs/1", "-H 'Host: evil.example'", 403, kNone, kNone, "", "",
         "This server answers only by its address, its host name or its public URL.\n"},
        {"another's name with our port", "/programs.json", "-H 'Host: evil.example:" + std::to_string(Port()) + "'",
         403},
        {"odd Host", "/programs.m3u8", "-H 'Host: a\"<b>'", 403},
        {"localhost", "/programs.m3u8", "-H 'Host: LOCALHOST:8'", 200, kNone, kNone, "", "",
         "\nhttp://LOCALHOST:8/programs/3\n"},
        {"an IPv6 address", "/programs.m3u8", "-H 'Host: [::1]:8'", 200, kNone, kNone, "", "",
         "\nhttp://[::1]:8/programs/3\n"},
        {"this machine's name", "/programs.m3u8", "-H " + Quote("Host: " + ownName), 200, kNone, kNone, "", "",
         "\nhttp://" + ownName + "/programs/3\n"},
        {"no Host at all", "/programs.m3u8", "-0 -H 'Host:'", 200, kNone, kNone, "", "",
         "\n" + Origin() + "/programs/3\n"},
        {"JSON", "/programs.json", "", 200, kNone, kNone, "content-type", "application/json; charset=utf-8",
         "{\"pid\":3,\"type\":\"MP3\",\"size\":10,\"file\":\"b.mp3\",\"url\":\"" + Origin() + "/programs/3\"}"},
    };
    std::vector<Row> all(std::begin(rows), std::end(rows));
    // Documents beside the programs are the UPnP side's, which only the Linux build has.
    if (build_ == Build::Linux) {
        all.push_back({"a document", "/upnp/description.xml", "", 200, kNone, kNone, "content-type",
                       "text/xml; charset=utf-8", "<root/>"});
        all.push_back({"below a document", "/upnp/description.xml/x", "", 404});
    }
    std::filesystem::remove(dir_.File("gone.avi"));
    for (const Row& row : all) {
        SCOPED_TRACE(row.name);
        const Fetched got = Curl(row.args, row.path);
        EXPECT_EQ(got.error, "");
        EXPECT_EQ(got.status, row.status);
        if (row.from != kNone) {
            EXPECT_TRUE(got.body == whole.substr(row.from, row.to - row.from)) << got.body.size() << " bytes";
        }
        if (!row.header.empty()) {
            EXPECT_EQ(Header(got, row.header), row.value);
        }
        EXPECT_NE(got.body.find(row.bodyHas), std::string::npos) << got.body;
    }
    EXPECT_TRUE(Logged({"GET /programs/1  forged: 404"}));
    EXPECT_TRUE(Logged({"GET /programs/1: 403, refused: Host \"evil.example\" is not a name of this server"}));
    EXPECT_FALSE(Logged({"\n"}) || Logged({"\r"})) << "a client's text starts a log line";
    EXPECT_EQ(Header(first, "content-length"), "100000");
    EXPECT_TRUE(modified.size() == 29 && modified.ends_with(" GMT")) << modified;
}

TEST_P(HttpSideOnBothBuilds, PlayersProbeAndSeekOverHttp) {
    // Long enough that a seek into the middle is a new range request rather than a read of what came first.
    const std::string program = dir_.File("long.mpg");
    const Ran encoded = RunCommand("ffmpeg -v error -f lavfi -i testsrc=duration=20:size=160x120:rate=25 "
                                   "-c:v mpeg2video -b:v 1M -g 25 -f dvd " +
                                   Quote(program));
    ASSERT_EQ(encoded.code, 0) << encoded.out;
    const std::int32_t avi = Add(FixturePath("clip.avi"), MEDIA_AVI);
    const std::int32_t mpeg2 = Add(FixturePath("mpeg2-program.mpg"), MEDIA_MPEG2);
    const std::int32_t seekable = Add(program, MEDIA_MPEG2);
    Start();
    if (IsSkipped() || HasFatalFailure())
        return;

    struct Row {
        std::int32_t pid;
        const char* format;
    } rows[] = {{avi, "avi,1.000000"}, {mpeg2, "mpeg,1.021811"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.format);
        const Ran probed = RunCommand("ffprobe -v error -show_entries format=format_name,duration -of csv=p=0 " +
                                      Origin() + "/programs/" + std::to_string(row.pid));
        EXPECT_EQ(probed.code, 0);
        EXPECT_EQ(probed.out, std::string(row.format) + "\n");
    }

    const Ran seeked = RunCommand("ffmpeg -v error -ss 15 -i " + Origin() + "/programs/" + std::to_string(seekable) +
                                  " -frames:v 1 -f framemd5 -");
    EXPECT_EQ(seeked.code, 0) << seeked.out;
    // One frame of 160x120 pixels (28,800 bytes as YUV 4:2:0), decoded.
    EXPECT_NE(seeked.out.find(",    28800, "), std::string::npos) << seeked.out;
    const std::string asked = "GET /programs/" + std::to_string(seekable) + " (Range: bytes=";
    bool fromTheMiddle = false;
    for (const std::string& line : LogLines()) {
        const std::size_t at = line.find(asked);
        // "bytes=N-" with N not 0, answered with its part
        fromTheMiddle |=
            at != std::string::npos && line[at + asked.size()] != '0' && line.find("-): 206") != std::string::npos;
    }
    EXPECT_TRUE(fromTheMiddle) << "the seek asked for a range from the middle";
}

TEST_P(HttpSideOnBothBuilds, ChromiumShowsTheCatalogueFiltersItAndPlaysAudio) {
    // Markup in a name must stay text; on Windows, where < > " cannot be in a name, characters of the code page
    // must reach the browser as themselves.
    const std::string marked =
        dir_.File(build_ == Build::Linux ? "<i>marked & \"quoted\".mpg" : "caf\u00e9 & \u00abcr\u00e8me\u00bb.mpg");
    std::filesystem::copy_file(FixturePath("mpeg1-system.mpg"), marked);
    Add(FixturePath("clip.avi"), MEDIA_AVI);
    const std::int32_t tone = Add(FixturePath("tone.mp3"), MEDIA_MP3);
    Add(marked, MEDIA_MPEG1);
    Add(FixturePath("mpeg2-program.mpg"), MEDIA_MPEG2);
    Start();
    if (IsSkipped() || HasFatalFailure())
        return;

    // The filter comes from the address; virtual time lets the page's script and the audio's loading finish
    // before the DOM is written out.
    const Ran page =
        RunCommand("chromium --headless --no-sandbox --disable-gpu --no-first-run --mute-audio "
                   "--user-data-dir=" +
                   dir_.File("profile") + " --virtual-time-budget=20000 --dump-dom " + Origin() + "/#TONE 2>/dev/null");
    ASSERT_EQ(page.code, 0) << page.out;
    std::vector<std::string> shown, hidden;
    const std::string cell = "<td class=\"num\">";
    for (std::size_t row = page.out.find("<tr", page.out.find("<tbody")); row != std::string::npos;
         row = page.out.find("<tr", row + 1)) {
        const std::size_t pid = page.out.find(cell, row) + cell.size();
        if (page.out.compare(row, 4, "<tr>") == 0 || page.out.compare(row, 15, "<tr hidden=\"\"><") == 0)
            (page.out[row + 3] == '>' ? shown : hidden).push_back(page.out.substr(pid, page.out.find('<', pid) - pid));
    }
    EXPECT_EQ(shown, std::vector<std::string>{std::to_string(tone)}) << page.out;
    EXPECT_EQ(hidden.size(), 3u) << page.out;
    EXPECT_NE(page.out.find("1 of 4 programs"), std::string::npos);
    EXPECT_NE(page.out.find(build_ == Build::Linux ? ">&lt;i&gt;marked &amp; \"quoted\".mpg</a>"
                                                   : ">caf\u00e9 &amp; \u00abcr\u00e8me\u00bb.mpg</a>"),
              std::string::npos)
        << page.out;
    EXPECT_EQ(page.out.find("<i>"), std::string::npos);
    // The MP3 is 1.07 seconds long; the browser read it with range requests.
    EXPECT_NE(page.out.find("title=\"Length 0:01\""), std::string::npos) << page.out;
    EXPECT_TRUE(Logged({"GET /programs/" + std::to_string(tone) + " (Range: bytes=", "): 206"}));
}

TEST_F(HttpServiceTest, IdleConnectionsNeitherBlockOthersNorStay) {
    // The test process holds both ends of every connection.
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    WriteFile(dir_.File("a.mpg"), PatternBytes(1000));
    Add(dir_.File("a.mpg"), MEDIA_MPEG1);

    struct Row {
        const char* name;
        unsigned idleSeconds;
        std::uint32_t addresses, perAddress;
        std::size_t dropped; // of them, before the time-out
    } rows[] = {
        {"500 idle connections from 10 addresses, dropped after the time-out", 2, 10, 50, 500},
        {"70 from one address, 64 allowed", 600, 1, 70, 6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HttpLimits limits;
        limits.idleSeconds = row.idleSeconds;
        Start(limits);
        std::vector<platform::Socket> idle;
        for (std::uint32_t a = 0; a < row.addresses; ++a) {
            for (std::uint32_t i = 0; i < row.perAddress; ++i)
                idle.push_back(ConnectFrom(kLoopback + 1 + a));
        }
        const auto start = std::chrono::steady_clock::now();
        const Fetched catalogue = Curl("", "/programs.json");
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(catalogue.status, 200) << catalogue.error;
        EXPECT_NE(catalogue.body.find("a.mpg"), std::string::npos);
        std::printf("/programs.json beside %zu idle connections: %.3f s\n", idle.size(), took.count());

        const auto closed = [&] {
            std::size_t count = 0;
            for (const platform::Socket& socket : idle)
                count += platform::WaitReadable(socket.get(), 0) == platform::WaitResult::Ready;
            return count;
        };
        EXPECT_TRUE(PollUntil([&] { return closed() == row.dropped; }, kWait)) << closed() << " closed";
        for (platform::Socket& socket : idle) {
            if (platform::WaitReadable(socket.get(), 0) == platform::WaitResult::Ready) {
                char byte;
                EXPECT_NE(platform::Receive(socket.get(), &byte, 1).status, platform::IoStatus::Ok);
            }
        }
        service_->Stop();
    }
}

TEST_F(HttpServiceTest, RoutesOfOtherSidesGetTheirBodiesAndAnswerWithTextFilesOrStreams) {
    Start();
    WriteFile(dir_.File("segment.ts"), PatternBytes(1000));
    std::mutex seenMutex;
    std::vector<std::string> seen; // method, body, client and a header of each request the route answered
    service_->SetRoute({"/control/", {"POST"}, 64, [&](const HttpRouteRequest& request) {
                            std::lock_guard lock(seenMutex);
                            seen.push_back(std::string(request.method) + " " + request.body + " " +
                                           FormatIPv4(request.client) + " " +
                                           std::string(request.header("SOAPACTION").value_or("-")));
                            HttpRouteReply reply;
                            reply.headers.emplace_back("Content-Type", "text/xml");
                            reply.body = "<ok/>";
                            return reply;
                        }});
    service_->SetRoute({"/files/", {"GET", "HEAD"}, 0, [&](const HttpRouteRequest&) {
                            HttpRouteReply reply;
                            reply.file = dir_.File("segment.ts");
                            reply.fileOffset = 100;
                            reply.fileLength = 500;
                            return reply;
                        }});
    service_->SetRoute({"/files/live", {"GET"}, 0, [&](const HttpRouteRequest&) {
                            HttpRouteReply reply;
                            reply.stream = [](std::uint64_t position, char* room, std::size_t size) -> long {
                                const std::uint64_t total = 300000; // several of the library's pieces
                                const std::size_t count =
                                    static_cast<std::size_t>(std::min<std::uint64_t>(size, total - position));
                                for (std::size_t i = 0; i < count; ++i)
                                    room[i] = static_cast<char>('a' + (position + i) % 26);
                                return static_cast<long>(count);
                            };
                            return reply;
                        }});
    service_->SetRoute({"/gone/", {"GET"}, 0, [](const HttpRouteRequest&) { return HttpRouteReply{}; }});
    service_->RemoveRoute("/gone/");

    const Fetched posted = Curl("-X POST -H 'SOAPACTION: \"urn:x#Browse\"' --data-binary 'hello'", "/control/x");
    EXPECT_EQ(posted.status, 200) << posted.error;
    EXPECT_EQ(posted.body, "<ok/>");
    EXPECT_EQ(Header(posted, "content-type"), "text/xml");

    struct Row {
        const char* name;
        const char* args;
        const char* path;
        int status;
        std::size_t bodySize;
    } rows[] = {
        {"a body longer than the route takes", "-X POST --data-binary @", "/control/x", 413, 0},
        {"a method the route does not take", "", "/control/x", 405, 0},
        {"a part of a file", "", "/files/a", 200, 500},
        {"the longest prefix wins: a stream", "", "/files/live", 200, 300000},
        {"a route removed", "", "/gone/a", 404, 0},
    };
    WriteFile(dir_.File("long-body"), PatternBytes(65));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string args = std::string(row.args) == "-X POST --data-binary @"
                                     ? std::string(row.args) + dir_.File("long-body")
                                     : std::string(row.args);
        const Fetched fetched = Curl(args, row.path);
        EXPECT_EQ(fetched.status, row.status) << fetched.error;
        if (row.status == 200) {
            EXPECT_EQ(fetched.body.size(), row.bodySize);
        }
    }
    EXPECT_EQ(Header(Curl("", "/control/x"), "allow"), "POST");
    EXPECT_EQ(Curl("", "/files/a").body,
              std::string(reinterpret_cast<const char*>(PatternBytes(1000).data()) + 100, 500));
    std::lock_guard lock(seenMutex);
    ASSERT_EQ(seen.size(), 1u) << "only the request within the limits reaches the route";
    EXPECT_EQ(seen[0], "POST hello 127.0.0.1 \"urn:x#Browse\"");
}

TEST_F(HttpServiceTest, ClientsThatStopReadingOrLeaveMidFileLeaveNothingBehind) {
    // Sparse: large enough to fill every buffer between the two ends, at no cost on disk.
    std::filesystem::resize_file((std::ofstream(dir_.File("big.mpg")), dir_.File("big.mpg")), 512ull << 20);
    const std::int32_t pid = Add(dir_.File("big.mpg"), MEDIA_MPEG2);
    HttpLimits limits;
    limits.idleSeconds = 2;
    Start(limits);
    // Once the service runs, its threads and descriptors are all there.
    const std::size_t descriptors = CountEntries("/proc/self/fd");
    const std::size_t threads = CountEntries("/proc/self/task");

    for (const bool staysConnected : {true, false}) {
        SCOPED_TRACE(staysConnected ? "stops reading" : "disconnects");
        platform::Socket client = ConnectFrom(kLoopback);
        Bytes body;
        const std::string head = SendGet(client.get(), "/programs/" + std::to_string(pid), &body);
        EXPECT_TRUE(head.starts_with("HTTP/1.1 200")) << head;
        EXPECT_EQ(ReadExactly(client.get(), 65536).size(), 65536u);
        if (staysConnected) {
            // The service drops its end after the idle time-out; only the client's end is left.
            EXPECT_TRUE(PollUntil([&] { return CountEntries("/proc/self/fd") == descriptors + 1; }, kWait));
        }
        client.reset();
        EXPECT_TRUE(PollUntil([&] { return CountEntries("/proc/self/fd") == descriptors; }, kWait))
            << CountEntries("/proc/self/fd") << " descriptors, " << descriptors << " before";
        EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    }
    EXPECT_EQ(Curl("-r 0-0", "/programs/" + std::to_string(pid)).status, 206);
}

TEST_F(HttpServiceTest, AFileReplacedWhileSentIsSentWholeAndTheNextRequestGetsTheNewOne) {
    constexpr std::size_t kSize = 8 << 20;
    const Bytes before = PatternBytes(kSize, 0), after = PatternBytes(kSize, 0x40000000);
    WriteFile(dir_.File("a.mpg"), before);
    const std::int32_t pid = Add(dir_.File("a.mpg"), MEDIA_MPEG2);
    Start();

    platform::Socket client = ConnectFrom(kLoopback);
    Bytes body;
    const std::string head = SendGet(client.get(), "/programs/" + std::to_string(pid), &body);
    ASSERT_TRUE(head.starts_with("HTTP/1.1 200")) << head;
    body = Join(body, ReadExactly(client.get(), (1 << 20) - body.size()));

    WriteFile(dir_.File("new.mpg"), after);
    std::filesystem::rename(dir_.File("new.mpg"), dir_.File("a.mpg"));
    body = Join(body, ReadExactly(client.get(), kSize - body.size()));
    EXPECT_TRUE(body == before);

    const Fetched next = Curl("", "/programs/" + std::to_string(pid));
    EXPECT_TRUE(next.body == std::string(after.begin(), after.end()));
    const std::size_t tag = head.find("\r\nETag: ");
    ASSERT_NE(tag, std::string::npos) << head;
    const std::string oldTag = head.substr(tag + 8, head.find("\r\n", tag + 8) - tag - 8);
    EXPECT_FALSE(oldTag.empty());
    EXPECT_NE(Header(next, "etag"), oldTag);
}

TEST_P(HttpSideOnBothBuilds, FilesOf5GiBShowAndSendTheirSizeOnDisk) {
    // Sparse: 5 GiB at no cost on disk. The catalogue's 32-bit field holds what is left of the size (1 GiB).
    constexpr std::uint64_t kSize = 5ull << 30;
    std::filesystem::resize_file((std::ofstream(dir_.File("big.mpg")), dir_.File("big.mpg")), kSize);
    {
        std::fstream tail(dir_.File("big.mpg"), std::ios::in | std::ios::out | std::ios::binary);
        tail.seekp(static_cast<std::streamoff>(kSize - 4));
        tail.write("tail", 4);
    }
    const std::int32_t pid = Add(dir_.File("big.mpg"), MEDIA_MPEG2);
    ASSERT_EQ(catalogue_.Snapshot()[0].m_nSize, 1 << 30);
    Start();
    if (IsSkipped() || HasFatalFailure())
        return;
    const std::string program = "/programs/" + std::to_string(pid);

    EXPECT_NE(Curl("", "/programs.json").body.find("\"size\":5368709120,"), std::string::npos);
    EXPECT_NE(Curl("", "/").body.find("<td class=\"num\">5120.0</td>"), std::string::npos);
    const Fetched head = Curl("-I", program);
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(Header(head, "content-length"), "5368709120");
    const Fetched end = Curl("-r 5368709116-", program);
    EXPECT_EQ(end.status, 206);
    EXPECT_EQ(Header(end, "content-range"), "bytes 5368709116-5368709119/5368709120");
    EXPECT_EQ(end.body, "tail");
}

TEST_P(HttpSideOnBothBuilds, BehindAFrontEveryUrlLeadsThroughItAndItsNameIsAnswered) {
    WriteFile(dir_.File("a.mpg"), PatternBytes(1000));
    Add(dir_.File("a.mpg"), MEDIA_MPEG1);
    Start({}, {}, "http://Front.example:8080/tv/");
    if (IsSkipped() || HasFatalFailure())
        return;
    struct Row {
        const char* path;
        const char* host;
        std::string bodyHas;
    } rows[] = {
        {"/programs.m3u8", "front.example:8080", "\nhttp://Front.example:8080/tv/programs/1\n"},
        {"/programs.json", "127.0.0.1", "\"url\":\"http://Front.example:8080/tv/programs/1\""},
        {"/", "FRONT.example", "<a href=\"http://Front.example:8080/tv/programs/1\">a.mpg</a>"},
        {"/", "front.example", "<a href=\"http://Front.example:8080/tv/programs.m3u8\">"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.path) + " asked of " + row.host);
        const Fetched got = Curl("-H " + Quote(std::string("Host: ") + row.host), row.path);
        EXPECT_EQ(got.status, 200);
        EXPECT_NE(got.body.find(row.bodyHas), std::string::npos) << got.body;
    }
    EXPECT_EQ(Curl("-H 'Host: front.example.evil'", "/programs/1").status, 403);
}

TEST_P(HttpSideOnBothBuilds, AddressesOffTheAllowListAreNotServed) {
    Add(FixturePath("tone.mp3"), MEDIA_MP3);
    Start({}, "127.0.0.2");
    if (IsSkipped() || HasFatalFailure())
        return;
    const Ran outside = RunCommand("curl -sS -m 30 -o /dev/null " + Origin() + "/programs.json");
    EXPECT_NE(outside.code, 0);
    const Ran allowed = RunCommand("curl -sS -m 30 --interface 127.0.0.2 " + Origin() + "/programs.json");
    EXPECT_EQ(allowed.code, 0) << allowed.out;
    EXPECT_NE(allowed.out.find("tone.mp3"), std::string::npos);
}

TEST_P(HttpSideOnBothBuilds, ThreeHundredIdleConnectionsDoNotStarveARealRequest) {
    constexpr std::size_t kSize = 1 << 20;
    WriteFile(dir_.File("a.mpg"), PatternBytes(kSize));
    Add(dir_.File("a.mpg"), MEDIA_MPEG2);
    Start();
    if (IsSkipped() || HasFatalFailure())
        return;
    // Fewer from each address than one address may hold.
    std::vector<platform::Socket> idle;
    for (std::uint32_t a = 0; a < 5; ++a) {
        for (int i = 0; i < 60; ++i)
            idle.push_back(ConnectFrom(kLoopback + 1 + a));
    }
    const Fetched program = Curl("", "/programs/1");
    EXPECT_EQ(program.status, 200) << program.error;
    EXPECT_EQ(program.body.size(), kSize);
    std::size_t open = 0;
    for (const platform::Socket& socket : idle)
        open += platform::WaitReadable(socket.get(), 0) == platform::WaitResult::TimedOut;
    EXPECT_EQ(open, idle.size()) << "idle connections within the limits were dropped before their time-out";
}

INSTANTIATE_TEST_SUITE_P(, HttpSideOnBothBuilds, ::testing::Values(Build::Linux, Build::Windows),
                         [](const ::testing::TestParamInfo<Build>& build) {
                             return build.param == Build::Linux ? "Linux" : "Windows";
                         });

} // namespace
} // namespace tarnvale::test
