// The owner every system handle goes through, the one opening for reading that the file reader and the
// whole-file services share, and the writers' lock beside a file.
#include "platform/File.h"
#include "platform/FileHandle.h"
#include "platform/FileLock.h"
#include "platform/FileReader.h"
#include "platform/UniqueHandle.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace tarnvale {
namespace {

// Handles are small numbers; every release is recorded, so that a handle released twice or never shows.
std::vector<int> released;

struct CountedTraits {
    using Handle = int;
    static Handle Empty() { return 0; }
    static void Release(Handle handle) { released.push_back(handle); }
};
using Counted = UniqueHandle<CountedTraits>;

TEST(UniqueHandle, EveryHandleIsReleasedExactlyOnce) {
    released.clear();
    {
        Counted a(1);
        Counted b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.get(), 1);

        Counted c(2);
        c = std::move(b); // 2 goes, 1 moves over
        EXPECT_EQ(released, std::vector<int>{2});
        auto& alias = c;
        c = std::move(alias); // moving onto itself keeps the handle
        EXPECT_EQ(c.get(), 1);

        Counted d(3);
        EXPECT_EQ(d.release(), 3); // the caller's now
        EXPECT_FALSE(d);
        d.reset(4);
        d.reset(5);
        EXPECT_EQ(released, (std::vector<int>{2, 4}));
    }
    EXPECT_EQ(released, (std::vector<int>{2, 4, 5, 1}));
}

TEST(OpenForReading, OpensFilesOnlyAndSaysWhyNot) {
    test::TempDir dir;
    std::ofstream(dir.File("present")) << "bytes";
    std::filesystem::create_directory(dir.Path() / "folder");
    const struct {
        const char* name;
        bool opens;
    } rows[] = {{"present", true}, {"folder", false}, {"absent", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        platform::SystemError error;
        EXPECT_EQ(static_cast<bool>(platform::OpenForReading(dir.File(row.name), &error)), row.opens);
        platform::FileReader reader;
        EXPECT_EQ(reader.Open(dir.File(row.name)), row.opens);
        if (!row.opens) {
            EXPECT_NE(error.code, 0);
            EXPECT_NE(error.message.find(dir.File(row.name)), std::string::npos) << error.message;
        }
    }
}

// One writer at a time, also within one process; the one kept waiting is told who holds the lock as its wait starts
// and when it gives up, and the file itself stays readable meanwhile.
TEST(FileLock, KeepsASecondWriterOutAndNamesTheFirst) {
    test::TempDir dir;
    const std::string list = dir.File("Tarnvale.lst");
    std::ofstream(list, std::ios::binary) << std::string(4, '\0');
    platform::FileLock first, second;
    ASSERT_TRUE(first.Acquire(list, "tarnvale watch", std::chrono::milliseconds(0)));
    std::string why;
    std::vector<std::string> waitedFor;
    EXPECT_FALSE(second.Acquire(list, "tarnvale add", std::chrono::milliseconds(100), &why,
                                [&](const std::string& holder) { waitedFor.push_back(holder); }));
    EXPECT_NE(why.find("is being changed by tarnvale watch (process "), std::string::npos) << why;
    ASSERT_EQ(waitedFor.size(), 1u);
    EXPECT_EQ(waitedFor[0].rfind("tarnvale watch (process ", 0), 0u) << waitedFor[0];
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(platform::ReadWholeFile(list, bytes), platform::ReadResult::Ok);
    EXPECT_EQ(bytes.size(), 4u);
    first.Release();
    waitedFor.clear();
    EXPECT_TRUE(second.Acquire(list, "tarnvale add", std::chrono::milliseconds(100), &why,
                               [&](const std::string& holder) { waitedFor.push_back(holder); }))
        << why;
    EXPECT_TRUE(waitedFor.empty()) << "a lock taken at once is no wait";
}

} // namespace
} // namespace tarnvale
