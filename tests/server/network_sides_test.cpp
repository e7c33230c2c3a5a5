// The network sides on real loopback sockets: a side that cannot start is named, says what to do in the program's
// own words, and leaves the sides before it serving; the sides stop whole and start again; the log goes where the
// settings say.
#include "net/NetTestSupport.h"
#include "server/LogFile.h"
#include "server/NetworkSides.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace tarnvale::test {
namespace {

// A port some other program holds: a socket of the test's own, bound on 127.0.0.1.
struct TakenPort {
    explicit TakenPort(bool tcp) : socket(tcp ? platform::CreateTcpSocket() : platform::CreateUdpSocket()) {
        EXPECT_TRUE(platform::Bind(socket.get(), {platform::kLoopbackAddress, 0}));
        if (tcp) {
            EXPECT_TRUE(platform::Listen(socket.get(), 1));
        }
        platform::Endpoint local;
        EXPECT_TRUE(platform::LocalEndpoint(socket.get(), local));
        port = local.port;
    }
    platform::Socket socket;
    std::uint16_t port = 0;
};

NetworkSettings LoopbackSettings() {
    NetworkSettings settings;
    settings.address = platform::kLoopbackAddress;
    settings.port = 0;
    settings.http = 0;
    settings.names = {"CommandPortSetting", "HttpPortSetting", "InterfaceSetting"};
    return settings;
}

TEST(NetworkSides, ASideThatCannotStartIsNamedAndTheOnesBeforeItServeOn) {
    SocketLibrary sockets;
    struct Row {
        const char* name;
        NetworkSide failed;
        const char* advice;
        bool commandsServe;
    };
    const Row rows[] = {
        {"command port taken", NetworkSide::Command, "choose another port with CommandPortSetting", false},
        {"HTTP port taken", NetworkSide::Http, "choose another port with HttpPortSetting", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const bool http = row.failed == NetworkSide::Http;
        TakenPort taken(http);
        NetworkSettings settings = LoopbackSettings();
        (http ? *settings.http : settings.port) = taken.port;
        CMediaInfoList catalogue;
        NetworkSides sides(catalogue);
        LineLog out;
        std::string error;
        ASSERT_FALSE(sides.Start(settings, ServerLines{out.Sink(), {}}, error));
        EXPECT_EQ(sides.Failed(), row.failed);
        EXPECT_NE(error.find(std::to_string(taken.port)), std::string::npos) << error;
        EXPECT_NE(error.find(row.advice), std::string::npos) << error;
        EXPECT_EQ(sides.HttpPort(), 0);
        EXPECT_EQ(sides.CommandPort() != 0, row.commandsServe);
        if (row.commandsServe) {
            CommandClient client;
            ASSERT_TRUE(client.Open({platform::kLoopbackAddress, sides.CommandPort()}));
            EXPECT_EQ(client.Connect(kWaitMs), CommandClient::Wait::Got);
        }
        sides.Stop();
        EXPECT_EQ(sides.CommandPort(), 0);
    }
}

// Asked for on an interface that is not there, so that nothing is ever announced from a test: the UPnP side does
// not start, at the start or later from a menu, and the sides before it serve on.
TEST(NetworkSides, AUpnpSideThatCannotStartLeavesTheOthersServing) {
    SocketLibrary sockets;
    struct Row {
        const char* name;
        bool atStart;
        bool http;
    };
    const Row rows[] = {
        {"at the start, with an HTTP port", true, true},
        {"at the start, without one", true, false},
        {"later, with an HTTP port", false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        NetworkSettings settings = LoopbackSettings();
        settings.interfaceName = "tarnvale-no-such-interface";
        settings.upnp = row.atStart;
        if (!row.http)
            settings.http.reset();
        CMediaInfoList catalogue;
        NetworkSides sides(catalogue);
        std::string error;
        if (row.atStart) {
            EXPECT_FALSE(sides.Start(settings, {}, error));
        } else {
            ASSERT_TRUE(sides.Start(settings, {}, error)) << error;
            EXPECT_FALSE(sides.StartUpnp(error));
        }
        EXPECT_EQ(sides.Failed(), NetworkSide::Upnp);
        EXPECT_EQ(error.rfind("cannot announce the server on the LAN: ", 0), 0u) << error;
        EXPECT_FALSE(sides.UpnpOn());
        EXPECT_NE(sides.CommandPort(), 0);
        // The HTTP side was asked for by its port alone: UPnP would have brought it up only for itself.
        EXPECT_EQ(sides.HttpPort() != 0, row.http);
        if (row.http) {
            EXPECT_NE(HttpGet(sides.HttpPort(), "/programs.json").find("200 OK"), std::string::npos);
        }
        sides.CatalogueChanged();
    }
}

TEST(NetworkSides, StopEndsEverySideAndStartServesAgain) {
    SocketLibrary sockets;
    CMediaInfoList catalogue;
    NetworkSides sides(catalogue);
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        LineLog out;
        std::string error;
        ASSERT_TRUE(sides.Start(LoopbackSettings(), ServerLines{out.Sink(), {}}, error)) << error;
        const std::uint16_t httpPort = sides.HttpPort();
        ASSERT_NE(httpPort, 0);
        EXPECT_TRUE(out.WaitFor("HTTP on port " + std::to_string(httpPort) + ": http://"));
        EXPECT_NE(HttpGet(httpPort, "/programs.json").find("200 OK"), std::string::npos);
        sides.Stop();
        EXPECT_EQ(sides.CommandPort(), 0);
        EXPECT_EQ(sides.HttpPort(), 0);
        // Nothing listens on the port any more.
        platform::Socket again = platform::CreateTcpSocket();
        EXPECT_FALSE(platform::Connect(again.get(), {platform::kLoopbackAddress, httpPort}));
    }
}

TEST(NetworkSides, FoldersForPicturesAndConversionsThatCannotBeMadeLeaveTheProgramsServed) {
    SocketLibrary sockets;
    TempDir dir;
    // A file where each folder should be: neither can be made, whoever runs the test.
    std::ofstream(dir.File("taken")) << "not a folder";
    CMediaInfoList catalogue;
    NetworkSides sides(catalogue);
    NetworkSettings settings = LoopbackSettings();
    settings.pictures = dir.File("taken") + "/pictures";
    settings.convert.cacheFolder = dir.File("taken") + "/segments";
    LineLog out, log;
    std::string error;
    ASSERT_TRUE(sides.Start(settings, ServerLines{out.Sink(), log.Sink()}, error)) << error;
    EXPECT_NE(HttpGet(sides.HttpPort(), "/programs.json").find("200 OK"), std::string::npos);
    EXPECT_TRUE(log.WaitFor("programs are served without pictures: "));
    EXPECT_TRUE(log.WaitFor("video programs are served as files only (no converted streams): "));
}

// The window's log: every side's lines, each led by its time, none cut into another by a second thread.
TEST(NetworkSides, TheLogFileHoldsEveryLineWhole) {
    SocketLibrary sockets;
    TempDir dir;
    const std::string list = dir.File("Tarnvale.lst");
    const std::string path = LogFileBeside(list);
    EXPECT_EQ(path, dir.File("Tarnvale.log"));
    LogFile file;
    std::string error;
    ASSERT_TRUE(file.Open(path, error)) << error;
    {
        CMediaInfoList catalogue;
        NetworkSides sides(catalogue);
        NetworkSettings settings = LoopbackSettings();
        settings.verbose = true;
        auto sink = [&file](const std::string& line) { file.Write(line); };
        ASSERT_TRUE(sides.Start(settings, ServerLines{sink, sink}, error)) << error;
        std::vector<std::thread> clients;
        for (int i = 0; i < 4; ++i)
            clients.emplace_back([&sides] { HttpGet(sides.HttpPort(), "/programs.json"); });
        for (std::thread& client : clients)
            client.join();
        CommandClient client;
        ASSERT_TRUE(client.Open({platform::kLoopbackAddress, sides.CommandPort()}));
        EXPECT_EQ(client.Connect(kWaitMs), CommandClient::Wait::Got);
    }
    std::ifstream in(path);
    std::size_t requests = 0, http = 0, commands = 0;
    for (std::string line; std::getline(in, line);) {
        SCOPED_TRACE(line);
        // "2026-12-08 11:33:16 " and then the line.
        ASSERT_GT(line.size(), 20u);
        EXPECT_EQ(line[4], '-');
        EXPECT_EQ(line[13], ':');
        requests += line.find("GET /programs.json: 200") != std::string::npos;
        http += line.find("HTTP on port ") == 20;
        commands += line.find("CONNECT") != std::string::npos;
    }
    EXPECT_EQ(requests, 4u);
    EXPECT_EQ(http, 1u);
    EXPECT_GE(commands, 1u);
}

} // namespace
} // namespace tarnvale::test
