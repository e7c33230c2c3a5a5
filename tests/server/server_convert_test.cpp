// tarnvale-server's converted streams, run in-process and asked with curl as players ask: named in programs.json,
// served by URLs that name the file's identity, refused beyond the limit, and never answered with the segments of a
// file that has changed. The server must answer after each fault.
#include "catalogue/CatalogueTool.h"
#include "net/NetTestSupport.h"
#include "server/HeadlessServer.h"
#include "support/ConvertPrograms.h"
#include "support/CurlFetch.h"
#include "support/MediaFixtures.h"
#include "support/Poll.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>
#include <regex>
#include <sstream>

namespace tarnvale::test {
namespace {

namespace fs = std::filesystem;

class ServerConvert : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeProgram(dir.File("film.mpg"), ProgramKind::Mpeg2, 24));
        ASSERT_TRUE(MakeProgram(dir.File("clip.avi"), ProgramKind::Avi, 24));
        fs::copy_file(FixturePath("tone.mp3"), dir.File("tone.mp3"));
    }

    void Add(const std::string& file, int pid) {
        std::ostringstream out, err;
        ASSERT_EQ(RunCatalogueTool({"--list", list, "add", dir.File(file), std::to_string(pid)}, ToolStreams{out, err}),
                  0)
            << err.str();
    }

    void Serve(ConversionOptions convert = {}) {
        ServerOptions options;
        options.address = platform::kLoopbackAddress;
        options.port = 0;
        options.list = list;
        options.verbose = true;
        options.http = 0;
        if (convert.cacheFolder.empty())
            convert.cacheFolder = dir.File("cache");
        options.convert = convert;
        server = std::make_unique<HeadlessServer>(options, ServerLines{said.Sink(), log.Sink()});
        std::string error;
        ASSERT_TRUE(server->Start(error)) << error;
    }

    Fetched Get(const std::string& path, const std::string& args = "") {
        return CurlFetch(args, Url(path), dir.Path());
    }
    std::string Url(const std::string& path) { return "http://127.0.0.1:" + std::to_string(server->HttpPort()) + path; }

    // The "hls" path that programs.json gives for pid, without its origin; empty when it gives none.
    std::string HlsPath(int pid) {
        const std::string json = Get("/programs.json").body;
        const std::regex entry("\\{\"pid\":" + std::to_string(pid) + ",[^}]*\\}");
        std::smatch found;
        if (!std::regex_search(json, found, entry))
            return "";
        const std::string text = found.str();
        const std::size_t at = text.find("\"hls\":\"http://");
        if (at == std::string::npos)
            return "";
        const std::size_t path = text.find('/', at + 14);
        return text.substr(path, text.find('"', path) - path);
    }

    TempDir dir;
    std::string list = dir.File("Tarnvale.lst");
    LineLog said, log;
    std::unique_ptr<HeadlessServer> server;
};

TEST_F(ServerConvert, VideoProgramsGetAConvertedStreamThatPlayersCanFetch) {
    Add("film.mpg", 1);
    Add("clip.avi", 2);
    Add("tone.mp3", 3);
    Serve();
    const std::string film = HlsPath(1);
    ASSERT_TRUE(std::regex_match(film, std::regex("/converted/1/[0-9a-f]{16}/index\\.m3u8"))) << film;
    EXPECT_TRUE(std::regex_match(HlsPath(2), std::regex("/converted/2/[0-9a-f]{16}/index\\.m3u8")));
    EXPECT_EQ(HlsPath(3), "") << "the MP3 program plays as it is";

    const Fetched playlist = Get(film);
    ASSERT_EQ(playlist.status, 200) << playlist.body;
    EXPECT_EQ(Header(playlist, "content-type"), "application/vnd.apple.mpegurl");
    EXPECT_NE(Header(playlist, "cache-control").find("immutable"), std::string::npos);
    EXPECT_NE(playlist.body.find("\n5.ts\n#EXT-X-ENDLIST\n"), std::string::npos) << playlist.body;

    const std::string base = film.substr(0, film.size() - std::string("index.m3u8").size());
    const Fetched segment = Get(base + "2.ts");
    ASSERT_EQ(segment.status, 200) << segment.body;
    EXPECT_EQ(Header(segment, "content-type"), "video/mp2t");
    EXPECT_GT(segment.body.size(), 10000u);
    EXPECT_EQ(segment.body[0], 'G') << "an MPEG transport stream starts with its sync byte";
    const Fetched part = Get(base + "2.ts", "-r 188-375");
    EXPECT_EQ(part.status, 206);
    EXPECT_EQ(part.body, segment.body.substr(188, 188));
    EXPECT_EQ(Get(base + "2.ts", "-I").status, 200);

    struct Row {
        std::string path;
        int status;
    };
    const std::string identity = base.substr(std::string("/converted/1/").size(), 16);
    const Row rows[] = {
        {base + "6.ts", 404},                              // past the end
        {base + "4000000000.ts", 404},                     //
        {base + "02.ts", 404},                             // a second name for segment 2
        {base + "+2.ts", 404},                             //
        {base + "2.mp4", 404},                             //
        {"/converted/1/0123456789abcdef/0.ts", 404},       // another file's identity
        {"/converted/01/" + identity + "/0.ts", 404},      //
        {"/converted/3/" + identity + "/index.m3u8", 404}, // not a video program
        {"/converted/9/" + identity + "/index.m3u8", 404}, // no such program
        {"/converted/1/" + identity + "/../../programs/1", 404},
        {"/converted/", 404},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(Get(row.path, "--path-as-is").status, row.status);
    }
    EXPECT_EQ(Get(base + "2.ts", "-X POST").status, 405);
    EXPECT_EQ(Get("/programs.json").status, 200);
}

// The first video timestamp of a transport stream, as ffprobe reads it.
double FirstVideoTime(const std::string& body, const fs::path& folder) {
    const std::string file = (folder / "tv.ts").string();
    WriteBytes(file, std::vector<std::uint8_t>(body.begin(), body.end()));
    const Ran ran = RunCommand("ffprobe -v error -select_streams v -show_entries packet=pts_time -of csv=p=0 " +
                               Quote(file) + " | head -n 1");
    return std::atof(ran.out.c_str());
}

TEST_F(ServerConvert, TvsGetOneStreamAndSeekInItByTime) {
    Add("clip.avi", 2);
    Serve();
    const std::string hls = HlsPath(2);
    const std::string stream = hls.substr(0, hls.size() - std::string("/index.m3u8").size()) + ".ts";
    struct Row {
        std::string seek;
        int status;
        std::string answered; // TimeSeekRange.dlna.org of the answer
        double firstVideo;    // the first video timestamp, less the transport stream's 1.4 s start
    };
    const Row rows[] = {
        {"", 200, "", 0},
        {"npt=9.5-", 200, "npt=8.000-24.000/24.000", 8},
        {"npt=0:00:16-0:00:17", 200, "npt=16.000-20.000/24.000", 16},
        {"npt=24.000-", 416, "npt=*/24.000", -1},
        {"npt=99-", 416, "npt=*/24.000", -1},
        {"bytes=0-", 400, "", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.seek);
        const std::string header = row.seek.empty() ? "" : "-H " + Quote("TimeSeekRange.dlna.org: " + row.seek);
        const Fetched fetched = Get(stream, header + " -H getcontentFeatures.dlna.org:1");
        ASSERT_EQ(fetched.status, row.status) << fetched.body;
        EXPECT_EQ(Header(fetched, "timeseekrange.dlna.org"), row.answered);
        if (row.status != 200)
            continue;
        EXPECT_NE(Header(fetched, "contentfeatures.dlna.org").find("DLNA.ORG_OP=10;DLNA.ORG_CI=1"), std::string::npos);
        EXPECT_EQ(Header(fetched, "transfermode.dlna.org"), "Streaming");
        EXPECT_EQ(fetched.body[0], 'G');
        EXPECT_NEAR(FirstVideoTime(fetched.body, dir.Path()) - 1.4, row.firstVideo, 0.2);
    }
    EXPECT_EQ(Get("/programs.json").status, 200);
}

TEST_F(ServerConvert, AFileReplacedDuringItsConversionIsNeverAnsweredWithOldSegments) {
    Add("film.mpg", 1);
    Serve();
    const std::string before = HlsPath(1);
    const std::string oldBase = before.substr(0, before.size() - 10);
    ASSERT_EQ(Get(oldBase + "0.ts").status, 200);
    // Replaced under the same name while its run goes on, as a download or an edit would.
    fs::copy_file(dir.File("clip.avi"), dir.File("film.mpg.new"));
    fs::rename(dir.File("film.mpg.new"), dir.File("film.mpg"));
    EXPECT_EQ(Get(oldBase + "1.ts").status, 404);
    EXPECT_EQ(Get(before).status, 404);
    const std::string after = HlsPath(1);
    ASSERT_NE(after, before);
    const Fetched segment = Get(after.substr(0, after.size() - 10) + "1.ts");
    EXPECT_EQ(segment.status, 200) << segment.body;
}

TEST_F(ServerConvert, TwentyClientsForTwentyProgramsGetSegmentsOrA503) {
    for (int pid = 1; pid <= 20; ++pid) {
        // Copies are other files, with identities of their own.
        const std::string name = "copy" + std::to_string(pid) + (pid % 2 ? ".mpg" : ".avi");
        fs::copy_file(dir.File(pid % 2 ? "film.mpg" : "clip.avi"), dir.File(name));
        Add(name, pid);
    }
    ConversionOptions convert;
    convert.conversions = 3;
    Serve(convert);
    std::vector<std::string> segments;
    for (int pid = 1; pid <= 20; ++pid) {
        const std::string hls = HlsPath(pid);
        ASSERT_FALSE(hls.empty());
        segments.push_back(hls.substr(0, hls.size() - 10) + "0.ts");
        fs::create_directories(dir.File("client" + std::to_string(pid)));
    }
    std::vector<std::future<Fetched>> clients;
    for (int pid = 1; pid <= 20; ++pid)
        clients.push_back(std::async(std::launch::async, [this, pid, &segments] {
            return CurlFetch("", Url(segments[pid - 1]), dir.File("client" + std::to_string(pid)));
        }));
    int served = 0, refused = 0;
    for (auto& client : clients) {
        const Fetched fetched = client.get();
        if (fetched.status == 200) {
            ++served;
        } else {
            EXPECT_EQ(fetched.status, 503) << fetched.body << fetched.error;
            EXPECT_EQ(Header(fetched, "retry-after"), "5");
            ++refused;
        }
    }
    EXPECT_GE(served, 3);
    EXPECT_GE(refused, 1);
    EXPECT_GE(log.Count("conversion refused: PID "), static_cast<std::size_t>(refused));
    // Asked again as the 503 says, every program is served once conversions have ended.
    for (const std::string& segment : segments)
        EXPECT_TRUE(PollUntil([&] { return Get(segment).status == 200; }, std::chrono::seconds(120))) << segment;
}

TEST_F(ServerConvert, AFullCacheDiskIsAClearErrorAndTheServerGoesOn) {
    Add("film.mpg", 1);
    const std::string small = dir.File("small");
    fs::create_directories(small);
    if (RunCommand("mount -t tmpfs -o size=1m tmpfs " + Quote(small)).code != 0)
        GTEST_SKIP() << "a small disk cannot be mounted here (not root)";
    ConversionOptions convert;
    convert.cacheFolder = small + "/cache";
    Serve(convert);
    const std::string hls = HlsPath(1);
    const Fetched segment = Get(hls.substr(0, hls.size() - 10) + "0.ts");
    EXPECT_EQ(segment.status, 500);
    EXPECT_NE(segment.body.find("is full"), std::string::npos) << segment.body;
    EXPECT_EQ(Get("/programs/1", "-r 0-99").status, 206);
    server.reset();
    RunCommand("umount " + Quote(small));
}

// A number after "name": in a JSON line; -1 when it is not there.
double JsonNumber(const std::string& line, const std::string& name) {
    const std::size_t at = line.find("\"" + name + "\":");
    return at == std::string::npos ? -1 : std::atof(line.c_str() + at + name.size() + 3);
}

std::string JsonText(const std::string& line, const std::string& name) {
    const std::size_t at = line.find("\"" + name + "\":\"");
    if (at == std::string::npos)
        return "?";
    const std::size_t start = at + name.size() + 4;
    return line.substr(start, line.find('"', start) - start);
}

TEST_F(ServerConvert, ThePagePlaysEveryVideoProgramAndSeeksInIt) {
    if (!fs::exists(TARNVALE_PUPPETEER))
        GTEST_SKIP() << "no browser driver in " << TARNVALE_PUPPETEER << " (scripts/test.sh installs it)";
    // A minute of SD in each of the catalogue's video formats.
    struct Program {
        const char* file;
        ProgramKind kind;
        const char* size;
    };
    const Program programs[] = {{"sd1.mpg", ProgramKind::Mpeg1, "352x288"},
                                {"sd2.mpg", ProgramKind::Mpeg2, "720x576"},
                                {"sd.avi", ProgramKind::Avi, "640x480"}};
    int pid = 1;
    for (const Program& program : programs) {
        ASSERT_TRUE(MakeProgram(dir.File(program.file), program.kind, 60, program.size));
        Add(program.file, pid++);
    }
    Serve();
    for (const char* player : {"hls.js", "native"}) {
        SCOPED_TRACE(player);
        const Ran ran = RunCommand("node " + Quote(TARNVALE_PAGE_PLAY) + " " + Quote(TARNVALE_PUPPETEER) + " " +
                                   Quote(dir.File(std::string("profile-") + player)) + " " + player + " " +
                                   Quote(Url("/")) + " 1 2 3");
        ASSERT_EQ(ran.code, 0) << ran.out;
        std::istringstream lines(ran.out);
        int played = 0;
        for (std::string line; std::getline(lines, line);) {
            if (!line.starts_with("{\"pid\""))
                continue;
            SCOPED_TRACE(line);
            ++played;
            EXPECT_EQ(JsonText(line, "error"), "");
            // The whole length from the start, and after a seek to 75% it plays on from there.
            EXPECT_NEAR(JsonNumber(line, "duration"), 60.0, 0.5);
            EXPECT_GT(JsonNumber(line, "at"), JsonNumber(line, "target"));
            EXPECT_LT(JsonNumber(line, "at"), JsonNumber(line, "target") + 10);
            if (std::string(player) == "hls.js") {
                EXPECT_EQ(JsonText(line, "player"), "hls.js");
            }
            std::printf("%s: %s\n", player, line.c_str());
        }
        EXPECT_EQ(played, 3) << ran.out;
    }
}

} // namespace
} // namespace tarnvale::test
