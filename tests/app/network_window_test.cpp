// The window's network sides, as the headless server's: its allow list keeps other addresses out of the command
// port and the HTTP side, --verbose writes every side's lines into the log file beside the list file, and the UPnP
// side comes from the profile and the system menu. Real windows under Wine, real sockets on loopback addresses;
// UPnP is asked for only on an interface that does not exist, so that nothing is ever announced.
#include "MainWindowFixture.h"
#include "app/ServerApp.h"
#include "app/UpnpMenu.h"
#include "net/CommandClient.h"
#include "server/LogFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace tarnvale {
namespace {

using test::FindMessageBox;
using test::MainWindowTest;

constexpr std::uint32_t kOnTheList = 0x7F000002;  // 127.0.0.2
constexpr std::uint32_t kOffTheList = 0x7F000001; // 127.0.0.1
constexpr int kWaitMs = 20000;

// The whole answer to a GET of path from the HTTP side on port, asked from the address from; empty when the side
// closed the connection without one.
std::string HttpGetFrom(std::uint32_t from, std::uint16_t port, const std::string& path) {
    platform::Socket socket = platform::CreateTcpSocket();
    EXPECT_TRUE(platform::Bind(socket.get(), {from, 0}));
    if (!platform::Connect(socket.get(), {platform::kLoopbackAddress, port}))
        return {};
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
    platform::Send(socket.get(), request.data(), request.size());
    std::string answer;
    char buffer[4096];
    for (;;) {
        const platform::IoResult got = ReceiveWithin(socket.get(), buffer, sizeof buffer, kWaitMs);
        if (got.status != platform::IoStatus::Ok)
            return answer;
        answer.append(buffer, got.bytes);
    }
}

std::string FileText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class NetworkWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        settings.port = 0;
        settings.http = 0;
    }
    void Serve() { window.SetNetworkSettings(settings); }

    NetworkSettings settings;
};

// Wine sends every loopback datagram from 127.0.0.1, whatever its socket is bound to, so the command port is shown
// a client off the list only; that its datagram was carried out (and refused) is read from the log.
TEST_F(NetworkWindowTest, AnAddressOffTheAllowListIsNeitherAnsweredNorServed) {
    settings.allow = *AllowList::Parse("127.0.0.2");
    settings.verbose = true;
    Serve();
    CommandClient off;
    WaitForWindow();
    script.Then("a command from off the list", [this, &off] {
        EXPECT_TRUE(off.Open({platform::kLoopbackAddress, window.BoundCommandPort()}, nullptr, 0, kOffTheList));
        EXPECT_TRUE(off.SendConnect());
        return true;
    });
    script.Then("is ignored", [this] {
        return FileText(LogFileBeside(listFile))
                   .find("ignored: a datagram from 127.0.0.1, which is not an allowed address") != std::string::npos;
    });
    script.Then("and not answered", [&off] {
        Reply reply;
        EXPECT_EQ(off.NextReply(reply, 0), CommandClient::Wait::TimedOut);
        return true;
    });
    script.Then("the HTTP side closes on it and serves the address on the list", [this] {
        EXPECT_EQ(HttpGetFrom(kOffTheList, window.BoundHttpPort(), "/programs.json"), "");
        EXPECT_EQ(HttpGetFrom(kOnTheList, window.BoundHttpPort(), "/programs.json").rfind("HTTP/1.1 200", 0), 0u);
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
}

TEST_F(NetworkWindowTest, VerboseWritesEverySidesLinesBesideTheListFile) {
    const std::string log = LogFileBeside(listFile);
    settings.verbose = true;
    Serve();
    std::uint16_t httpPort = 0;
    WaitForWindow();
    script.Then("a request and a command", [this, &httpPort] {
        httpPort = window.BoundHttpPort();
        EXPECT_NE(HttpGetFrom(kOffTheList, window.BoundHttpPort(), "/programs.m3u8").find("200 OK"), std::string::npos);
        CommandClient client;
        EXPECT_TRUE(client.Open({platform::kLoopbackAddress, window.BoundCommandPort()}));
        EXPECT_EQ(client.Connect(kWaitMs), CommandClient::Wait::Got);
        return true;
    });
    // The sides write from their own threads: looked at on every tick, within the script's bound.
    script.Then("both logged", [&log] {
        const std::string text = FileText(log);
        return text.find("GET /programs.m3u8: 200") != std::string::npos &&
               text.find("CONNECT from 127.0.0.1") != std::string::npos;
    });
    CloseWith(WM_CLOSE);
    Run();
    EXPECT_NE(FileText(log).find("HTTP on port " + std::to_string(httpPort)), std::string::npos)
        << "the side's start is in the log too";
}

TEST_F(NetworkWindowTest, TheUpnpItemNamesWhatTvsShowAndSaysWhenItCannot) {
    settings.http.reset();
    settings.upnp = true;
    settings.name = "Den test";
    settings.interfaceName = "tarnvale-no-such-interface";
    Serve();
    const bool available = UpnpSide::Available();
    DismissMessageSaying({"TVs and apps do not find the server in this run"});
    WaitForWindow();
    script.Then("the item", [this, available] {
        HMENU menu = GetSystemMenu(Main(), FALSE);
        char text[256] = {};
        EXPECT_GT(GetMenuStringA(menu, kUpnpMenuCommand, text, sizeof text, MF_BYCOMMAND), 0);
        EXPECT_STREQ(text, UpnpMenuText(available, "Den test").c_str());
        const UINT state = GetMenuState(menu, kUpnpMenuCommand, MF_BYCOMMAND);
        EXPECT_EQ((state & MF_GRAYED) != 0, !available);
        EXPECT_EQ(state & MF_CHECKED, 0u);
        EXPECT_FALSE(window.UpnpOn());
        // Without UPnP the HTTP side was not asked for: none started.
        EXPECT_EQ(window.BoundHttpPort(), 0);
        PostMessageA(Main(), WM_SYSCOMMAND, kUpnpMenuCommand, 0);
        return true;
    });
    if (available)
        DismissMessageSaying({"Cannot announce the server on the LAN", "TVs and apps do not find"});
    script.Then("still off", [this] {
        EXPECT_FALSE(window.UpnpOn());
        EXPECT_EQ(GetMenuState(GetSystemMenu(Main(), FALSE), kUpnpMenuCommand, MF_BYCOMMAND) & MF_CHECKED, 0u);
        EXPECT_EQ(FindMessageBox(), nullptr);
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
}

// A command port that cannot be opened used to leave the window serving no one without a word.
TEST_F(NetworkWindowTest, ACommandPortThatCannotBeOpenedIsSaidWithWhatToChange) {
    platform::Socket taken = platform::CreateUdpSocket();
    ASSERT_TRUE(platform::Bind(taken.get(), {platform::kLoopbackAddress, 0}));
    platform::Endpoint local;
    ASSERT_TRUE(platform::LocalEndpoint(taken.get(), local));
    settings.address = platform::kLoopbackAddress;
    settings.port = local.port;
    Serve();
    DismissMessageSaying({"Cannot receive on UDP port " + std::to_string(local.port), "--command-port",
                          "Clients, players and TVs are not served in this run"});
    WaitForWindow();
    script.Then("nothing serves, and the window works on", [this] {
        EXPECT_EQ(window.BoundCommandPort(), 0);
        EXPECT_EQ(window.BoundHttpPort(), 0);
        EXPECT_EQ(GetMenuState(GetSystemMenu(Main(), FALSE), kUpnpMenuCommand, MF_BYCOMMAND), UINT(-1));
        EXPECT_EQ(FindMessageBox(), nullptr) << "said more than once";
        return true;
    });
    CloseWith(WM_CLOSE);
    Run();
}

TEST(WindowNetworkSettings, TheOptionsWinOverTheProfileAndABadSettingIsSaid) {
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        std::map<std::string, std::string> profile;
        std::function<void(const NetworkSettings&)> check;
        std::size_t problems = 0;
    };
    const Row rows[] = {
        {"nothing set: only the command port",
         {},
         {},
         [](const NetworkSettings& s) {
             EXPECT_EQ(s.port, kCommandPort);
             EXPECT_FALSE(s.http);
             EXPECT_FALSE(s.upnp);
             EXPECT_FALSE(s.verbose);
             EXPECT_FALSE(s.publicUrl);
             EXPECT_TRUE(s.allow.Allows(0x0A000001));
         }},
        {"the profile's settings",
         {},
         {{"HttpPort", "8080"},
          {"Allow", "192.168.1.0/24"},
          {"PublicUrl", "http://front.lan:8080"},
          {"Verbose", "1"},
          {"Upnp", "1"},
          {"UpnpName", "Living room"},
          {"UpnpInterface", "eth1"}},
         [](const NetworkSettings& s) {
             EXPECT_EQ(s.http, 8080);
             EXPECT_TRUE(s.allow.Allows(0xC0A80107));
             EXPECT_FALSE(s.allow.Allows(0xC0A80207));
             ASSERT_TRUE(s.publicUrl);
             EXPECT_EQ(s.publicUrl->base, "http://front.lan:8080");
             EXPECT_TRUE(s.verbose);
             EXPECT_TRUE(s.upnp);
             EXPECT_EQ(s.name, "Living room");
             EXPECT_EQ(s.interfaceName, "eth1");
         }},
        {"options over the profile",
         {"--http", "0", "--allow", "10.0.0.5", "--name", "Den", "--interface", "eth0", "--upnp", "--verbose",
          "--command-port", "0", "--sessions", "3", "--upnp-port", "50000"},
         {{"HttpPort", "8080"}, {"Allow", "192.168.1.0/24"}, {"UpnpName", "Living room"}, {"Upnp", "0"}},
         [](const NetworkSettings& s) {
             EXPECT_EQ(s.port, 0);
             EXPECT_EQ(s.http, 0);
             EXPECT_TRUE(s.allow.Allows(0x0A000005));
             EXPECT_FALSE(s.allow.Allows(0xC0A80107));
             EXPECT_TRUE(s.upnp);
             EXPECT_TRUE(s.verbose);
             EXPECT_EQ(s.name, "Den");
             EXPECT_EQ(s.interfaceName, "eth0");
             EXPECT_EQ(s.sessions, 3u);
             EXPECT_EQ(s.upnpPort, 50000);
         }},
        {"settings that do not read",
         {},
         {{"HttpPort", "80a"}, {"PublicUrl", "ftp://x"}, {"Upnp", "yes"}, {"Verbose", "2"}},
         [](const NetworkSettings& s) {
             EXPECT_FALSE(s.http);
             EXPECT_FALSE(s.publicUrl);
             EXPECT_FALSE(s.upnp);
             EXPECT_FALSE(s.verbose);
         },
         4},
        // Meant to keep the server to a few addresses: a typo must not open it to every one.
        {"an allow list that does not read serves no one",
         {},
         {{"Allow", "192.168.1.0/33"}},
         [](const NetworkSettings& s) {
             EXPECT_FALSE(s.allow.Allows(0xC0A80107));
             EXPECT_FALSE(s.allow.Allows(platform::kLoopbackAddress));
         },
         1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AppOptions options;
        std::string error;
        ASSERT_TRUE(ParseAppOptions(row.arguments, options, error)) << error;
        std::vector<std::string> problems;
        const NetworkSettings settings = WindowNetworkSettings(
            options,
            [&row](const char* key) {
                const auto found = row.profile.find(key);
                return found == row.profile.end() ? std::string() : found->second;
            },
            "TarnvaleServer.ini", problems);
        row.check(settings);
        EXPECT_EQ(problems.size(), row.problems);
        for (const std::string& problem : problems)
            EXPECT_NE(problem.find("TarnvaleServer.ini"), std::string::npos) << problem;
    }
}

TEST(WindowNetworkSettings, OptionsThatDoNotReadStopTheStart) {
    const std::vector<std::vector<std::string>> rows = {
        {"--allow", "10.0.0.300"}, {"--allow"},         {"--public-url", "front.lan"}, {"--name"},
        {"--interface"},           {"--sessions", "0"}, {"--upnp-port", "x"}};
    for (const auto& arguments : rows) {
        SCOPED_TRACE(arguments[0] + (arguments.size() > 1 ? " " + arguments[1] : ""));
        AppOptions options;
        std::string error;
        EXPECT_FALSE(ParseAppOptions(arguments, options, error));
        EXPECT_NE(error.find(arguments[0]), std::string::npos) << error;
    }
}

} // namespace
} // namespace tarnvale
