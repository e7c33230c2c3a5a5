// The owner every system handle goes through, and the one opening for reading that the file reader and the
// whole-file services share.
#include "platform/File.h"
#include "platform/FileHandle.h"
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

} // namespace
} // namespace tarnvale
