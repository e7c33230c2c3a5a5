// Merging into what the list file holds now: what a search found, numbered after the largest PID, and a watch's
// batch of changes.
#include "core/CatalogueMerge.h"
#include "support/Records.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

using test::Record;

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
         {Record("/a.mpg", 33, 0, 1)},
         {{Kind::Add, Record("/A.mpg", 0, 0, 2), {}}, {Kind::Add, Record("/b.mpg", 0, 0, 3), {}}},
         {"33 /A.mpg 2", "34 /b.mpg 3"}},
        {"an update of a program deleted meanwhile adds it",
         {},
         {{Kind::Update, Record("/a.mpg", 0, 0, 2), {}}},
         {"10 /a.mpg 2"}},
        {"a move keeps PID and place",
         {Record("/a.mpg", 12, 0, 1), Record("/b.mpg", 13, 0, 1)},
         {{Kind::Move, Record("/c.mpg", 0, 0, 1), "/a.mpg"}},
         {"12 /c.mpg 1", "13 /b.mpg 1"}},
        {"a move over a catalogued file takes that program's place",
         {Record("/a.mpg", 12, 0, 1), Record("/b.mpg", 13, 0, 1)},
         {{Kind::Move, Record("/b.mpg", 0, 0, 1), "/a.mpg"}},
         {"12 /b.mpg 1"}},
        {"a move of a program deleted meanwhile adds it",
         {},
         {{Kind::Move, Record("/c.mpg", 0, 0, 1), "/a.mpg"}},
         {"10 /c.mpg 1"}},
        {"removing the first of two with one path, then a path not there",
         {Record("/a.mpg", 12), Record("/A.MPG", 13), Record("/b.mpg", 14)},
         {{Kind::Remove, {}, "/a.mpg"}, {Kind::Remove, {}, "/gone.mpg"}, {Kind::Add, Record("/a.mpg", 0, 0, 5), {}}},
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
