// The catalogue kept in step with folders: `tarnvale watch` in-process on a thread of the test, over real folders
// and real media files, and the catalogue tool as real processes where it is about processes (writers racing, a
// watch killed part-way through a save).
#include "catalogue/CatalogueTool.h"
#include "core/ListFile.h"
#include "platform/DirectoryWatch.h"
#include "platform/FileWatch.h"
#include "support/Background.h"
#include "support/MediaFixtures.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace tarnvale::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Records = std::vector<CMediaInfo>;

Records Load(const std::string& list) {
    CMediaInfoList catalogue;
    LoadListFile(list, catalogue);
    return catalogue.Snapshot();
}

// Waits, at most limit, until the list file holds what done accepts; each save of the file ends a wait for it.
bool WaitForList(const std::string& list, const std::function<bool(const Records&)>& done,
                 std::chrono::milliseconds limit = 20s) {
    platform::FileWatch saves;
    const bool watching = saves.Open(list);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done(Load(list)))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        if (watching)
            saves.Wait(200);
        else
            std::this_thread::yield();
    }
}

const CMediaInfo* WithPath(const Records& records, const std::string& path) {
    const auto found =
        std::find_if(records.begin(), records.end(), [&](const CMediaInfo& r) { return r.Path() == path; });
    return found == records.end() ? nullptr : &*found;
}

bool PathsAndPidsUnique(const Records& records) {
    std::set<std::string> paths;
    std::set<std::int32_t> pids;
    for (const CMediaInfo& r : records)
        if (!paths.insert(std::string(r.Path())).second || !pids.insert(r.m_nPID).second)
            return false;
    return true;
}

// `tarnvale --list LIST watch ...` on a thread of its own, stopped as Ctrl+C stops it.
class WatchRun {
public:
    WatchRun(const std::string& list, std::vector<std::string> args) {
        args.insert(args.begin(), {"--list", list, "watch"});
        thread_ = std::thread([this, args] {
            status_ = RunCatalogueTool(args, ToolStreams{out_, err_, false, &stop_});
        });
    }
    ~WatchRun() { Stop(); }
    int Stop() {
        stop_.Stop();
        if (thread_.joinable())
            thread_.join();
        return status_;
    }
    // After Stop.
    std::string Out() const { return out_.str(); }
    std::string Err() const { return err_.str(); }

private:
    std::ostringstream out_, err_;
    ToolStop stop_;
    int status_ = -1;
    std::thread thread_;
};

class CatalogueWatch : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(media); }
    void Copy(const std::string& fixture, const fs::path& to) {
        fs::create_directories(to.parent_path());
        fs::copy_file(FixturePath(fixture), to);
    }
    TempDir dir;
    fs::path media = dir.Path() / "media";
    std::string list = dir.File("Tarnvale.lst");
};

TEST_F(CatalogueWatch, FollowsNewChangedRenamedAndRemovedFiles) {
    Copy("tone.mp3", media / "old.mp3");
    const std::string old = (media / "old.mp3").string();
    WatchRun watch(list, {media.string(), "--settle", "0.2", "--verbose"});
    ASSERT_TRUE(WaitForList(list, [&](const Records& r) { return WithPath(r, old); })) << "the first search";
    EXPECT_EQ(WithPath(Load(list), old)->m_nPID, 10);

    // A new file in a new subfolder settles and is added with the next PID.
    const std::string added = (media / "later" / "deeper" / "clip.avi").string();
    Copy("clip.avi", added);
    ASSERT_TRUE(WaitForList(list, [&](const Records& r) { return WithPath(r, added); }));
    EXPECT_EQ(WithPath(Load(list), added)->m_nPID, 11);
    EXPECT_EQ(WithPath(Load(list), added)->m_nType, 2);

    // Renamed within the folders, and its folder moved: the PID stays.
    const std::string renamed = (media / "renamed.mp3").string();
    fs::rename(old, renamed);
    ASSERT_TRUE(WaitForList(list, [&](const Records& r) { return WithPath(r, renamed) && !WithPath(r, old); }));
    EXPECT_EQ(WithPath(Load(list), renamed)->m_nPID, 10);
    fs::rename(media / "later", media / "moved");
    const std::string moved = (media / "moved" / "deeper" / "clip.avi").string();
    ASSERT_TRUE(WaitForList(list, [&](const Records& r) { return WithPath(r, moved) && !WithPath(r, added); }));
    EXPECT_EQ(WithPath(Load(list), moved)->m_nPID, 11);

    // Replaced by other contents: probed again in place.
    fs::copy_file(FixturePath("mpeg1-system.mpg"), renamed + ".part");
    fs::rename(renamed + ".part", (media / "renamed.mpg").string());
    const std::string replaced = (media / "renamed.mpg").string();
    ASSERT_TRUE(WaitForList(list, [&](const Records& r) { return WithPath(r, replaced); }));
    {
        std::ofstream grow(replaced, std::ios::app | std::ios::binary);
        grow << std::string(2048, '\0');
    }
    const auto size = static_cast<std::int32_t>(fs::file_size(replaced));
    ASSERT_TRUE(WaitForList(list, [&](const Records& r) { return WithPath(r, replaced)->m_nSize == size; }));
    const std::int32_t replacedPid = WithPath(Load(list), replaced)->m_nPID;
    EXPECT_EQ(replacedPid, 12);

    // Deleted: the program goes; a deleted folder takes its programs along.
    fs::remove(replaced);
    fs::remove_all(media / "moved");
    ASSERT_TRUE(WaitForList(list, [&](const Records& r) { return WithPath(r, renamed) && r.size() == 1; }));

    EXPECT_EQ(watch.Stop(), 0);
    EXPECT_NE(watch.Out().find("moved: PID 10 " + old + " -> " + renamed), std::string::npos) << watch.Out();
    EXPECT_NE(watch.Out().find("removed: PID " + std::to_string(replacedPid)), std::string::npos);
    EXPECT_NE(watch.Out().find("stopped: "), std::string::npos);
}

TEST_F(CatalogueWatch, TakesAFileOnlyOnceItHasSettled) {
    const std::string first = (media / "first.mp3").string();
    Copy("tone.mp3", first);
    WatchRun watch(list, {media.string(), "--settle", "3", "--verbose"});
    ASSERT_TRUE(WaitForList(list, [&](const Records& r) { return WithPath(r, first); })) << "the first search";
    const std::vector<std::uint8_t> whole = ReadBytes(FixturePath("mpeg1-system.mpg"));
    const std::string slow = (media / "slow.mpg").string();
    {
        // Written in pieces, well within the settle time of each other, and kept open meanwhile.
        std::ofstream out(slow, std::ios::binary);
        const std::size_t piece = whole.size() / 10;
        for (std::size_t at = 0; at < whole.size(); at += piece) {
            out.write(reinterpret_cast<const char*>(whole.data() + at),
                      static_cast<std::streamsize>(std::min(piece, whole.size() - at)));
            out.flush();
            std::this_thread::sleep_for(100ms); // a slow writer, not a wait for the watch
        }
    }
    // Made and deleted before it could settle, then a marker that settles after it.
    const std::string brief = (media / "brief.mp3").string();
    Copy("tone.mp3", brief);
    fs::remove(brief);
    const std::string marker = (media / "marker.mp3").string();
    Copy("tone.mp3", marker);
    ASSERT_TRUE(WaitForList(list, [&](const Records& r) { return WithPath(r, slow) && WithPath(r, marker); }));
    const Records records = Load(list);
    EXPECT_EQ(WithPath(records, slow)->m_nSize, static_cast<std::int32_t>(whole.size()));
    EXPECT_EQ(WithPath(records, slow)->m_nType, 0) << "probed as MPEG1 only when whole";
    EXPECT_FALSE(WithPath(records, brief));
    EXPECT_EQ(watch.Stop(), 0);
    // Added once, whole: never added half-written and updated afterwards.
    EXPECT_EQ(watch.Out().find("updated: "), std::string::npos) << watch.Out();
}

TEST_F(CatalogueWatch, FollowsASymlinkLoopOnce) {
    Copy("tone.mp3", media / "a" / "one.mp3");
    fs::create_directory_symlink(media, media / "a" / "loop");
    WatchRun watch(list, {media.string(), "--settle", "0.1"});
    ASSERT_TRUE(WaitForList(list, [](const Records& r) { return r.size() == 1; }));
    // A loop made while it runs is not followed around either.
    fs::create_directory_symlink(media / "a", media / "a" / "again");
    Copy("tone.mp3", media / "b" / "two.mp3");
    const std::string two = (media / "b" / "two.mp3").string();
    ASSERT_TRUE(WaitForList(list, [&](const Records& r) { return WithPath(r, two); }));
    EXPECT_EQ(watch.Stop(), 0);
    EXPECT_EQ(Load(list).size(), 2u);
}

TEST_F(CatalogueWatch, TenThousandFilesAtOnceAreAllCatalogued) {
    Copy("tone.mp3", media / "first.mp3");
    WatchRun watch(list, {media.string(), "--settle", "0.2"});
    ASSERT_TRUE(WaitForList(list, [](const Records& r) { return r.size() == 1; })) << "the first search";
    const std::vector<std::uint8_t> tone = ReadBytes(FixturePath("tone.mp3"));
    constexpr int kFiles = 10000;
    for (int i = 0; i < kFiles; ++i)
        WriteBytes((media / ("f" + std::to_string(i) + ".mp3")).string(), tone);
    ASSERT_TRUE(WaitForList(
        list, [](const Records& r) { return r.size() > kFiles; }, 180s))
        << Load(list).size() << " catalogued";
    EXPECT_TRUE(PathsAndPidsUnique(Load(list)));
    EXPECT_EQ(watch.Stop(), 0);
    // "stopped: N change(s) saved in M save(s)": batches, not a save per file.
    const std::string out = watch.Out();
    const std::size_t saves = std::stoul(out.substr(out.find(" saved in ") + 10));
    EXPECT_LE(saves, 60u) << out;
}

TEST_F(CatalogueWatch, AFolderThatCannotBeReadIsRefused) {
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root, which reads every folder: the refusal cannot be shown";
    const fs::path closed = dir.Path() / "closed";
    fs::create_directory(closed);
    fs::permissions(closed, fs::perms::none);
    std::ostringstream out, err;
    EXPECT_EQ(RunCatalogueTool({"--list", list, "watch", closed.string()}, ToolStreams{out, err}), 1);
    EXPECT_NE(err.str().find("is not a folder that can be watched"), std::string::npos) << err.str();
    fs::permissions(closed, fs::perms::owner_all);
}

// Real processes from here on: the lock is between processes, and a crash is a process killed.
std::string Tool() {
    return Quote(TARNVALE_TOOL);
}

TEST(CatalogueWriters, TwoAddsRacingKeepEveryEdit) {
    TempDir dir;
    const std::string list = dir.File("Tarnvale.lst");
    const std::string add = Tool() + " --list " + Quote(list) + " add " + Quote(FixturePath("tone.mp3")) + " ";
    const Ran raced = RunCommand("for i in $(seq 1 200); do " + add + "$i >/dev/null || echo lost $i; done & " +
                                 "for i in $(seq 201 400); do " + add + "$i >/dev/null || echo lost $i; done; wait");
    EXPECT_EQ(raced.out, "");
    const Records records = Load(list);
    ASSERT_EQ(records.size(), 400u) << "edits were lost";
    std::set<std::int32_t> pids;
    for (const CMediaInfo& r : records)
        pids.insert(r.m_nPID);
    EXPECT_EQ(pids.size(), 400u);
    EXPECT_EQ(*pids.begin(), 1);
    EXPECT_EQ(*pids.rbegin(), 400);
}

// Waits, at most limit, for a save of list to start: its temporary file appearing beside it.
bool WaitForSaveToStart(const std::string& list, std::chrono::milliseconds limit) {
    platform::DirectoryWatch folder;
    if (!folder.Open() || folder.Add(fs::path(list).parent_path().string()) != platform::DirectoryWatch::Added::Yes)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::vector<platform::DirectoryNotice> notices;
    while (std::chrono::steady_clock::now() < deadline) {
        notices.clear();
        folder.Wait(100, notices);
        for (const auto& notice : notices)
            if (notice.path.find(".tmp.") != std::string::npos)
                return true;
    }
    return false;
}

TEST(CatalogueWriters, AWatchKilledMidSaveLosesNothingWhenStartedAgain) {
    TempDir dir;
    const std::string list = dir.File("Tarnvale.lst");
    const fs::path media = dir.Path() / "media";
    fs::create_directory(media);
    // Many programs elsewhere, so that each save takes a while.
    Records others(100000);
    for (std::size_t i = 0; i < others.size(); ++i) {
        others[i].SetPath("/srv/elsewhere/film-" + std::to_string(i) + ".mpg");
        others[i].m_nPID = static_cast<std::int32_t>(1000000 + i);
    }
    CMediaInfoList catalogue;
    catalogue.Assign(others);
    ASSERT_TRUE(SaveListFile(list, catalogue));
    const std::vector<std::uint8_t> tone = ReadBytes(FixturePath("tone.mp3"));

    std::vector<std::string> watchArgs = {TARNVALE_TOOL, "--list", list, "watch", media.string(), "--settle", "0.1"};
    {
        Background watch(watchArgs);
        ASSERT_FALSE(watch.WaitForLine("watching ", 60s).empty());
        for (int i = 0; i < 300; ++i)
            WriteBytes((media / ("f" + std::to_string(i) + ".mp3")).string(), tone);
        EXPECT_TRUE(WaitForSaveToStart(list, 30s)) << "no save was seen; killed at another moment";
        watch.Kill();
    }
    Records afterKill;
    {
        CMediaInfoList whole;
        ListFileLoad load;
        ASSERT_TRUE(LoadListFile(list, whole, &load)) << "the list file is not whole after the kill: " << load.error;
        afterKill = whole.Snapshot();
    }
    ASSERT_GE(afterKill.size(), others.size());

    Background again(watchArgs);
    ASSERT_FALSE(again.WaitForLine("watching ", 60s).empty());
    ASSERT_TRUE(WaitForList(
        list, [&](const Records& r) { return r.size() >= others.size() + 300; }, 60s));
    EXPECT_EQ(again.Terminate(), 0);
    const Records records = Load(list);
    EXPECT_EQ(records.size(), others.size() + 300);
    EXPECT_TRUE(PathsAndPidsUnique(records));
    // What was saved before the kill kept its PIDs.
    std::map<std::string, std::int32_t> pids;
    for (const CMediaInfo& r : records)
        pids[std::string(r.Path())] = r.m_nPID;
    for (const CMediaInfo& r : afterKill) {
        const auto now = pids.find(std::string(r.Path()));
        ASSERT_NE(now, pids.end()) << r.Path() << " was lost";
        EXPECT_EQ(now->second, r.m_nPID) << r.Path();
    }
}

// Ctrl+C, SIGTERM and SIGHUP (a terminal closing, as a console window closes on Windows) each end the real program
// through its stop request: it makes its last save and says so, never ending half way.
TEST_F(CatalogueWatch, EveryStopRequestEndsTheProgramAfterItsLastSave) {
    Copy("tone.mp3", media / "song.mp3");
    for (const auto& [name, signal] : {std::pair{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}}) {
        SCOPED_TRACE(name);
        Background watch({TARNVALE_TOOL, "--list", list, "watch", media.string()});
        ASSERT_FALSE(watch.WaitForLine("watching ", 60s).empty());
        EXPECT_EQ(watch.Terminate(signal), 0);
        EXPECT_FALSE(watch.WaitForLine("stopped: ", 10s).empty());
        EXPECT_TRUE(WithPath(Load(list), (media / "song.mp3").string()));
    }
}

} // namespace
} // namespace tarnvale::test
