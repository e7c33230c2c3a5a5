// CMediaInfo: defaults, copying, the path field and the wire image.
#include "core/MediaInfo.h"
#include "core/MediaType.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tarnvale {
namespace {

TEST(MediaInfo, FreshRecordHasTheDefaults) {
    CMediaInfo record;
    EXPECT_EQ(record.Path(), "");
    EXPECT_EQ(record.m_nPID, 0);
    EXPECT_EQ(record.m_nType, MEDIA_MPEG1);
    EXPECT_EQ(record.m_nSize, 0);
    EXPECT_EQ(record.m_nExtra, 10240);
    EXPECT_EQ(record.m_nTailOffset, 0);
    EXPECT_STREQ(MediaTypeText(record.m_nType), "MPEG1");
}

TEST(MediaInfo, TypeTexts) {
    const struct {
        int type;
        const char* text;
    } rows[] = {{0, "MPEG1"}, {1, "MPEG2"}, {2, "AVI"}, {3, "MP3"}, {4, "Unknown"}, {255, "Unknown"}, {-1, "Unknown"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        EXPECT_STREQ(MediaTypeText(row.type), row.text);
    }
}

TEST(MediaInfo, CopyTakesThePathAndAllIntegers) {
    CMediaInfo original;
    ASSERT_TRUE(original.SetPath("C:\\media\\clip.avi"));
    original.m_nPID = -7;
    original.m_nType = 2;
    original.m_nSize = 123456;
    original.m_nExtra = 99;
    original.m_nTailOffset = 4000;

    CMediaInfo copy(original);
    EXPECT_EQ(copy, original);

    CMediaInfo assigned;
    ASSERT_TRUE(assigned.SetPath("a much longer path that the shorter one must fully replace.mpg"));
    assigned = original;
    EXPECT_EQ(assigned, original);
    EXPECT_EQ(assigned.m_szFile[original.Path().size()], '\0');
}

TEST(MediaInfo, PathsOverTheFieldAreRefusedNotCut) {
    CMediaInfo record;
    ASSERT_TRUE(record.SetPath("keep.mpg"));
    EXPECT_TRUE(record.SetPath(std::string(255, 'x')));
    EXPECT_EQ(record.Path().size(), 255u);
    EXPECT_FALSE(record.SetPath(std::string(256, 'y')));
    EXPECT_EQ(record.Path(), std::string(255, 'x'));
    EXPECT_FALSE(record.SetPath(std::string("a\0b", 3)));
}

TEST(MediaInfo, ProgramEntryCutsThePathAtHundredBytes) {
    const struct {
        std::size_t length;
        bool terminated;
    } rows[] = {{0, true}, {12, true}, {99, true}, {100, false}, {101, false}, {255, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.length);
        CMediaInfo record;
        ASSERT_TRUE(record.SetPath(std::string(row.length, 'p')));
        record.m_nPID = 12;
        record.m_nType = 1;
        record.m_nSize = 2048;
        record.m_nTailOffset = -3;
        ProgramEntry entry;
        std::memset(entry.szFile, 0x5A, sizeof entry.szFile); // whatever was there before must not leak through
        record.FillProgramEntry(entry);
        const std::size_t kept = std::min<std::size_t>(row.length, 100);
        EXPECT_EQ(std::string(entry.szFile, kept), std::string(kept, 'p'));
        for (std::size_t i = kept; i < 100; ++i)
            ASSERT_EQ(entry.szFile[i], 0) << "byte " << i;
        EXPECT_EQ(std::memchr(entry.szFile, 0, 100) != nullptr, row.terminated);
        EXPECT_EQ(entry.nPID, 12);
        EXPECT_EQ(entry.nType, 1);
        EXPECT_EQ(entry.nSize, 2048);
        EXPECT_EQ(entry.nExtra, 10240);
        EXPECT_EQ(entry.nTailOffset, -3);
    }
}

} // namespace
} // namespace tarnvale
