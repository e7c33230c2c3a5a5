// The server's catalogue follows its list file: a command service on 127.0.0.1 serves a catalogue that a list-file
// follower keeps up to date while the catalogue tool edits the file, as tarnvale-server runs them.
#include "core/ListFileFollower.h"
#include "net/NetTestSupport.h"
#include "support/MediaFixtures.h"
#include "support/TempDir.h"
#include "tools/CatalogueTool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace tarnvale::test {
namespace {

// The follower's reports, with a bounded wait for the n-th of a kind.
class ChangeLog {
public:
    void Attach(CListFileFollower& follower) {
        follower.SetObserver([this](const ListFileChange& change) {
            {
                std::lock_guard lock(mutex_);
                changes_.push_back(change);
            }
            changed_.notify_all();
        });
    }
    bool WaitFor(ListFileChange::Kind kind, int n,
                 std::chrono::milliseconds limit = std::chrono::milliseconds(kWaitMs)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] {
            return std::count_if(changes_.begin(), changes_.end(), [&](auto& c) { return c.kind == kind; }) >= n;
        });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ListFileChange> changes_;
};

class ServerFollow : public ::testing::Test {
protected:
    void SetUp() override {
        changes.Attach(follower);
        ASSERT_TRUE(follower.Watch());
        ASSERT_TRUE(follower.Load());
        follower.Start();
        ASSERT_TRUE(harness.Start());
        ASSERT_TRUE(client.Open(harness.Address(), nullptr, 64 * 1024));
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
    std::vector<std::string> InTheFile() {
        CMediaInfoList saved;
        EXPECT_TRUE(LoadListFile(list, saved));
        std::vector<std::string> lines;
        for (const CMediaInfo& record : saved.Snapshot())
            lines.push_back(std::to_string(record.m_nPID) + " " + std::string(record.Path()));
        return lines;
    }

    TempDir dir;
    std::string list = dir.File("Tarnvale.lst");
    ServerHarness harness;
    ChangeLog changes;
    // After the catalogue it fills and the log it reports to, so that it stops first.
    CListFileFollower follower{list, harness.catalogue};
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
    int taken = 0;
    for (const auto& edit : edits) {
        SCOPED_TRACE(edit[0]);
        Tool(edit);
        ASSERT_TRUE(changes.WaitFor(ListFileChange::Kind::Taken, ++taken)) << "the edit was not taken";
        EXPECT_EQ(Listed(), InTheFile());
    }
    EXPECT_EQ(Listed().size(), 3u);
}

TEST_F(ServerFollow, AFileThatCannotBeReadWholeIsNotTaken) {
    Tool({"add", FixturePath("clip.avi"), "12"});
    ASSERT_TRUE(changes.WaitFor(ListFileChange::Kind::Taken, 1));
    const Bytes oneProgram = ReadBytes(list);
    Tool({"add", FixturePath("tone.mp3"), "13"});
    ASSERT_TRUE(changes.WaitFor(ListFileChange::Kind::Taken, 2));
    const std::vector<std::string> twoPrograms = Listed();
    ASSERT_EQ(twoPrograms.size(), 2u);

    // Written in place and cut short, as by a writer that stopped half way.
    WriteFile(list, Bytes(oneProgram.begin(), oneProgram.end() - 10));
    ASSERT_TRUE(changes.WaitFor(ListFileChange::Kind::Refused, 1)) << "the half-written file was not looked at";
    EXPECT_EQ(Listed(), twoPrograms) << "the catalogue from before the broken write is served";

    WriteFile(list, oneProgram);
    ASSERT_TRUE(changes.WaitFor(ListFileChange::Kind::Taken, 3));
    EXPECT_EQ(Listed(), InTheFile());
}

// Saves that come closer together than the follower's settling time (a watch in a burst, a script adding
// programs) are still served within a bounded time of the first, not only once they stop; a save read half-way
// is still refused.
TEST_F(ServerFollow, AStreamOfSavesIsServedWhileItGoesOn) {
    CMediaInfoList edited;
    const auto streamEnd = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool taken = false;
    while (!taken && std::chrono::steady_clock::now() < streamEnd) {
        edited.Append(Record("/films/" + std::to_string(edited.Count()) + ".mpg",
                             static_cast<std::int32_t>(10 + edited.Count()), 0, 2048, 0));
        ASSERT_TRUE(SaveListFile(list, edited));
        // Waits for the follower between saves, far less than its settling time apart.
        taken = changes.WaitFor(ListFileChange::Kind::Taken, 1, std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(taken) << "nothing was served during 5 s of saves 20 ms apart";
    EXPECT_GT(harness.catalogue.Count(), 0u);
    EXPECT_LT(edited.Count(), 100u) << "the first reload came only after " << edited.Count() << " saves";

    const Bytes whole = ReadBytes(list);
    WriteFile(list, Bytes(whole.begin(), whole.end() - 7));
    ASSERT_TRUE(changes.WaitFor(ListFileChange::Kind::Refused, 1));
}

// The server starts as the catalogue tool does: a list file that is there but cannot be opened is named as such.
TEST(ServerStart, AListFileThatCannotBeOpenedSaysSo) {
    TempDir dir;
    const std::string folder = dir.File("Tarnvale.lst");
    std::filesystem::create_directory(folder);
    CMediaInfoList catalogue;
    CListFileFollower follower{folder, catalogue};
    ListFileLoad load;
    EXPECT_FALSE(follower.Load(&load));
    EXPECT_TRUE(load.cannotOpen);
    EXPECT_EQ(FailedLoadText(folder, load).rfind("cannot open the list file " + folder + ": ", 0), 0u);
    EXPECT_GT(FailedLoadText(folder, load).size(), ("cannot open the list file " + folder + ": ").size());
}

TEST_F(ServerFollow, AStreamGoesOnThroughAReload) {
    // Larger than the connection's buffers can hold, so that the stream is still being sent at the reload.
    const std::string film = dir.File("long.mpg");
    const Bytes bytes = PatternBytes(16 * 1024 * 1024);
    WriteFile(film, bytes);
    harness.catalogue.Append(Record(film, 12, 1, static_cast<std::int64_t>(bytes.size()), 0));
    ASSERT_EQ(client.Connect(kWaitMs), CommandClient::Wait::Got);
    platform::Socket stream = client.AcceptStream(kWaitMs);
    ASSERT_TRUE(stream);
    ASSERT_TRUE(client.SendPlay(12));
    Bytes received = ReadExactly(stream.get(), 64 * 1024);

    Tool({"delete-all"});
    ASSERT_TRUE(changes.WaitFor(ListFileChange::Kind::Taken, 1));
    EXPECT_EQ(harness.catalogue.Count(), 0u);
    EXPECT_TRUE(harness.sender.Running()) << "the stream ended before the reload; the test shows nothing";
    const Bytes rest = ReadExactly(stream.get(), bytes.size() - received.size());
    received.insert(received.end(), rest.begin(), rest.end());
    EXPECT_TRUE(received == bytes) << "received " << received.size() << " of " << bytes.size() << " bytes";
}

} // namespace
} // namespace tarnvale::test
