// The Linux programs as `cmake --install` leaves them in a fresh prefix: each answers --help and --version, the
// installed server serves what the installed catalogue tool adds while it runs to the installed client, stops on
// SIGTERM without touching the list file, and systemd accepts the installed units.
#include "support/Background.h"
#include "support/MediaFixtures.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
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
