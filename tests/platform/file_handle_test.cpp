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
#include <string>
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

// Whole files read through the reader: their bytes exactly, whatever their length, and the cause told apart when
// there is nothing to read.
TEST(ReadWholeFile, ReadsEveryByteOrSaysWhyNot) {
    test::TempDir dir;
    std::string large(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7 + i / 251);
    std::ofstream(dir.File("large"), std::ios::binary) << large;
    std::ofstream(dir.File("small"), std::ios::binary) << "bytes";
    std::ofstream(dir.File("empty"), std::ios::binary);
    std::filesystem::create_directory(dir.Path() / "folder");
    const struct {
        const char* name;
        platform::ReadResult result;
        std::string bytes;
    } rows[] = {
        {"large", platform::ReadResult::Ok, large},
        {"small", platform::ReadResult::Ok, "bytes"},
        {"empty", platform::ReadResult::Ok, ""},
        {"absent", platform::ReadResult::NotFound, ""},
        {"no-such-folder/absent", platform::ReadResult::NotFound, ""},
        {"folder", platform::ReadResult::CannotOpen, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::uint8_t> bytes = {1, 2, 3}; // whatever was there goes
        platform::SystemError error;
        EXPECT_EQ(platform::ReadWholeFile(dir.File(row.name), bytes, &error), row.result);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), row.bytes);
        if (row.result != platform::ReadResult::Ok) {
            EXPECT_NE(error.message.find(dir.File(row.name)), std::string::npos) << error.message;
        }
    }
}

} // namespace
} // namespace tarnvale
