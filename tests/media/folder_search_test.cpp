// The folder walk on real temporary trees: order, which names are probed, PIDs, progress, cancelling, long paths
// and links that lead back up the tree.
#include "media/FolderSearch.h"
#include "platform/Directory.h"
#include "support/MediaFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

namespace tarnvale {
namespace {

namespace fs = std::filesystem;

struct Walked {
    std::vector<std::string> added; // paths, in the order add saw them
    std::vector<std::int32_t> pids;
    std::vector<std::string> refused;
    std::vector<FolderSearchProgress> reports;
};

Walked Walk(const std::string& folder, std::int32_t& counter, const std::atomic<bool>* cancel = nullptr,
            std::function<void()> afterAdd = {}) {
    Walked w;
    FolderSearchHooks hooks;
    hooks.add = [&](const CMediaInfo& record) {
        w.added.emplace_back(record.Path());
        w.pids.push_back(record.m_nPID);
        if (afterAdd)
            afterAdd();
    };
    hooks.progress = [&](const FolderSearchProgress& p) { w.reports.push_back(p); };
    hooks.refused = [&](const std::string& path, const char*) { w.refused.push_back(path); };
    hooks.cancel = cancel;
    const FolderSearchProgress result = SearchFolderNumbered(folder, counter, hooks);
    EXPECT_FALSE(w.reports.empty());
    if (!w.reports.empty()) {
        EXPECT_EQ(w.reports.back().filesSeen, result.filesSeen);
        EXPECT_EQ(w.reports.back().programsAdded, result.programsAdded);
    }
    EXPECT_EQ(result.programsAdded, w.added.size());
    return w;
}

// What the walk must add: depth first, in the order the file system lists each folder, found independently of
// the walk's own listing code.
void ExpectedOrder(const fs::path& folder, std::vector<std::string>& out) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.is_directory())
            ExpectedOrder(entry.path(), out);
        else if (QualifiesForSearch(entry.path().string()) && entry.path().extension() != "")
            out.push_back(entry.path().string());
    }
}

std::string Join(const fs::path& folder, const std::string& name) {
    return folder.string() + platform::kPathSeparator + name;
}

void Put(const fs::path& folder, const std::string& name, const std::string& fixture = "tone.mp3") {
    fs::create_directories(folder);
    test::WriteBytes(Join(folder, name), test::ReadBytes(test::FixturePath(fixture)));
}

TEST(FolderWalkTest, QualifyingNames) {
    const struct {
        const char* path;
        bool qualifies;
    } cases[] = {
        {"a.MPG", true},    {"b.mpeg", true}, {"c.Mp3", true},      {"d.avi", true},         {"e.vob", true},
        {"song_mp3", true}, {"xavi", true},   {"f.txt", false},     {"x.mpeg4", false},      {"mpg.txt", false},
        {"vob", true},      {"", false},      {"dir.mpg/f", false}, {"/media/a.MPEG", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(QualifiesForSearch(c.path), c.qualifies);
    }
}

TEST(FolderWalkTest, AddsMediaFilesDepthFirstInListingOrderWithPidsFromTen) {
    test::TempDir dir;
    const fs::path root = dir.Path() / "media";
    for (const char* name : {"a.MPG", "b.mpeg", "c.Mp3", "d.avi", "e.vob", "f.txt", "x.mpeg4", "song_mp3"})
        Put(root, name, std::string(name) == "d.avi" ? "clip.avi" : "mpeg1-system.mpg");
    Put(root / "sub", "g.mp3");
    Put(root / "sub" / "deeper", "h.avi", "clip.avi");
    Put(root / "folder.avi", "i.mpg", "mpeg2-program.vob"); // a folder with a media name is entered, not probed
    fs::create_directories(root / "empty");

    std::vector<std::string> expected;
    ExpectedOrder(root, expected);
    ASSERT_EQ(expected.size(), 8u);

    const std::string cwd = fs::current_path().string();
    std::int32_t counter = kFirstSearchPid;
    const Walked w = Walk(root.string(), counter);
    EXPECT_EQ(w.added, expected);
    EXPECT_EQ(w.pids, (std::vector<std::int32_t>{10, 11, 12, 13, 14, 15, 16, 17}));
    EXPECT_EQ(counter, 18);
    EXPECT_EQ(w.refused, std::vector<std::string>{Join(root, "song_mp3")});
    EXPECT_EQ(w.reports.back().filesSeen, 11u);
    EXPECT_FALSE(w.reports.back().cancelled);
    EXPECT_EQ(fs::current_path().string(), cwd);

    // The same folder given with a trailing separator walks the same paths, not doubled separators.
    std::int32_t again = kFirstSearchPid;
    EXPECT_EQ(Walk(root.string() + platform::kPathSeparator, again).added, expected);
}

TEST(FolderWalkTest, PidsContinueAcrossSearchesAndNeverStartBelowTen) {
    test::TempDir dir;
    Put(dir.Path() / "one", "a.mp3");
    Put(dir.Path() / "one", "b.mp3");
    Put(dir.Path() / "two", "c.mp3");
    const struct {
        std::int32_t start;
        std::vector<std::int32_t> first, second;
        std::int32_t end;
    } cases[] = {
        {10, {10, 11}, {12}, 13},
        {-5, {10, 11}, {12}, 13},
        {3, {10, 11}, {12}, 13},
        {40, {40, 41}, {42}, 43},
        {2147483646, {2147483646, 2147483647}, {10}, 11}, // the 32-bit counter wraps and starts again at 10
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        std::int32_t counter = c.start;
        EXPECT_EQ(Walk((dir.Path() / "one").string(), counter).pids, c.first);
        EXPECT_EQ(Walk((dir.Path() / "two").string(), counter).pids, c.second);
        EXPECT_EQ(counter, c.end);
    }
}

TEST(FolderWalkTest, StopsWhenCancelled) {
    test::TempDir dir;
    for (int i = 0; i < 20; ++i)
        Put(dir.Path() / ("f" + std::to_string(i % 4)), "clip" + std::to_string(i) + ".mp3");
    std::atomic<bool> cancel{false};
    std::int32_t counter = kFirstSearchPid;
    const Walked w = Walk(dir.Path().string(), counter, &cancel, [&] { cancel = true; });
    EXPECT_EQ(w.added.size(), 1u);
    EXPECT_TRUE(w.reports.back().cancelled);
    EXPECT_EQ(counter, 11);
}

TEST(FolderWalkTest, SkipsPathsTooLongForARecordAndMissingFolders) {
    test::TempDir dir;
    const std::string base = dir.Path().string();
    // Files whose full paths are 255, 256 and 257 characters long.
    for (std::size_t length : {kMaxPathBytes, kMaxPathBytes + 1, kMaxPathBytes + 2})
        Put(dir.Path(), std::string(length - base.size() - 5, 'n') + ".mp3");
    std::int32_t counter = kFirstSearchPid;
    const Walked w = Walk(base, counter);
    ASSERT_EQ(w.added.size(), 1u);
    EXPECT_EQ(w.added[0].size(), kMaxPathBytes);
    EXPECT_TRUE(w.refused.empty());

    const Walked none = Walk(dir.File("no-such-folder"), counter);
    EXPECT_TRUE(none.added.empty());
    EXPECT_EQ(none.reports.back().filesSeen, 0u);
}

TEST(FolderWalkTest, LinksBackUpTheTreeAreWalkedOnce) {
    test::TempDir dir;
    const fs::path root = dir.Path() / "tree";
    Put(root, "a.mp3");
    Put(root / "sub", "b.mp3");
    std::error_code ec;
    fs::create_directory_symlink(root, root / "sub" / "up", ec);
    if (ec)
        GTEST_SKIP() << "folder links cannot be made here: " << ec.message();
    fs::create_directory_symlink(root / "sub", root / "side", ec);
    // Were the links followed round and round, the walk would be stopped here rather than run for ages.
    std::atomic<bool> cancel{false};
    std::size_t adds = 0;
    std::int32_t counter = kFirstSearchPid;
    const Walked w = Walk(root.string(), counter, &cancel, [&] { cancel = ++adds > 10; });
    EXPECT_EQ(w.added.size(), 2u);
}

} // namespace
} // namespace tarnvale
