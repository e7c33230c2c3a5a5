// CMediaInfoList: order, first-match rules, use from several threads at once, and merging what was found on disk.
#include "core/CatalogueMerge.h"
#include "core/ListFile.h"
#include "core/MediaInfoList.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tarnvale {
namespace {

CMediaInfo Record(const std::string& path, int pid, int size = 0) {
    CMediaInfo record;
    EXPECT_TRUE(record.SetPath(path));
    record.m_nPID = pid;
    record.m_nSize = size;
    return record;
}

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
    list.Append(Record("C:\\Media\\Clip.MPG", 7, 1));
    list.Append(Record("c:\\media\\clip.mpg", 7, 2));
    list.Append(Record("other.avi", 8, 3));

    EXPECT_EQ(list.FindByPath("C:\\MEDIA\\CLIP.mpg")->m_nSize, 1);
    EXPECT_EQ(list.FindByPid(7)->m_nSize, 1);
    EXPECT_FALSE(list.FindByPath("missing.mpg"));
    EXPECT_FALSE(list.FindByPid(9));

    // Editing or deleting either row acts on the first record.
    CMediaInfo changed = Record("c:\\media\\clip.mpg", 70, 2);
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
            list.Append(Record("w" + std::to_string(pid) + ".mpg", pid, pid * 3));
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

// "PID path" per record, for comparing whole catalogues.
std::vector<std::string> Lines(const std::vector<CMediaInfo>& records) {
    std::vector<std::string> lines;
    for (const CMediaInfo& r : records)
        lines.push_back(std::to_string(r.m_nPID) + " " + std::string(r.Path()) + " " + std::to_string(r.m_nSize));
    return lines;
}

TEST(CatalogueMerge, FoundFilesAreAddedOnceNumberedAfterTheLargestPid) {
    const struct {
        const char* what;
        std::vector<CMediaInfo> catalogue, found;
        std::optional<std::int32_t> firstPid;
        std::vector<std::string> after;
    } cases[] = {
        {"an empty catalogue starts at 10",
         {},
         {Record("/a.mpg", 0), Record("/b.mpg", 0)},
         {},
         {"10 /a.mpg 0", "11 /b.mpg 0"}},
        {"after the largest, whatever the order",
         {Record("/x.mpg", 70), Record("/y.mpg", -5), Record("/z.mpg", 12)},
         {Record("/a.mpg", 0)},
         {},
         {"70 /x.mpg 0", "-5 /y.mpg 0", "12 /z.mpg 0", "71 /a.mpg 0"}},
        {"a path catalogued in another letter case, or found twice, is not added again",
         {Record("/Films/A.MPG", 3)},
         {Record("/films/a.mpg", 0), Record("/b.mpg", 0), Record("/B.mpg", 0)},
         {},
         {"3 /Films/A.MPG 0", "10 /b.mpg 0"}},
        {"--first-pid, raised to 10", {Record("/x.mpg", 40)}, {Record("/a.mpg", 0)}, 2, {"40 /x.mpg 0", "10 /a.mpg 0"}},
        {"the largest PID there is wraps, never overflows",
         {Record("/x.mpg", 2147483647)},
         {Record("/a.mpg", 0)},
         {},
         {"2147483647 /x.mpg 0", "-2147483648 /a.mpg 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<CMediaInfo> records = c.catalogue;
        MergeFound(records, c.found, c.firstPid);
        EXPECT_EQ(Lines(records), c.after);
    }
}

TEST(CatalogueMerge, ChangesApplyToWhatTheFileHoldsNow) {
    using Kind = CatalogueChange::Kind;
    const struct {
        const char* what;
        std::vector<CMediaInfo> catalogue;
        std::vector<CatalogueChange> changes;
        std::vector<std::string> after;
    } cases[] = {
        {"an added path that another writer catalogued meanwhile is updated, its PID kept",
         {Record("/a.mpg", 33, 1)},
         {{Kind::Add, Record("/A.mpg", 0, 2), {}}, {Kind::Add, Record("/b.mpg", 0, 3), {}}},
         {"33 /A.mpg 2", "34 /b.mpg 3"}},
        {"an update of a program deleted meanwhile adds it",
         {},
         {{Kind::Update, Record("/a.mpg", 0, 2), {}}},
         {"10 /a.mpg 2"}},
        {"a move keeps PID and place",
         {Record("/a.mpg", 12, 1), Record("/b.mpg", 13, 1)},
         {{Kind::Move, Record("/c.mpg", 0, 1), "/a.mpg"}},
         {"12 /c.mpg 1", "13 /b.mpg 1"}},
        {"a move over a catalogued file takes that program's place",
         {Record("/a.mpg", 12, 1), Record("/b.mpg", 13, 1)},
         {{Kind::Move, Record("/b.mpg", 0, 1), "/a.mpg"}},
         {"12 /b.mpg 1"}},
        {"a move of a program deleted meanwhile adds it",
         {},
         {{Kind::Move, Record("/c.mpg", 0, 1), "/a.mpg"}},
         {"10 /c.mpg 1"}},
        {"removing the first of two with one path, then a path not there",
         {Record("/a.mpg", 12), Record("/A.MPG", 13), Record("/b.mpg", 14)},
         {{Kind::Remove, {}, "/a.mpg"}, {Kind::Remove, {}, "/gone.mpg"}, {Kind::Add, Record("/a.mpg", 0, 5), {}}},
         {"13 /a.mpg 5", "14 /b.mpg 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<CMediaInfo> records = c.catalogue;
        ApplyChanges(records, c.changes);
        EXPECT_EQ(Lines(records), c.after);
    }
}

} // namespace
} // namespace tarnvale
