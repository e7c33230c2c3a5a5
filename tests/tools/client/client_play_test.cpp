// tarnvale-client play against a command service on 127.0.0.1: the copy it writes is the served file itself (the
// tail block that leads the stream left out), --raw keeps the stream as sent, and a player reading the piped
// output finds the program's streams.
#include "media/MediaProbe.h"
#include "net/NetTestSupport.h"
#include "support/MediaFixtures.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace tarnvale::test {
namespace {

class ClientPlay : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(harness.Start()); }

    // Probes path as the catalogue tool would and serves it under pid.
    CMediaInfo Serve(const std::string& path, std::int32_t pid) {
        CMediaInfo record;
        EXPECT_TRUE(SetFile(record, path.c_str(), [](const char*) {})) << path;
        record.m_nPID = pid;
        harness.catalogue.Append(record);
        return record;
    }
    // An MPEG-2 program stream over 1 MiB, so that it has a tail block: the fixture repeated (a program stream
    // may be cut and joined at pack boundaries).
    std::string LongMpeg2() {
        const Bytes piece = ReadBytes(FixturePath("mpeg2-program.vob"));
        Bytes whole;
        while (whole.size() <= 1024 * 1024)
            whole.insert(whole.end(), piece.begin(), piece.end());
        const std::string path = dir.File("long.vob");
        WriteBytes(path, whole);
        return path;
    }
    std::string Client() const {
        return Quote(TARNVALE_CLIENT) + " --port " + std::to_string(harness.Address().port) + " --timeout 20 ";
    }

    ServerHarness harness;
    TempDir dir;
};

TEST_F(ClientPlay, TheCopyIsTheServedFileAndRawIsTheStream) {
    const struct {
        std::string path;
        bool raw;
    } rows[] = {
        {FixturePath("clip.avi"), false},
        {LongMpeg2(), false},
        {FixturePath("tone.mp3"), false},
        {FixturePath("clip.avi"), true},
    };
    std::int32_t pid = 10;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path + (row.raw ? " --raw" : ""));
        const CMediaInfo record = Serve(row.path, ++pid);
        const Bytes served = ReadBytes(row.path);
        const std::string copy = dir.File("copy-" + std::to_string(pid));
        const Ran play =
            RunCommand(Client() + "play " + std::to_string(pid) + (row.raw ? " --raw" : "") + " --out " + Quote(copy));
        ASSERT_EQ(play.code, 0) << play.out;
        Bytes expected = served;
        if (row.raw)
            expected.insert(expected.begin(), served.begin() + record.m_nTailOffset, served.end());
        else if (row.path.ends_with(".mp3"))
            EXPECT_EQ(record.m_nTailOffset, 0);
        else
            EXPECT_GT(record.m_nTailOffset, 0) << "the row must have a tail block to leave out";
        EXPECT_TRUE(ReadBytes(copy) == expected) << "the copy differs from what was served";
    }
}

// The piped output starts where the file does, so a player reading standard output finds its streams at once.
TEST_F(ClientPlay, APlayerReadsThePipedOutput) {
    if (RunCommand("command -v ffprobe").code != 0)
        GTEST_SKIP() << "ffprobe is missing; install Debian's ffmpeg package to run this test";
    const struct {
        std::string path;
        std::vector<std::string> codecs;
    } rows[] = {
        {FixturePath("clip.avi"), {"mjpeg", "pcm_u8"}},
        {LongMpeg2(), {"mpeg2video", "mp2"}},
    };
    std::int32_t pid = 20;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        Serve(row.path, ++pid);
        const Ran probe = RunCommand(Client() + "play " + std::to_string(pid) +
                                     " --out - 2>/dev/null | ffprobe -v error -show_entries stream=codec_name "
                                     "-of csv=p=0 -");
        EXPECT_EQ(probe.code, 0) << probe.out;
        // One line per stream, the codec's name first (side data may follow it after a comma).
        std::vector<std::string> found;
        for (std::istringstream lines(probe.out); std::getline(lines, found.emplace_back());)
            found.back() = found.back().substr(0, found.back().find(','));
        for (const std::string& codec : row.codecs)
            EXPECT_NE(std::find(found.begin(), found.end(), codec), found.end()) << codec << " not in:\n" << probe.out;
    }
}

} // namespace
} // namespace tarnvale::test
