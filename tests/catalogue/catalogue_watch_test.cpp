// The catalogue kept in step with folders: `tarnvale watch` in-process on a thread of the test, over real folders
// and real media files; its decisions stepped on the test's own clock; and the catalogue tool as real processes
// where it is about processes (writers racing, a watch killed part-way through a save).
#include "catalogue/CatalogueTool.h"
#include "catalogue/Watcher.h"
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

// One step of a stepped watch, at a time of the test's clock: a change to a real file (whose look the test tells
// the watch, and whose notice it hands on), a step alone, or what the list file must hold then.
struct WatchEvent {
    int at; // milliseconds after the watch started
    enum class Op { Appear, Touch, Rename, Delete, Step, Expect } op;
    std::string name = {}; // the file; for Expect, "name:PID ..." in name order, or "" for an empty catalogue
    std::string to = {};   // Rename's new name
};

// The watch on a clock that moves only when told, over files whose looks (size, time, identity) the test sets.
class SteppedWatch {
public:
    SteppedWatch(const fs::path& folder, const std::string& list) : folder_(folder), list_(list) {
        options_.folders = {folder.string()};
        senses_.now = [this] { return now_; };
        senses_.look = [this](const std::string& path) {
            const auto found = looks_.find(path);
            return found == looks_.end() ? platform::FileStatus{} : found->second;
        };
    }

    // A file there before the watch starts.
    void Put(const std::string& name) { Write(name); }

    bool Start() {
        watcher_.emplace(list_, options_, io_, senses_);
        return watcher_->Start();
    }

    void Do(const WatchEvent& event) {
        now_ = kStart + std::chrono::milliseconds(event.at);
        using Op = WatchEvent::Op;
        switch (event.op) {
        case Op::Appear:
            Notice(platform::DirectoryNotice::Kind::Changed, Write(event.name));
            break;
        case Op::Touch:
            ++looks_[Path(event.name)].modified;
            Notice(platform::DirectoryNotice::Kind::Changed, Path(event.name));
            break;
        case Op::Rename:
            fs::rename(Path(event.name), Path(event.to));
            looks_[Path(event.to)] = looks_[Path(event.name)];
            looks_.erase(Path(event.name));
            Notice(platform::DirectoryNotice::Kind::Gone, Path(event.name));
            Notice(platform::DirectoryNotice::Kind::Changed, Path(event.to));
            break;
        case Op::Delete:
            fs::remove(Path(event.name));
            looks_.erase(Path(event.name));
            Notice(platform::DirectoryNotice::Kind::Gone, Path(event.name));
            break;
        case Op::Step:
        case Op::Expect:
            break;
        }
        watcher_->Step();
    }

    // The list file as "name:PID ..." in name order.
    std::string Saved() const {
        std::map<std::string, std::int32_t> byName;
        for (const CMediaInfo& record : Load(list_))
            byName[fs::path(std::string(record.Path())).filename().string()] = record.m_nPID;
        std::string text;
        for (const auto& [name, pid] : byName)
            text += (text.empty() ? "" : " ") + name + ":" + std::to_string(pid);
        return text;
    }

    std::string Err() const { return err_.str(); }

private:
    static constexpr auto kStart = std::chrono::steady_clock::time_point(std::chrono::hours(24));

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    // Each file written is a new file to the watch: an identity of its own.
    std::string Write(const std::string& name) {
        const std::string path = Path(name);
        fs::copy_file(FixturePath("tone.mp3"), path, fs::copy_options::overwrite_existing);
        looks_[path] = {platform::FileStatus::State::Found, fs::file_size(path), 1, 1, ++lastId_, false};
        return path;
    }
    void Notice(platform::DirectoryNotice::Kind kind, const std::string& path) { watcher_->Notice({kind, path}); }

    fs::path folder_;
    std::string list_;
    WatchOptions options_; // the settle time left at its default, 5 s
    WatchSenses senses_;
    std::chrono::steady_clock::time_point now_ = kStart;
    std::map<std::string, platform::FileStatus> looks_;
    std::uint64_t lastId_ = 0;
    std::ostringstream out_, err_;
    ToolStreams io_{out_, err_}; // the watcher holds on to it
    std::optional<Watcher> watcher_;
};

TEST_F(CatalogueWatch, DecidesWhenToSettleRenameSaveAndDrop) {
    using Op = WatchEvent::Op;
    struct Row {
        const char* name;
        std::vector<std::string> before; // files there when the watch starts
        std::vector<WatchEvent> events;
    };
    const Row rows[] = {
        {"a new file is taken once it has settled, and saved once the batch is quiet",
         {},
         {{0, Op::Appear, "a.mp3"},
          {4999, Op::Expect, ""},
          {5000, Op::Expect, ""},
          {5399, Op::Expect, ""},
          {5400, Op::Expect, "a.mp3:10"}}},
        {"a change while it settles starts the settle time again",
         {},
         {{0, Op::Appear, "a.mp3"},
          {3000, Op::Touch, "a.mp3"},
          {5000, Op::Step},
          {7999, Op::Expect, ""},
          {8000, Op::Step},
          {8400, Op::Expect, "a.mp3:10"}}},
        {"a rename keeps the program's PID, known by the file's identity",
         {"b.mp3"},
         {{0, Op::Expect, "b.mp3:10"},
          {100, Op::Rename, "b.mp3", "c.mp3"},
          {499, Op::Expect, "b.mp3:10"},
          {500, Op::Expect, "c.mp3:10"}}},
        {"a deleted file's program goes once the changes pause",
         {"b.mp3"},
         // Looked at again once they pause (400 ms), then saved once the removal it queued is quiet in its turn.
         {{0, Op::Delete, "b.mp3"},
          {400, Op::Expect, "b.mp3:10"},
          {799, Op::Expect, "b.mp3:10"},
          {800, Op::Expect, ""}}},
        {"a file deleted and made again before the save keeps its program",
         {"b.mp3"},
         {{0, Op::Delete, "b.mp3"},
          {200, Op::Appear, "b.mp3"},
          {600, Op::Expect, "b.mp3:10"},
          {5600, Op::Expect, "b.mp3:10"}}},
        {"a stream of changes is saved a second after its first, without waiting for a pause",
         {},
         {{0, Op::Appear, "a.mp3"},
          {300, Op::Appear, "b.mp3"},
          {600, Op::Appear, "c.mp3"},
          {900, Op::Appear, "d.mp3"},
          {1200, Op::Appear, "e.mp3"},
          {5000, Op::Step},
          {5300, Op::Step},
          {5600, Op::Step},
          {5900, Op::Step},
          {5999, Op::Expect, ""},
          {6000, Op::Expect, "a.mp3:10 b.mp3:11 c.mp3:12 d.mp3:13"},
          {6200, Op::Step},
          {6599, Op::Expect, "a.mp3:10 b.mp3:11 c.mp3:12 d.mp3:13"},
          {6600, Op::Expect, "a.mp3:10 b.mp3:11 c.mp3:12 d.mp3:13 e.mp3:14"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir here;
        const fs::path folder = here.Path() / "media";
        fs::create_directories(folder);
        SteppedWatch watch(folder, here.File("Tarnvale.lst"));
        for (const std::string& name : row.before)
            watch.Put(name);
        ASSERT_TRUE(watch.Start()) << watch.Err();
        for (const WatchEvent& event : row.events) {
            SCOPED_TRACE(event.at);
            watch.Do(event);
            if (event.op == Op::Expect) {
                EXPECT_EQ(watch.Saved(), event.name) << watch.Err();
            }
        }
    }
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
