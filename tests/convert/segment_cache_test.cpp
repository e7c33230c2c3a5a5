// The segment cache: bounded, least recently used dropped first, what an earlier server left taken in, and nothing
// touched in its folder that it did not make.
#include "convert/SegmentCache.h"

#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace tarnvale {
namespace {

namespace fs = std::filesystem;

const std::string kA = "00000000000000aa", kB = "00000000000000bb";

void Make(SegmentCache& cache, const std::string& identity, std::uint32_t k, std::size_t bytes) {
    std::string error;
    const std::string run = cache.NewRunFolder(identity, error);
    ASSERT_FALSE(run.empty()) << error;
    std::ofstream(run + "/" + std::to_string(k) + ".ts") << std::string(bytes, 'x');
    ASSERT_TRUE(cache.Keep(identity, k, run, error)) << error;
    cache.RemoveRunFolder(run);
}

TEST(SegmentCache, DropsTheLeastRecentlyUsedBeyondItsLimit) {
    test::TempDir dir;
    SegmentCache cache;
    std::string error;
    ASSERT_TRUE(cache.Open(dir.File("cache"), 3000, 0, error)) << error;
    Make(cache, kA, 0, 1000);
    Make(cache, kA, 1, 1000);
    Make(cache, kB, 0, 1000);
    EXPECT_EQ(cache.Bytes(), 3000u);
    // Using A0 makes A1 the oldest.
    ASSERT_TRUE(cache.Find(kA, 0));
    Make(cache, kB, 1, 1000);
    EXPECT_EQ(cache.Bytes(), 3000u);
    EXPECT_FALSE(cache.Find(kA, 1));
    EXPECT_FALSE(fs::exists(dir.File("cache/" + kA + "/1.ts")));
    for (const auto& [identity, k] : {std::pair{kA, 0u}, {kB, 0u}, {kB, 1u}}) {
        SCOPED_TRACE(identity + " " + std::to_string(k));
        const std::optional<std::string> path = cache.Find(identity, k);
        ASSERT_TRUE(path);
        EXPECT_EQ(fs::file_size(*path), 1000u);
    }
    // A segment removed by someone else is forgotten, not answered with a file that is not there.
    fs::remove_all(dir.File("cache/" + kB));
    EXPECT_FALSE(cache.Find(kB, 0));
    EXPECT_EQ(cache.Bytes(), 2000u);
    Make(cache, kB, 0, 1000);
    EXPECT_TRUE(cache.Find(kB, 0));
    // One segment larger than the whole limit is still kept (it is being sent), and everything else goes.
    Make(cache, kA, 2, 5000);
    EXPECT_TRUE(cache.Find(kA, 2));
    EXPECT_EQ(cache.Bytes(), 5000u);
}

TEST(SegmentCache, TakesInWhatAnEarlierServerLeftAndTouchesNothingElse) {
    test::TempDir dir;
    const std::string folder = dir.File("cache");
    {
        SegmentCache cache;
        std::string error;
        ASSERT_TRUE(cache.Open(folder, 1 << 20, 0, error)) << error;
        Make(cache, kA, 4, 100);
        Make(cache, kB, 5, 100);
        // A run the earlier server was killed in.
        ASSERT_FALSE(cache.NewRunFolder(kA, error).empty());
    }
    fs::create_directories(folder + "/notes");
    std::ofstream(folder + "/notes/1.ts") << "someone else's";
    std::ofstream(folder + "/README") << "someone else's";
    std::ofstream(folder + "/" + kA + "/keep.txt") << "someone else's";

    SegmentCache cache;
    std::string error;
    ASSERT_TRUE(cache.Open(folder, 1 << 20, 0, error)) << error;
    EXPECT_TRUE(cache.Find(kA, 4));
    EXPECT_TRUE(cache.Find(kB, 5));
    EXPECT_EQ(cache.Bytes(), 200u);
    EXPECT_FALSE(fs::exists(folder + "/" + kA + "/run-1"));
    for (const char* kept : {"/notes/1.ts", "/README", "/00000000000000aa/keep.txt"})
        EXPECT_TRUE(fs::exists(folder + kept)) << kept;
}

TEST(SegmentCache, AFullDiskIsToldBeforeARunStarts) {
    test::TempDir dir;
    SegmentCache cache;
    std::string error;
    // More room than any disk here has stands for a disk that is full.
    ASSERT_TRUE(cache.Open(dir.File("cache"), 1 << 20, std::uint64_t{1} << 60, error)) << error;
    EXPECT_TRUE(cache.NewRunFolder(kA, error).empty());
    EXPECT_NE(error.find("is full"), std::string::npos) << error;
    // A file where the folder should be is an error, not a crash.
    std::ofstream(dir.File("file")) << "x";
    SegmentCache other;
    EXPECT_FALSE(other.Open(dir.File("file"), 1 << 20, 0, error));
    EXPECT_NE(error.find("file"), std::string::npos);
}

} // namespace
} // namespace tarnvale
