// The list file, byte for byte: golden records, the length forms, early ends, over-long paths, and round trips;
// saving where no file can be made beside it, and the clean-up after interrupted saves.
#include "core/ListFile.h"
#include "platform/File.h"
#include "support/SaveTestSeam.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// The five integers of a record with PID 12, type 1, size 2048, extra 10240 and tail offset 0.
const Bytes kGoldenIntegers = {0x0C, 0, 0, 0, 0x01, 0, 0, 0, 0x00, 0x08, 0, 0, 0x00, 0x28, 0, 0, 0, 0, 0, 0};

CMediaInfo GoldenRecord(const std::string& path) {
    CMediaInfo record;
    EXPECT_TRUE(record.SetPath(path));
    record.m_nPID = 12;
    record.m_nType = 1;
    record.m_nSize = 2048;
    return record;
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadBytes(const std::string& path) {
    Bytes bytes;
    EXPECT_EQ(platform::ReadWholeFile(path, bytes), platform::ReadResult::Ok);
    return bytes;
}

TEST(ListFile, EmptyCatalogueIsFourZeroBytes) {
    EXPECT_EQ(EncodeListFile({}), (Bytes{0, 0, 0, 0}));
    std::vector<CMediaInfo> records;
    ListFileLoad load;
    EXPECT_TRUE(ParseListFile(Bytes{0, 0, 0, 0}, records, &load));
    EXPECT_TRUE(records.empty());
}

TEST(ListFile, GoldenRecordIsTwentyNineBytes) {
    const CMediaInfo record = GoldenRecord("C:\\a.mpg");
    const Bytes expected = Concat({{1, 0, 0, 0}, {8}, Text("C:\\a.mpg"), kGoldenIntegers});
    ASSERT_EQ(expected.size(), 4u + 29u);
    EXPECT_EQ(EncodeListFile(std::vector{record}), expected);

    std::vector<CMediaInfo> records;
    ASSERT_TRUE(ParseListFile(expected, records, nullptr));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], record);
}

TEST(ListFile, LengthForms) {
    const std::string p254(254, 'a'), p255(255, 'b');
    // A 255-character path takes the three-byte form FF FF 00.
    EXPECT_EQ(EncodeListFile(std::vector{GoldenRecord(p255)}),
              Concat({{1, 0, 0, 0}, {0xFF, 0xFF, 0x00}, Text(p255), kGoldenIntegers}));
    EXPECT_EQ(EncodeListFile(std::vector{GoldenRecord(p254)}),
              Concat({{1, 0, 0, 0}, {0xFE}, Text(p254), kGoldenIntegers}));

    // Files written elsewhere may use the longer forms for short paths too; they read the same.
    const struct {
        const char* name;
        Bytes length;
    } rows[] = {{"one byte", {5}}, {"three bytes", {0xFF, 5, 0}}, {"seven bytes", {0xFF, 0xFF, 0xFF, 5, 0, 0, 0}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<CMediaInfo> records;
        ASSERT_TRUE(
            ParseListFile(Concat({{1, 0, 0, 0}, row.length, Text("x.avi"), kGoldenIntegers}), records, nullptr));
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0], GoldenRecord("x.avi"));
    }
}

TEST(ListFile, CountOfZeroOrLessIsAnEmptyCatalogue) {
    for (std::int32_t count : {0, -1, INT32_MIN}) {
        SCOPED_TRACE(count);
        const auto u = static_cast<std::uint32_t>(count);
        Bytes bytes = {std::uint8_t(u), std::uint8_t(u >> 8), std::uint8_t(u >> 16), std::uint8_t(u >> 24)};
        // Whatever follows a count of zero or less is not read.
        bytes.insert(bytes.end(), {8, 'j', 'u', 'n', 'k'});
        std::vector<CMediaInfo> records;
        EXPECT_TRUE(ParseListFile(bytes, records, nullptr));
        EXPECT_TRUE(records.empty());
    }
}

TEST(ListFile, EarlyEndKeepsWhatWasReadAndSaysWhere) {
    const Bytes record = Concat({{8}, Text("C:\\a.mpg"), kGoldenIntegers});
    const struct {
        const char* name;
        Bytes bytes;
        std::size_t kept;
        std::int64_t failedRecord;
        std::size_t failedOffset;
    } rows[] = {
        {"empty file", {}, 0, 0, 0},
        {"three bytes", {1, 0, 0}, 0, 0, 0},
        {"count larger than the records", Concat({{3, 0, 0, 0}, record, record}), 2, 3, 62},
        {"cut inside the integers", Concat({{2, 0, 0, 0}, record, Bytes(record.begin(), record.end() - 3)}), 1, 2, 58},
        {"cut inside the path", Concat({{1, 0, 0, 0}, {8}, Text("C:\\a")}), 0, 1, 5},
        {"cut inside a long length", Concat({{1, 0, 0, 0}, {0xFF, 0xFF}}), 0, 1, 5},
        // A corrupt length must be checked against the bytes that are there, never allocated.
        {"huge length", Concat({{1, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, record}), 0, 1, 11},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<CMediaInfo> records;
        ListFileLoad load;
        EXPECT_FALSE(ParseListFile(row.bytes, records, &load));
        EXPECT_EQ(records.size(), row.kept);
        EXPECT_EQ(load.recordsLoaded, row.kept);
        EXPECT_EQ(load.failedRecord, row.failedRecord);
        EXPECT_EQ(load.failedOffset, row.failedOffset);
        EXPECT_FALSE(load.error.empty());
    }
}

TEST(ListFile, OverlongPathsAreLeftOutAndTheRestIsRead) {
    const std::string tooLong(300, 'z');
    const Bytes bytes = Concat({{3, 0, 0, 0},
                                {8},
                                Text("C:\\a.mpg"),
                                kGoldenIntegers,
                                {0xFF, 0x2C, 0x01},
                                Text(tooLong),
                                kGoldenIntegers,
                                {5},
                                Text("b.mp3"),
                                kGoldenIntegers});
    std::vector<CMediaInfo> records;
    ListFileLoad load;
    ASSERT_TRUE(ParseListFile(bytes, records, &load));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Path(), "C:\\a.mpg");
    EXPECT_EQ(records[1].Path(), "b.mp3");
    EXPECT_EQ(load.recordsSkipped, 1u);
}

TEST(ListFile, UnknownTypeCodesAndOddValuesSurvive) {
    std::vector<CMediaInfo> original;
    for (int type : {4, 255, -1}) {
        CMediaInfo record = GoldenRecord("t" + std::to_string(type) + ".mpg");
        record.m_nType = type;
        record.m_nExtra = -type;
        record.m_nTailOffset = INT32_MIN;
        original.push_back(record);
    }
    std::vector<CMediaInfo> records;
    ASSERT_TRUE(ParseListFile(EncodeListFile(original), records, nullptr));
    EXPECT_EQ(records, original);
}

TEST(ListFile, RandomCataloguesRoundTrip) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> byte(1, 255), length(0, 255), count(0, 60);
    std::uniform_int_distribution<std::int32_t> integer(INT32_MIN, INT32_MAX);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        std::vector<CMediaInfo> original(static_cast<std::size_t>(count(random)));
        for (CMediaInfo& record : original) {
            std::string path(static_cast<std::size_t>(length(random)), ' ');
            for (char& c : path)
                c = static_cast<char>(byte(random));
            ASSERT_TRUE(record.SetPath(path));
            record.m_nPID = integer(random);
            record.m_nType = integer(random);
            record.m_nSize = integer(random);
            record.m_nExtra = integer(random);
            record.m_nTailOffset = integer(random);
        }
        const Bytes bytes = EncodeListFile(original);
        std::vector<CMediaInfo> records;
        ASSERT_TRUE(ParseListFile(bytes, records, nullptr));
        ASSERT_EQ(records, original);
        // Re-encoding what was read gives the same bytes.
        ASSERT_EQ(EncodeListFile(records), bytes);
    }
}

TEST(ListFile, SaveAndLoadThroughTheFileSystem) {
    test::TempDir dir;
    const std::string path = dir.File("Tarnvale.lst");
    CMediaInfoList list;
    list.Append(GoldenRecord("C:\\a.mpg"));
    list.Append(GoldenRecord("C:\\b.avi"));
    ASSERT_TRUE(SaveListFile(path, list));
    EXPECT_EQ(ReadBytes(path).size(), 4u + 2 * 29u);

    // Saving again replaces the file whole and leaves no temporary file beside it.
    list.RemoveByPath("C:\\a.mpg");
    ASSERT_TRUE(SaveListFile(path, list));
    EXPECT_EQ(ReadBytes(path), EncodeListFile(list.Snapshot()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    // Loading replaces whatever the catalogue held.
    CMediaInfoList loaded;
    loaded.Append(GoldenRecord("stale.mpg"));
    ListFileLoad load;
    ASSERT_TRUE(LoadListFile(path, loaded, &load));
    EXPECT_EQ(loaded.Snapshot(), list.Snapshot());
    EXPECT_FALSE(load.fileMissing);
}

// Every file in dir by name.
std::vector<std::string> Entries(const test::TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ListFile, SavesInPlaceWhereNoFileCanBeMadeBesideIt) {
    test::TempDir dir;
    const std::string path = dir.File("Tarnvale.lst");
    CMediaInfoList few, many;
    few.Append(GoldenRecord("C:\\a.mpg"));
    for (int i = 0; i < 50; ++i)
        many.Append(GoldenRecord("C:\\many\\" + std::to_string(i) + ".mpg"));
    test::ScopedSaveTestSeam refuse(test::SaveTestSeam{.refuseTemporaryFile = true, .whileHeld = nullptr});
    // Longer and then shorter than what the file held: it ends where the new catalogue ends.
    for (const CMediaInfoList* list : {&few, &many, &few}) {
        SCOPED_TRACE(list->Count());
        platform::SystemError error;
        ASSERT_TRUE(SaveListFile(path, *list, &error)) << error.message;
        EXPECT_EQ(ReadBytes(path), EncodeListFile(list->Snapshot()));
        EXPECT_EQ(Entries(dir), std::vector<std::string>{"Tarnvale.lst"});
    }
    // Only when rewriting in place fails too is the save a failure, and the message names both.
    platform::SystemError error;
    EXPECT_FALSE(SaveListFile(dir.File("no-such-folder/Tarnvale.lst"), few, &error));
    EXPECT_NE(error.message.find("cannot create"), std::string::npos) << error.message;
    EXPECT_NE(error.message.find("in place"), std::string::npos) << error.message;
}

TEST(ListFile, InterruptedSavesAreRemovedButNotOneBeingWritten) {
    test::TempDir dir;
    const std::string path = dir.File("Tarnvale.lst");
    const auto leave = [&](const std::string& name) { WriteBytes(dir.File(name), {1, 2, 3}); };
    // Left by saves killed part-way, beside files that only look alike.
    leave("Tarnvale.lst.tmp.4242.77");
    leave("Tarnvale.lst.tmp.1.2");
    leave("Tarnvale.lst.tmp.notes");
    leave("Other.lst.tmp.1.2");
    CMediaInfoList list;
    list.Append(GoldenRecord("C:\\a.mpg"));
    ASSERT_TRUE(SaveListFile(path, list));
    const std::vector<std::string> unrelated = {"Other.lst.tmp.1.2", "Tarnvale.lst", "Tarnvale.lst.tmp.notes"};
    EXPECT_EQ(Entries(dir), unrelated);

    // A load cleans up too, and the save under way (here: this one, while it holds its file) is left alone.
    std::string held;
    test::ScopedSaveTestSeam watch(test::SaveTestSeam{.whileHeld = [&](const std::string& temporary) {
        held = temporary;
        leave("Tarnvale.lst.tmp.99.5");
        CMediaInfoList loaded;
        EXPECT_TRUE(LoadListFile(path, loaded));
        EXPECT_TRUE(std::filesystem::exists(temporary));
        EXPECT_FALSE(std::filesystem::exists(dir.File("Tarnvale.lst.tmp.99.5")));
    }});
    list.Append(GoldenRecord("C:\\b.mpg"));
    ASSERT_TRUE(SaveListFile(path, list));
    EXPECT_FALSE(held.empty());
    EXPECT_EQ(ReadBytes(path), EncodeListFile(list.Snapshot()));
    EXPECT_EQ(Entries(dir), unrelated);
}

TEST(ListFile, MissingFileLoadsEmptyAndTruncatedFileReportsTheFault) {
    test::TempDir dir;
    CMediaInfoList list;
    list.Append(GoldenRecord("stale.mpg"));
    ListFileLoad load;
    EXPECT_TRUE(LoadListFile(dir.File("absent.lst"), list, &load));
    EXPECT_TRUE(load.fileMissing);
    EXPECT_EQ(list.Count(), 0u);

    const std::string cut = dir.File("cut.lst");
    Bytes bytes = EncodeListFile(std::vector{GoldenRecord("C:\\a.mpg"), GoldenRecord("C:\\b.mpg")});
    bytes.resize(bytes.size() - 1);
    WriteBytes(cut, bytes);
    ListFileLoad cutLoad;
    EXPECT_FALSE(LoadListFile(cut, list, &cutLoad));
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_EQ(cutLoad.failedRecord, 2);
    EXPECT_NE(cutLoad.error.find("record 2"), std::string::npos) << cutLoad.error;
    EXPECT_NE(FailedLoadText(cut, cutLoad).find("cannot read the list file " + cut + " to its end"), std::string::npos);

    // The place of the fault: a record and its offset, the leading count by offset alone, none for a system error.
    const struct {
        std::int64_t record;
        const char* ending;
    } places[] = {{2, "what (record 2, byte offset 7)"}, {0, "what (byte offset 7)"}, {-1, "to its end: what"}};
    for (const auto& row : places) {
        SCOPED_TRACE(row.record);
        ListFileLoad failed;
        failed.failedRecord = row.record;
        failed.failedOffset = 7;
        failed.error = "what";
        const std::string text = FailedLoadText("L", failed);
        EXPECT_EQ(text.substr(text.size() - std::string(row.ending).size()), row.ending) << text;
    }

    // A list file that is there but cannot be opened says so, with the system's reason.
    const std::string folder = dir.File("folder.lst");
    std::filesystem::create_directory(folder);
    ListFileLoad folderLoad;
    EXPECT_FALSE(LoadListFile(folder, list, &folderLoad));
    EXPECT_TRUE(folderLoad.cannotOpen);
    EXPECT_FALSE(folderLoad.error.empty());
    EXPECT_EQ(FailedLoadText(folder, folderLoad).rfind("cannot open the list file " + folder + ": ", 0), 0u);
}

TEST(ListFile, UnwritableListFileIsReportedAndTheOldOneStays) {
    test::TempDir dir;
    CMediaInfoList list;
    list.Append(GoldenRecord("C:\\a.mpg"));
    platform::SystemError error;
    EXPECT_FALSE(SaveListFile(dir.File("no-such-folder/Tarnvale.lst"), list, &error));
    EXPECT_NE(error.message.find("no-such-folder"), std::string::npos) << error.message;

    // A list file that is a folder cannot be replaced: the save fails and the folder is untouched.
    const std::string folder = dir.File("taken.lst");
    std::filesystem::create_directory(folder);
    std::filesystem::create_directory(folder + "/inside");
    EXPECT_FALSE(SaveListFile(folder, list, &error));
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/inside"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

} // namespace
} // namespace tarnvale
