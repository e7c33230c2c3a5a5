// tarnvale-server's server, run in-process: its catalogue follows the list file while the catalogue tool edits it,
// and clients on 127.0.0.1 are served what the file says. The test watches it as its operator does, by its lines.
#include "catalogue/CatalogueTool.h"
#include "net/NetTestSupport.h"
#include "server/HeadlessServer.h"
#include "support/MediaFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <sstream>

namespace tarnvale::test {
namespace {

constexpr const char* kTaken = "list file reloaded: ";
constexpr const char* kRefused = "; still serving the ";

class ServerFollow : public ::testing::Test {
protected:
    // Starts the server on the list file as it is now, and the client that asks it.
    void Serve() {
        ServerOptions options;
        options.address = platform::kLoopbackAddress;
        options.port = 0;
        options.list = list;
        options.verbose = true;
        options.http = 0;
        server = std::make_unique<HeadlessServer>(options, ServerLines{said.Sink(), log.Sink()});
        std::string error;
        ASSERT_TRUE(server->Start(error)) << error;
        EXPECT_EQ(said.Count("Serving on UDP port " + std::to_string(server->BoundPort()) + ". "), 1u);
        ASSERT_NE(server->HttpPort(), 0);
        EXPECT_EQ(said.Count("HTTP on port " + std::to_string(server->HttpPort()) + ": http://"), 1u);
        ASSERT_TRUE(
            client.Open(platform::Endpoint{platform::kLoopbackAddress, server->BoundPort()}, nullptr, 64 * 1024));
    }

    // Runs `tarnvale --list LIST args...`.
    void Tool(std::vector<std::string> args) {
        args.insert(args.begin(), {"--list", list});
        std::ostringstream out, err;
        ASSERT_EQ(RunCatalogueTool(args, ToolStreams{out, err}), 0) << err.str();
    }
    // "PID path" for each program the server lists, and for each record of the list file.
    std::vector<std::string> Listed() {
        EXPECT_EQ(client.Connect(kWaitMs), CommandClient::Wait::Got);
        std::vector<ProgramEntry> programs;
        EXPECT_EQ(client.List(programs, kWaitMs, 300), CommandClient::Wait::Got);
        std::vector<std::string> lines;
        for (const ProgramEntry& entry : programs)
            lines.push_back(std::to_string(entry.nPID) + " " +
                            std::string(entry.szFile, strnlen(entry.szFile, sizeof entry.szFile)));
        return lines;
    }
    // The PIDs of the HTTP side's playlist, from one request on a connection of its own.
    std::vector<std::string> PidsOverHttp() {
        std::istringstream lines(HttpGet(server->HttpPort(), "/programs.m3u8"));
        std::vector<std::string> pids;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("http://localhost/programs/", 0) == 0)
                pids.push_back(line.substr(26));
        }
        return pids;
    }
    static std::vector<std::string> Pids(const std::vector<std::string>& listed) {
        std::vector<std::string> pids;
        for (const std::string& line : listed)
            pids.push_back(line.substr(0, line.find(' ')));
        return pids;
    }
    std::vector<std::string> InTheFile() {
        CMediaInfoList saved;
        EXPECT_TRUE(LoadListFile(list, saved));
        std::vector<std::string> lines;
        for (const CMediaInfo& record : saved.Snapshot())
            lines.push_back(std::to_string(record.m_nPID) + " " + std::string(record.Path()));
        return lines;
    }

    SocketLibrary sockets;
    TempDir dir;
    std::string list = dir.File("Tarnvale.lst");
    // Before the server, which reports to them until it stops.
    LineLog said, log;
    std::unique_ptr<HeadlessServer> server;
    CommandClient client;
};

TEST_F(ServerFollow, EachEditIsServedFromTheNextList) {
    const std::string films = dir.File("films");
    std::filesystem::create_directory(films);
    std::filesystem::copy_file(FixturePath("mpeg1-system.mpg"), films + "/a.mpg");
    std::filesystem::copy_file(FixturePath("tone.mp3"), films + "/b.mp3");
    const std::vector<std::vector<std::string>> edits = {
        {"add", FixturePath("clip.avi"), "12"},
        {"add", FixturePath("tone.mp3"), "13"},
        {"delete", FixturePath("clip.avi")},
        {"search", films},
    };
    Serve();
    std::size_t taken = 0;
    for (const auto& edit : edits) {
        SCOPED_TRACE(edit[0]);
        Tool(edit);
        ASSERT_TRUE(log.WaitForCount(kTaken, ++taken)) << "the edit was not taken";
        EXPECT_EQ(Listed(), InTheFile());
        EXPECT_EQ(PidsOverHttp(), Pids(InTheFile())) << "the HTTP side serves the same catalogue";
    }
    EXPECT_EQ(Listed().size(), 3u);
}

TEST_F(ServerFollow, AFileThatCannotBeReadWholeIsNotTaken) {
    Serve();
    Tool({"add", FixturePath("clip.avi"), "12"});
    ASSERT_TRUE(log.WaitForCount(kTaken, 1));
    const Bytes oneProgram = ReadBytes(list);
    Tool({"add", FixturePath("tone.mp3"), "13"});
    ASSERT_TRUE(log.WaitForCount(kTaken, 2));
    const std::vector<std::string> twoPrograms = Listed();
    ASSERT_EQ(twoPrograms.size(), 2u);

    // Written in place and cut short, as by a writer that stopped half way.
    WriteFile(list, Bytes(oneProgram.begin(), oneProgram.end() - 10));
    ASSERT_TRUE(log.WaitForCount(kRefused, 1)) << "the half-written file was not looked at";
    EXPECT_EQ(Listed(), twoPrograms) << "the catalogue from before the broken write is served";

    WriteFile(list, oneProgram);
    ASSERT_TRUE(log.WaitForCount(kTaken, 3));
    EXPECT_EQ(Listed(), InTheFile());
}

// Saves that come closer together than the follower's settling time (a watch in a burst, a script adding
// programs) are still served within a bounded time of the first, not only once they stop; a save read half-way
// is still refused.
TEST_F(ServerFollow, AStreamOfSavesIsServedWhileItGoesOn) {
    Serve();
    CMediaInfoList edited;
    const auto streamEnd = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool taken = false;
    while (!taken && std::chrono::steady_clock::now() < streamEnd) {
        edited.Append(Record("/films/" + std::to_string(edited.Count()) + ".mpg",
                             static_cast<std::int32_t>(10 + edited.Count()), 0, 2048, 0));
        ASSERT_TRUE(SaveListFile(list, edited));
        // Waits for the server between saves, far less than its settling time apart.
        taken = log.WaitForCount(kTaken, 1, std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(taken) << "nothing was served during 5 s of saves 20 ms apart";
    EXPECT_FALSE(Listed().empty());
    EXPECT_LT(edited.Count(), 100u) << "the first reload came only after " << edited.Count() << " saves";

    const Bytes whole = ReadBytes(list);
    WriteFile(list, Bytes(whole.begin(), whole.end() - 7));
    ASSERT_TRUE(log.WaitForCount(kRefused, 1));
}

// The server starts as the catalogue tool does: a list file that is there but cannot be opened is named as such,
// and nothing is served.
TEST(ServerStart, AListFileThatCannotBeOpenedSaysSo) {
    SocketLibrary sockets;
    TempDir dir;
    const std::string folder = dir.File("Tarnvale.lst");
    std::filesystem::create_directory(folder);
    ServerOptions options;
    options.address = platform::kLoopbackAddress;
    options.port = 0;
    options.list = folder;
    HeadlessServer server(options, ServerLines{});
    std::string error;
    EXPECT_FALSE(server.Start(error));
    const std::string opening = "cannot open the list file " + folder + ": ";
    EXPECT_EQ(error.rfind(opening, 0), 0u) << error;
    EXPECT_NE(error.find("name another with --list"), std::string::npos) << error;
    EXPECT_EQ(server.BoundPort(), 0);
}

TEST_F(ServerFollow, AStreamGoesOnThroughAReload) {
    // Larger than the connection's buffers can hold, so that the stream is still being sent at the reload.
    const std::string film = dir.File("long.mpg");
    const Bytes bytes = PatternBytes(16 * 1024 * 1024);
    WriteFile(film, bytes);
    const CMediaInfo program = Record(film, 12, 1, static_cast<std::int64_t>(bytes.size()), 0);
    WriteFile(list, EncodeListFile(std::span(&program, 1)));
    Serve();
    ASSERT_EQ(client.Connect(kWaitMs), CommandClient::Wait::Got);
    platform::Socket stream = client.AcceptStream(kWaitMs);
    ASSERT_TRUE(stream);
    ASSERT_TRUE(client.SendPlay(12));
    Bytes received = ReadExactly(stream.get(), 64 * 1024);

    Tool({"delete-all"});
    ASSERT_TRUE(log.WaitForCount(kTaken, 1));
    EXPECT_EQ(log.Count("list file reloaded: 0 programs"), 1u);
    EXPECT_EQ(log.Count("stream ended"), 0u) << "the stream ended before the reload; the test shows nothing";
    const Bytes rest = ReadExactly(stream.get(), bytes.size() - received.size());
    received.insert(received.end(), rest.begin(), rest.end());
    EXPECT_TRUE(received == bytes) << "received " << received.size() << " of " << bytes.size() << " bytes";
}

} // namespace
} // namespace tarnvale::test
