// One edit of the list file: saved only after a whole load and a change that asks for it, a file that cannot be read
// whole left as it is unless it is being emptied, and another writer waited for and named.
#include "core/ListFile.h"
#include "core/ListFileEdit.h"
#include "platform/File.h"
#include "support/Records.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnvale {
namespace {

using test::Record;

using Bytes = std::vector<std::uint8_t>;
using Failure = ListFileEdit::Failure;

Bytes FileBytes(const std::string& path) {
    Bytes bytes;
    platform::ReadWholeFile(path, bytes);
    return bytes;
}

TEST(ListFileEdit, SavesOnlyAfterAWholeLoadAndAChangeThatAsks) {
    const std::vector<CMediaInfo> two = {Record("/m/a.mpg", 1), Record("/m/b.mpg", 2)};
    const CMediaInfo added = Record("/m/new.mpg", 9);
    const Bytes whole = EncodeListFile(two);
    Bytes cut = whole;
    cut.resize(cut.size() - 5);
    // One record whose 300-byte path no record can hold: loading leaves it out, so saving would lose it.
    Bytes tooLong = {1, 0, 0, 0, 0xFF, 0x2C, 0x01};
    tooLong.resize(tooLong.size() + 300 + 20, 'x');
    const struct Row {
        const char* name;
        Bytes before;
        bool whole;
        bool save;
        Failure failure;
        const char* why;
        Bytes after;
    } rows[] = {
        {"a whole file changed", whole, true, true, Failure::None, "",
         EncodeListFile(std::vector{two[0], two[1], added})},
        {"a change that saves nothing", whole, true, false, Failure::None, "", whole},
        {"a file cut short", cut, true, true, Failure::Load, "cannot read the list file", cut},
        {"records too long to keep", tooLong, true, true, Failure::Load, "1 record(s) of the list file", tooLong},
        {"a file cut short, emptied", cut, false, true, Failure::None, "", EncodeListFile(std::vector{added})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        const std::string list = dir.File("Tarnvale.lst");
        ASSERT_TRUE(platform::ReplaceFileContents(list, row.before));
        const ListFileEdit edit = EditListFile(
            list, {"tarnvale test", std::chrono::milliseconds(0)},
            [&](CMediaInfoList& catalogue) {
                catalogue.Append(added);
                return row.save;
            },
            row.whole);
        EXPECT_EQ(edit.failure, row.failure);
        EXPECT_EQ(edit.saved, row.failure == Failure::None && row.save);
        EXPECT_NE(edit.why.find(row.why), std::string::npos) << edit.why;
        EXPECT_EQ(FileBytes(list), row.after);
    }
}

TEST(ListFileEdit, AnotherWriterIsWaitedForAndNamed) {
    test::TempDir dir;
    const std::string list = dir.File("Tarnvale.lst");
    const Bytes before = EncodeListFile(std::vector{Record("/m/a.mpg", 1)});
    ASSERT_TRUE(platform::ReplaceFileContents(list, before));
    platform::FileLock watch;
    ASSERT_TRUE(watch.Acquire(list, "tarnvale watch", std::chrono::milliseconds(0)));
    std::vector<std::string> told;
    bool changed = false;
    const ListFileEdit edit = EditListFile(
        list, {"tarnvale add", std::chrono::milliseconds(50), [&](const std::string& text) { told.push_back(text); }},
        [&](CMediaInfoList&) { return changed = true; });
    EXPECT_EQ(edit.failure, Failure::Lock);
    EXPECT_FALSE(changed);
    const std::string beingChanged = "the list file " + list + " is being changed by tarnvale watch (process ";
    EXPECT_EQ(edit.why.rfind(beingChanged, 0), 0u) << edit.why;
    EXPECT_NE(edit.why.find("; waited 0 s"), std::string::npos) << edit.why;
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].rfind(beingChanged, 0), 0u) << told[0];
    EXPECT_EQ(FileBytes(list), before);

    watch.Release();
    EXPECT_TRUE(EditListFile(list, {"tarnvale add"}, [](CMediaInfoList&) { return true; }));
}

} // namespace
} // namespace tarnvale
