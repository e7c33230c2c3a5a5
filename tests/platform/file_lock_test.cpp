// The writers' lock beside a file: one holder at a time, also within one process; the one kept waiting is told who
// holds the lock as its wait starts and when it gives up, and the file itself stays readable meanwhile.
#include "platform/File.h"
#include "platform/FileLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

TEST(FileLock, KeepsASecondHolderOutAndNamesTheFirst) {
    test::TempDir dir;
    const std::string list = dir.File("Tarnvale.lst");
    std::ofstream(list, std::ios::binary) << std::string(4, '\0');
    platform::FileLock first, second;
    ASSERT_TRUE(first.Acquire(list, "tarnvale watch", std::chrono::milliseconds(0)));
    std::vector<std::string> waitedFor;
    const auto waiting = [&](const std::string& holder) { waitedFor.push_back(holder); };
    platform::LockRefusal refusal;
    EXPECT_FALSE(second.Acquire(list, "tarnvale add", std::chrono::milliseconds(100), &refusal, waiting));
    EXPECT_EQ(refusal.holder.rfind("tarnvale watch (process ", 0), 0u) << refusal.holder;
    EXPECT_TRUE(refusal.error.empty()) << refusal.error;
    ASSERT_EQ(waitedFor.size(), 1u);
    EXPECT_EQ(waitedFor[0], refusal.holder);
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(platform::ReadWholeFile(list, bytes), platform::ReadResult::Ok);
    EXPECT_EQ(bytes.size(), 4u);

    first.Release();
    waitedFor.clear();
    EXPECT_TRUE(second.Acquire(list, "tarnvale add", std::chrono::milliseconds(100), &refusal, waiting));
    EXPECT_TRUE(waitedFor.empty()) << "a lock taken at once is no wait";
    EXPECT_TRUE(second.Held());
}

} // namespace
} // namespace tarnvale
