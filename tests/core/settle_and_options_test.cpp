// Two small units the catalogue commands stand on, on their own: when a watched file counts as settled (on a clock
// of the test's, so no time passes), and how the programs' options are read.
#include "core/OptionParser.h"
#include "core/SettleTracker.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

using namespace std::chrono_literals;
using Clock = SettleTracker::Clock;

platform::FileStatus Look(std::uint64_t size, std::int64_t modified = 1) {
    platform::FileStatus look;
    look.state = platform::FileStatus::State::Found;
    look.size = size;
    look.modified = modified;
    return look;
}

std::vector<std::string> Paths(const std::vector<std::pair<std::string, platform::FileStatus>>& settled) {
    std::vector<std::string> paths;
    for (const auto& [path, look] : settled)
        paths.push_back(path);
    return paths;
}

TEST(SettleTracker, AFileSettlesOnlyAfterItsLookStaysTheSameForTheSettleTime) {
    const Clock::time_point t0{};
    SettleTracker tracker(5s);
    tracker.Observe("/a.mpg", Look(100), t0);
    tracker.Observe("/b.mpg", Look(100), t0 + 1s);
    EXPECT_EQ(tracker.NextSettled(), t0 + 5s);
    // The same look again does not restart it; a grown file does.
    tracker.Observe("/a.mpg", Look(100), t0 + 3s);
    tracker.Observe("/b.mpg", Look(200), t0 + 3s);
    tracker.Observe("/c.mpg", Look(100), t0 + 3s);
    tracker.Forget("/c.mpg");
    EXPECT_TRUE(tracker.TakeSettled(t0 + 4999ms).empty());
    const auto settled = tracker.TakeSettled(t0 + 5s);
    EXPECT_EQ(Paths(settled), std::vector<std::string>{"/a.mpg"});
    EXPECT_EQ(settled[0].second, Look(100));
    EXPECT_EQ(tracker.Waiting(), 1u);
    EXPECT_EQ(tracker.NextSettled(), t0 + 8s);
    // A new modification time with the same size is a change too.
    tracker.Observe("/b.mpg", Look(200, 2), t0 + 7s);
    EXPECT_TRUE(tracker.TakeSettled(t0 + 8s).empty());
    EXPECT_EQ(Paths(tracker.TakeSettled(t0 + 12s)), std::vector<std::string>{"/b.mpg"});
    EXPECT_EQ(tracker.NextSettled(), std::nullopt);
}

TEST(OptionParser, ReadsOptionsAndWordsAndWordsEveryMistakeAlike) {
    const struct {
        const char* what;
        std::vector<std::string> args;
        OptionParser::Outcome outcome;
        std::vector<std::string> words;
        std::string error;
    } cases[] = {
        {"options anywhere, a value after the name or after =",
         {"add", "--list", "x.lst", "f.mpg", "--port=7", "-v"},
         OptionParser::Outcome::Go,
         {"add", "f.mpg"},
         ""},
        {"a negative number is a word", {"pid", "f.mpg", "-5"}, OptionParser::Outcome::Go, {"pid", "f.mpg", "-5"}, ""},
        {"after --, everything is a word", {"--", "--port", "-v"}, OptionParser::Outcome::Go, {"--port", "-v"}, ""},
        {"help wins over what follows", {"-h", "--nonsense"}, OptionParser::Outcome::Help, {}, ""},
        {"version", {"--version"}, OptionParser::Outcome::Version, {}, ""},
        {"an unknown option",
         {"--nonsense"},
         OptionParser::Outcome::Wrong,
         {},
         "tool: unknown option --nonsense; see tool --help\n"},
        {"a value missing at the end",
         {"--list"},
         OptionParser::Outcome::Wrong,
         {},
         "tool: missing value after --list; see tool --help\n"},
        {"a value given to a switch",
         {"--verbose=yes"},
         OptionParser::Outcome::Wrong,
         {},
         "tool: --verbose takes no value; see tool --help\n"},
        {"a number out of range",
         {"--port", "70000"},
         OptionParser::Outcome::Wrong,
         {},
         "tool: --port wants a number from 0 to 65535, not \"70000\"\n"},
        {"an empty text",
         {"--list="},
         OptionParser::Outcome::Wrong,
         {},
         "tool: --list wants FILE, not an empty value\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string list;
        std::optional<int> port;
        bool verbose = false;
        const OptionParser parser("tool", "usage: tool\n",
                                  {TextOption("--list", "FILE", "the list file", list),
                                   IntegerOption<int>("--port", "N", "the port", port, 0, 65535),
                                   SwitchOption("--verbose", "more lines", verbose, "-v")});
        const OptionParser::Result result = parser.Parse(c.args);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.words, c.words);
    }
    // What the options took, and the help written from the same rows.
    std::string list;
    std::optional<int> port;
    bool verbose = false;
    const OptionParser parser("tool", "usage: tool\n",
                              {TextOption("--list", "FILE", "the list file", list),
                               IntegerOption<int>("--port", "N", "the port", port, 0, 65535),
                               SwitchOption("--verbose", "more lines", verbose, "-v")});
    EXPECT_EQ(parser.Parse({"--list", "x.lst", "--port=7", "-v"}).outcome, OptionParser::Outcome::Go);
    EXPECT_EQ(list, "x.lst");
    EXPECT_EQ(port, 7);
    EXPECT_TRUE(verbose);
    for (const char* line : {"usage: tool\n", "--list FILE", "--port N", "--verbose", "more lines", "--version"})
        EXPECT_NE(parser.Help().find(line), std::string::npos) << line << " in\n" << parser.Help();
    EXPECT_EQ(parser.Version().rfind("tool ", 0), 0u);
}

} // namespace
} // namespace tarnvale
