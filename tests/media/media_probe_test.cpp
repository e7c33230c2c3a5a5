// Type detection on real files: the encoder's files, the extension rules, MPEG-2 tail offsets, and the files and
// paths that must be refused with a message.
#include "core/MediaType.h"
#include "media/MediaProbe.h"
#include "support/MediaFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tarnvale {
namespace {

// Collects what the probe tells the operator.
struct Messages {
    std::vector<std::string> said;
    OperatorMessage Hook() {
        return [this](const char* text) { said.emplace_back(text); };
    }
};

TEST(MediaProbeTest, ProbesTheEncodersFiles) {
    const auto fixtures = test::MediaFixtures();
    ASSERT_EQ(fixtures.size(), 7u);
    for (const test::MediaFixture& f : fixtures) {
        SCOPED_TRACE(f.name);
        const std::string path = test::FixturePath(f.name);
        Messages messages;
        CMediaInfo record;
        record.m_nPID = 77;
        ASSERT_TRUE(SetFile(record, path.c_str(), messages.Hook()));
        EXPECT_TRUE(messages.said.empty());
        EXPECT_EQ(record.Path(), path);
        EXPECT_EQ(record.m_nType, f.type) << MediaTypeText(record.m_nType);
        EXPECT_EQ(record.m_nSize, static_cast<std::int32_t>(std::filesystem::file_size(path)));
        EXPECT_EQ(record.m_nTailOffset, f.tailOffset);
        EXPECT_EQ(record.m_nPID, 77);
        EXPECT_EQ(record.m_nExtra, kDefaultExtra);
    }
}

TEST(MediaProbeTest, ExtensionDecidesTheFamilyWhateverItsCase) {
    test::TempDir dir;
    const auto mpeg1 = test::ReadBytes(test::FixturePath("mpeg1-system.mpg"));
    const auto avi = test::ReadBytes(test::FixturePath("clip.avi"));
    std::filesystem::create_directory(dir.Path() / "video.files");
    const struct {
        const char* name;
        const std::vector<std::uint8_t>& bytes;
        bool accepted;
        std::int32_t type;
    } cases[] = {
        {"clip.MPG", mpeg1, true, MEDIA_MPEG1},
        {"clip.Mpeg", mpeg1, true, MEDIA_MPEG1},
        {"clip.VoB", mpeg1, true, MEDIA_MPEG1},
        {"clip.AVI", avi, true, MEDIA_AVI},
        {"song.mp3", avi, true, MEDIA_MP3}, // an MP3 file's contents are not read
        {"movie.mpeg4", mpeg1, false, 0},
        {"song_mp3", mpeg1, false, 0},
        {"video.files/clip", mpeg1, false, 0}, // the last dot is in a folder's name
        {"clip.", mpeg1, false, 0},
        {"clip.txt", mpeg1, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name);
        test::WriteBytes(path, c.bytes);
        Messages messages;
        CMediaInfo record;
        record.SetPath("earlier");
        EXPECT_EQ(SetFile(record, path.c_str(), messages.Hook()), c.accepted);
        EXPECT_EQ(record.m_nSize, static_cast<std::int32_t>(c.bytes.size()));
        if (c.accepted) {
            EXPECT_TRUE(messages.said.empty());
            EXPECT_EQ(record.Path(), path);
            EXPECT_EQ(record.m_nType, c.type);
        } else {
            EXPECT_EQ(messages.said, std::vector<std::string>{kUnsupportedFileMessage});
            EXPECT_EQ(record.Path(), "earlier");
        }
    }
}

TEST(MediaProbeTest, MpegTwoTailIsTheLastMebibyte) {
    test::TempDir dir;
    const auto vob = test::ReadBytes(test::FixturePath("mpeg2-program.vob"));
    const struct {
        std::size_t size;
        std::int32_t tail;
    } cases[] = {{5 * 1048576, 4194304}, {300 * 1024, 300 * 1024 - 1048576}, {1048576, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        auto bytes = vob;
        bytes.resize(c.size, 0);
        test::WriteBytes(dir.File("padded.vob"), bytes);
        CMediaInfo record;
        ASSERT_TRUE(DetectType(record, dir.File("padded.vob").c_str(), nullptr));
        EXPECT_EQ(record.m_nType, MEDIA_MPEG2);
        EXPECT_EQ(record.m_nTailOffset, c.tail);
    }
}

TEST(MediaProbeTest, MissingFilesKeepTheRecordsEarlierType) {
    test::TempDir dir;
    CMediaInfo avi;
    avi.m_nType = MEDIA_MP3;
    avi.m_nSize = 5;
    EXPECT_TRUE(DetectType(avi, dir.File("gone.avi").c_str(), nullptr));
    EXPECT_EQ(avi.m_nSize, 0);
    EXPECT_EQ(avi.m_nType, MEDIA_MP3);
    EXPECT_EQ(avi.m_nTailOffset, 0);

    // No MPEG-1 parser accepts a file that is not there.
    CMediaInfo mpg;
    EXPECT_TRUE(DetectType(mpg, dir.File("gone.mpg").c_str(), nullptr));
    EXPECT_EQ(mpg.m_nType, MEDIA_MPEG2);
    EXPECT_EQ(mpg.m_nTailOffset, -1048576);
}

TEST(MediaProbeTest, RefusesPathsThatDoNotFitTheRecord) {
    test::TempDir dir;
    const std::string folder = dir.Path().string();
    const auto mp3 = test::ReadBytes(test::FixturePath("tone.mp3"));
    for (std::size_t length : {kMaxPathBytes, kMaxPathBytes + 1, kMaxPathBytes + 4}) {
        SCOPED_TRACE(length);
        const std::string path = folder + "/" + std::string(length - folder.size() - 5, 'n') + ".mp3";
        ASSERT_EQ(path.size(), length);
        test::WriteBytes(path, mp3);
        Messages messages;
        CMediaInfo record;
        record.SetPath("earlier");
        const bool fits = length <= kMaxPathBytes;
        EXPECT_EQ(SetFile(record, path.c_str(), messages.Hook()), fits);
        EXPECT_EQ(record.Path(), fits ? path : "earlier");
        EXPECT_EQ(messages.said.size(), fits ? 0u : 1u);
        if (!fits) {
            EXPECT_EQ(messages.said[0], kPathTooLongMessage);
        }
    }
}

TEST(MediaProbeTest, RefusesFilesOfTwoGibibytesOrMore) {
    test::TempDir dir;
    const struct {
        const char* name;
        std::uintmax_t size;
        bool accepted;
        const char* message;
    } cases[] = {
        {"largest.mpg", 0x7FFFFFFF, true, nullptr},
        {"big.mpg", 0x80000000, false, kFileTooLargeMessage},
        {"big.avi", 0x100000010, false, kFileTooLargeMessage},
        {"big.txt", 0x80000000, false, kUnsupportedFileMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name);
        test::WriteBytes(path, {});
        std::filesystem::resize_file(path, c.size); // sparse: no disk space used
        Messages messages;
        CMediaInfo record;
        EXPECT_EQ(SetFile(record, path.c_str(), messages.Hook()), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(record.m_nSize, 0x7FFFFFFF);
            EXPECT_EQ(record.m_nTailOffset, 0x7FFFFFFF - 1048576);
        } else {
            EXPECT_EQ(messages.said, std::vector<std::string>{c.message});
            EXPECT_EQ(record.m_nSize, 0);
        }
        std::filesystem::remove(path);
    }
}

} // namespace
} // namespace tarnvale
