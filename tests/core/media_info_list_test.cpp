// CMediaInfoList: order, first-match rules, and use from several threads at once.
#include "core/ListFile.h"
#include "core/MediaInfoList.h"
#include "support/Records.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tarnvale {
namespace {

using test::Record;

TEST(MediaInfoList, KeepsInsertionOrder) {
    CMediaInfoList list;
    for (int i = 0; i < 5; ++i)
        list.Append(Record("file" + std::to_string(i) + ".mpg", 10 - i));
    auto records = list.Snapshot();
    ASSERT_EQ(records.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(records[i].m_nPID, 10 - i);
}

TEST(MediaInfoList, FirstMatchWinsByPathIgnoringCaseAndByPid) {
    CMediaInfoList list;
    list.Append(Record("C:\\Media\\Clip.MPG", 7, 0, 1));
    list.Append(Record("c:\\media\\clip.mpg", 7, 0, 2));
    list.Append(Record("other.avi", 8, 0, 3));

    EXPECT_EQ(list.FindByPath("C:\\MEDIA\\CLIP.mpg")->m_nSize, 1);
    EXPECT_EQ(list.FindByPid(7)->m_nSize, 1);
    EXPECT_FALSE(list.FindByPath("missing.mpg"));
    EXPECT_FALSE(list.FindByPid(9));

    // Editing or deleting either row acts on the first record.
    CMediaInfo changed = Record("c:\\media\\clip.mpg", 70, 0, 2);
    EXPECT_TRUE(list.UpdateByPath("c:\\media\\clip.mpg", changed));
    auto records = list.Snapshot();
    EXPECT_EQ(records[0].m_nPID, 70);
    EXPECT_EQ(records[1].m_nPID, 7);

    EXPECT_TRUE(list.RemoveByPath("c:\\media\\clip.mpg"));
    records = list.Snapshot();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].m_nSize, 2);
    EXPECT_FALSE(list.RemoveByPath("missing.mpg"));
    EXPECT_FALSE(list.UpdateByPath("missing.mpg", changed));

    list.RemoveAll();
    EXPECT_EQ(list.Count(), 0u);
}

// The window's rows reach records by position, so two records with one path are two rows of their own.
TEST(MediaInfoList, RowAccessActsOnThatPositionOnly) {
    CMediaInfoList list;
    list.Append(Record("C:\\clip.mpg", 1));
    list.AppendAll({Record("C:\\CLIP.MPG", 2), Record("C:\\clip.mpg", 3)});
    EXPECT_EQ(list.At(1)->m_nPID, 2);
    EXPECT_FALSE(list.At(3));

    EXPECT_TRUE(list.UpdateAt(2, Record("C:\\clip.mpg", 30)));
    EXPECT_TRUE(list.RemoveAt(1));
    EXPECT_EQ(list.Snapshot(), (std::vector<CMediaInfo>{Record("C:\\clip.mpg", 1), Record("C:\\clip.mpg", 30)}));
    EXPECT_FALSE(list.UpdateAt(2, Record("x.mpg", 4)));
    EXPECT_FALSE(list.RemoveAt(2));
    EXPECT_EQ(list.Count(), 2u);
}

// The window, the folder search and the command server reach the catalogue at once: appends, removals, lookups,
// snapshots and saves must never see a torn record or a torn catalogue.
TEST(MediaInfoList, StaysConsistentUnderConcurrentUse) {
    test::TempDir dir;
    const std::string listFile = dir.File("concurrent.lst");
    CMediaInfoList list;
    constexpr int kPerWriter = 400;
    std::atomic<bool> writing{true};

    auto writer = [&](int base) {
        for (int i = 0; i < kPerWriter; ++i) {
            const int pid = base + i;
            list.Append(Record("w" + std::to_string(pid) + ".mpg", pid, 0, pid * 3));
            if (i % 4 == 3)
                list.RemoveByPath(("w" + std::to_string(pid - 1) + ".MPG").c_str());
        }
    };
    auto reader = [&] {
        while (writing) {
            for (const CMediaInfo& record : list.Snapshot())
                ASSERT_EQ(record.m_nSize, record.m_nPID * 3);
            if (auto found = list.FindByPid(100005)) {
                ASSERT_EQ(found->Path(), "w100005.mpg");
            }
            if (auto row = list.At(list.Count() / 2)) {
                ASSERT_EQ(row->m_nSize, row->m_nPID * 3);
            }
            ASSERT_TRUE(SaveListFile(listFile, list));
        }
    };

    std::thread reading(reader);
    std::thread first(writer, 100000);
    std::thread second(writer, 200000);
    first.join();
    second.join();
    writing = false;
    reading.join();

    EXPECT_EQ(list.Count(), 2u * (kPerWriter - kPerWriter / 4));
    ASSERT_TRUE(SaveListFile(listFile, list));
    CMediaInfoList loaded;
    ASSERT_TRUE(LoadListFile(listFile, loaded));
    EXPECT_EQ(loaded.Snapshot(), list.Snapshot());
}

} // namespace
} // namespace tarnvale
