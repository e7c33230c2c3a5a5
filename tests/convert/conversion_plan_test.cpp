// The plan: segments that cover the program exactly, a playlist players accept, the prober's report read as it
// comes, and converter arguments that start where asked and keep timestamps going on.
#include "convert/ConversionPlan.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

namespace tarnvale {
namespace {

TEST(ConversionPlan, SegmentsCoverTheWholeProgramAndNothingMore) {
    struct Row {
        std::uint64_t durationMs;
        std::uint32_t segments;
        std::string lastLength;
        std::uint64_t playedMs;
    };
    // A last stretch under a quarter second is left out: no frame may start in it.
    const Row rows[] = {
        {1, 1, "0.001", 1},          {3999, 1, "3.999", 3999},    {4000, 1, "4.000", 4000},
        {4001, 1, "4.000", 4000},    {4250, 2, "0.250", 4250},    {24006, 6, "4.000", 24000},
        {60040, 15, "4.000", 60000}, {61000, 16, "1.000", 61000}, {7'200'000, 1800, "4.000", 7'200'000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.durationMs);
        EXPECT_EQ(SegmentCount(row.durationMs), row.segments);
        const std::string playlist = VodPlaylist(row.durationMs);
        // Every segment named, in order, each as long as the stretch it covers: the player's length is the program's.
        std::istringstream lines(playlist);
        std::uint32_t named = 0;
        std::uint64_t totalMs = 0;
        std::string line, last;
        for (std::string previous; std::getline(lines, line); previous = line) {
            if (line.starts_with("#EXTINF:")) {
                last = line.substr(8, line.size() - 9);
                totalMs += static_cast<std::uint64_t>(std::stod(last) * 1000 + 0.5);
            } else if (!line.starts_with("#")) {
                EXPECT_EQ(line, std::to_string(named) + ".ts");
                EXPECT_TRUE(previous.starts_with("#EXTINF:"));
                ++named;
            }
        }
        EXPECT_EQ(named, row.segments);
        EXPECT_EQ(totalMs, row.playedMs);
        EXPECT_EQ(last, row.lastLength);
        EXPECT_TRUE(playlist.starts_with("#EXTM3U\n"));
        EXPECT_NE(playlist.find("#EXT-X-PLAYLIST-TYPE:VOD\n"), std::string::npos);
        EXPECT_NE(playlist.find("#EXT-X-TARGETDURATION:4\n"), std::string::npos);
        EXPECT_TRUE(playlist.ends_with("#EXT-X-ENDLIST\n"));
    }
}

TEST(ConversionPlan, ReadsTheProbersReport) {
    struct Row {
        const char* name;
        std::string report;
        bool read;
        SourceStreams streams;
    };
    const Row rows[] = {
        {"avi",
         "index=0\ncodec_name=mpeg4\ncodec_type=video\nindex=1\ncodec_name=mp3\ncodec_type=audio\nchannels=2\n"
         "duration=60.040000\n",
         true,
         {60040, "mpeg4", "mp3", 2}},
        {"dvd with a navigation stream first, CRLF",
         "index=0\r\ncodec_name=dvd_nav_packet\r\ncodec_type=data\r\nindex=1\r\ncodec_name=mpeg2video\r\n"
         "codec_type=video\r\nindex=2\r\ncodec_name=ac3\r\ncodec_type=audio\r\nchannels=6\r\nduration=5400.5\r\n",
         true,
         {5400500, "mpeg2video", "ac3", 6}},
        {"second video and audio streams ignored",
         "index=0\ncodec_name=mpeg1video\ncodec_type=video\nindex=1\ncodec_name=h264\ncodec_type=video\n"
         "index=2\ncodec_name=aac\ncodec_type=audio\nchannels=1\nindex=3\ncodec_name=mp2\ncodec_type=audio\n"
         "channels=2\nduration=12\n",
         true,
         {12000, "mpeg1video", "aac", 1}},
        {"no audio",
         "index=0\ncodec_name=mpeg2video\ncodec_type=video\nduration=1.5\n",
         true,
         {1500, "mpeg2video", "", 0}},
        {"no video", "index=0\ncodec_name=mp3\ncodec_type=audio\nchannels=2\nduration=60.0\n", false, {}},
        {"no length", "index=0\ncodec_name=mpeg4\ncodec_type=video\nduration=N/A\n", false, {}},
        {"negative length", "index=0\ncodec_name=mpeg4\ncodec_type=video\nduration=-3.0\n", false, {}},
        {"nothing", "", false, {}},
        {"garbage", "\n\n====\nindex\nduration=\n\xff\xfe", false, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<SourceStreams> streams = ReadProbeReport(row.report);
        ASSERT_EQ(streams.has_value(), row.read);
        if (!streams)
            continue;
        EXPECT_EQ(streams->durationMs, row.streams.durationMs);
        EXPECT_EQ(streams->video, row.streams.video);
        EXPECT_EQ(streams->audio, row.streams.audio);
        EXPECT_EQ(streams->audioChannels, row.streams.audioChannels);
    }
}

// The value after an option, or "" when the option is not there.
std::string After(const std::vector<std::string>& arguments, const std::string& option) {
    const auto found = std::find(arguments.begin(), arguments.end(), option);
    return found == arguments.end() || found + 1 == arguments.end() ? "" : *(found + 1);
}

TEST(ConversionPlan, ConverterStartsWhereAskedAndCopiesOnlyWhatFits) {
    struct Row {
        const char* name;
        SourceStreams streams;
        std::uint32_t first;
        std::string seek, audioCodec;
    };
    const Row rows[] = {
        {"from the start, MP2 converted", {60000, "mpeg2video", "mp2", 2}, 0, "", "aac"},
        {"from segment 15, AAC copied", {90000, "mpeg4", "aac", 2}, 15, "60.000", "copy"},
        {"no audio", {90000, "mpeg1video", "", 0}, 3, "12.000", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto arguments = ConverterArguments("ffmpeg", "-odd name.avi", row.streams, row.first, "/cache/run-1");
        EXPECT_EQ(arguments.front(), "ffmpeg");
        EXPECT_EQ(arguments.back(), "/cache/run-1/%d.ts");
        // A name like an option or a protocol is still a file.
        EXPECT_EQ(After(arguments, "-i"), "file:-odd name.avi");
        // The seek is an input option, before -i, or it would decode the whole start of the program.
        const auto seek = std::find(arguments.begin(), arguments.end(), "-ss");
        EXPECT_EQ(After(arguments, "-ss"), row.seek);
        if (seek != arguments.end()) {
            EXPECT_LT(seek, std::find(arguments.begin(), arguments.end(), "-i"));
        }
        EXPECT_EQ(After(arguments, "-initial_offset"), row.seek.empty() ? "0.000" : row.seek);
        EXPECT_EQ(After(arguments, "-segment_start_number"), std::to_string(row.first));
        EXPECT_EQ(After(arguments, "-c:v"), "libx264");
        EXPECT_EQ(After(arguments, "-preset"), "veryfast");
        EXPECT_EQ(After(arguments, "-force_key_frames"), "expr:gte(t,n_forced*4.000)");
        EXPECT_EQ(After(arguments, "-segment_time"), "4.000");
        EXPECT_EQ(After(arguments, "-c:a"), row.audioCodec);
        EXPECT_EQ(std::count(arguments.begin(), arguments.end(), "0:a:0"), row.audioCodec.empty() ? 0 : 1);
    }
}

TEST(ConversionPlan, FinishedSegmentsAreReadFromTheListLines) {
    const std::pair<std::string, std::optional<std::uint32_t>> rows[] = {
        {"0.ts,0.000000,4.080000", 0u},      {"15.ts,20.080000,20.120000", 15u}, {"7.ts", std::nullopt},
        {"x.ts,1,2", std::nullopt},          {"-1.ts,0,4", std::nullopt},        {"", std::nullopt},
        {"99999999999.ts,0,4", std::nullopt}};
    for (const auto& [line, k] : rows) {
        SCOPED_TRACE(line);
        EXPECT_EQ(FinishedSegment(line), k);
    }
}

TEST(ConversionPlan, ReadsTheTimeSeekRangesTvsSend) {
    struct Row {
        std::string text;
        bool read;
        std::uint64_t startMs;
        std::optional<std::uint64_t> endMs;
    };
    const Row rows[] = {
        {"npt=0-", true, 0, std::nullopt},
        {"npt=83.5-", true, 83500, std::nullopt},
        {"npt=10.000-20.250", true, 10000, 20250},
        {" npt=0:01:02.5-1:00:00", true, 62500, 3600000},
        {"npt=01:02-", true, 62000, std::nullopt},
        {"npt=0:60:00-", false, 0, std::nullopt},
        {"npt=0:00:60-", false, 0, std::nullopt},
        {"npt=20-10", false, 0, std::nullopt},
        {"npt=now-", false, 0, std::nullopt},
        {"npt=-5", false, 0, std::nullopt},
        {"npt=+5-", false, 0, std::nullopt},
        {"bytes=0-100", false, 0, std::nullopt},
        {"npt=5", false, 0, std::nullopt},
        {"npt=1:2:3:4-", false, 0, std::nullopt},
        {"", false, 0, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const std::optional<NptRange> range = ReadNptRange(row.text);
        ASSERT_EQ(range.has_value(), row.read);
        if (!range)
            continue;
        EXPECT_EQ(range->startMs, row.startMs);
        EXPECT_EQ(range->endMs, row.endMs);
    }
    EXPECT_EQ(NptTime(83500), "83.500");
}

TEST(ConversionPlan, AnyChangeToTheFileChangesItsIdentity) {
    const platform::FileStatus base{platform::FileStatus::State::Found, 1000, 1733650000123456789, 2049, 777, false};
    const std::string identity = FileIdentity(base);
    EXPECT_EQ(identity.size(), 16u);
    EXPECT_EQ(FileIdentity(base), identity);
    platform::FileStatus changed[4] = {base, base, base, base};
    changed[0].size += 1;
    changed[1].modified += 1;
    changed[2].volume += 1;
    changed[3].file += 1;
    for (const auto& status : changed)
        EXPECT_NE(FileIdentity(status), identity);
}

} // namespace
} // namespace tarnvale
