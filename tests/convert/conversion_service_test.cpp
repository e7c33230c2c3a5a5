// The conversion service with Debian's ffmpeg on real programs: segments that play and follow each other, one run
// shared by its viewers, a bound on runs, and a converter that hangs, is killed or is idle ended without harm.
#include "convert/ConversionService.h"

#include "support/ConvertPrograms.h"
#include "support/Poll.h"
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <sstream>

namespace tarnvale {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The programs are made once for the whole run of this file.
const test::TempDir& Programs() {
    static test::TempDir dir;
    static const bool made = [] {
        return test::MakeProgram(dir.File("mpeg2.mpg"), test::ProgramKind::Mpeg2, 24) &&
               test::MakeProgram(dir.File("xvid.avi"), test::ProgramKind::Avi, 24) &&
               test::MakeProgram(dir.File("mpeg1.mpg"), test::ProgramKind::Mpeg1, 24);
    }();
    EXPECT_TRUE(made);
    return dir;
}

ConversionSource Source(std::int32_t pid, const std::string& path) {
    return {pid, path, FileIdentity(platform::LookAtFile(path))};
}

struct Packet {
    std::string type;
    double pts = 0, duration = 0;
    bool key = false;
};

// The packets of a segment as ffprobe reads them, in file order.
std::vector<Packet> Packets(const std::string& file) {
    const test::Ran ran = test::RunCommand("ffprobe -v error -show_entries packet=codec_type,pts_time,duration_time,"
                                           "flags -of csv=p=0 " +
                                           test::Quote(file));
    std::vector<Packet> packets;
    std::istringstream lines(ran.out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        Packet packet;
        std::string pts, duration, flags;
        std::getline(fields, packet.type, ',');
        std::getline(fields, pts, ',');
        std::getline(fields, duration, ',');
        std::getline(fields, flags, ',');
        if (pts.empty() || pts == "N/A")
            continue;
        packet.pts = std::stod(pts);
        packet.duration = duration.empty() || duration == "N/A" ? 0 : std::stod(duration);
        packet.key = flags.find('K') != std::string::npos;
        packets.push_back(packet);
    }
    return packets;
}

std::string Codecs(const std::string& file) {
    return test::RunCommand("ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 " +
                            test::Quote(file))
        .out;
}

// The first and the end of a stream's timestamps in a segment.
std::pair<double, double> Span(const std::vector<Packet>& packets, const std::string& type) {
    double first = 1e9, end = 0;
    for (const Packet& packet : packets)
        if (packet.type == type) {
            first = std::min(first, packet.pts);
            end = std::max(end, packet.pts + packet.duration);
        }
    return {first, end};
}

class ConversionServiceTest : public ::testing::Test {
protected:
    ConversionSettings Settings() {
        ConversionSettings settings;
        settings.cacheFolder = cacheDir_.File("cache");
        settings.roomForRun = 0;
        settings.verbose = true;
        settings.log = [this](const std::string& line) {
            std::lock_guard lock(logMutex_);
            log_.push_back(line);
        };
        return settings;
    }
    std::size_t LogLines(const std::string& part) {
        std::lock_guard lock(logMutex_);
        return static_cast<std::size_t>(
            std::count_if(log_.begin(), log_.end(), [&](const std::string& line) { return line.find(part) == 0; }));
    }
    std::string Log() {
        std::lock_guard lock(logMutex_);
        std::string all;
        for (const std::string& line : log_)
            all += line + "\n";
        return all;
    }

    test::TempDir cacheDir_;
    std::mutex logMutex_;
    std::vector<std::string> log_;
};

TEST_F(ConversionServiceTest, SegmentsAreH264AndAacAndFollowEachOtherAcrossRuns) {
    for (const char* name : {"mpeg2.mpg", "xvid.avi", "mpeg1.mpg"}) {
        SCOPED_TRACE(name);
        {
            std::lock_guard lock(logMutex_);
            log_.clear();
        }
        ConversionService service(Settings());
        std::string error;
        ASSERT_TRUE(service.Start(error)) << error;
        const ConversionSource source = Source(1, Programs().File(name));
        const std::optional<SourceStreams> streams = service.Probe(source, error);
        ASSERT_TRUE(streams) << error;
        EXPECT_NEAR(static_cast<double>(streams->durationMs), 24000, 200);
        // A muxer's last packet may reach a little past 24 s: a short seventh segment.
        const std::uint32_t count = SegmentCount(streams->durationMs);
        ASSERT_GE(count, 6u);

        // Segment 3 first (a viewer who seeks), then 0 to 2 from another run: their seams must not show.
        std::vector<std::vector<Packet>> segments(4);
        for (std::uint32_t k : {3u, 0u, 1u, 2u}) {
            const SegmentResult result = service.Segment(source, k);
            ASSERT_EQ(result.kind, SegmentResult::Kind::Ready) << result.reason << "\n" << Log();
            // The program's list of streams may follow: the streams themselves come first.
            EXPECT_TRUE(Codecs(result.file).starts_with("h264,320,240\naac\n")) << Codecs(result.file);
            segments[k] = Packets(result.file);
            ASSERT_FALSE(segments[k].empty());
            // Each segment opens on a key frame, so a player may start at any of them.
            const auto video = std::find_if(segments[k].begin(), segments[k].end(),
                                            [](const Packet& packet) { return packet.type == "video"; });
            ASSERT_NE(video, segments[k].end());
            EXPECT_TRUE(video->key) << "segment " << k;
        }
        EXPECT_EQ(LogLines("conversion seek: PID 1 from 0:00:12"), 1u) << Log();
        EXPECT_EQ(LogLines("conversion started: PID 1 from 0:00:00"), 1u) << Log();
        // The second run stops where the first one's segments are: nothing is made twice.
        EXPECT_TRUE(test::PollUntil([&] { return service.Running() == 0; }, 20s)) << Log();
        EXPECT_EQ(LogLines("conversion ended: PID 1, segments 0 to 3 "), 1u) << Log();
        for (std::uint32_t k = 1; k < 4; ++k) {
            SCOPED_TRACE("segment " + std::to_string(k));
            const auto [videoStart, videoEnd] = Span(segments[k - 1], "video");
            const auto [nextVideo, ignoredVideo] = Span(segments[k], "video");
            const auto [audioStart, audioEnd] = Span(segments[k - 1], "audio");
            const auto [nextAudio, ignoredAudio] = Span(segments[k], "audio");
            // Fixed stretches: 4 s apart, whichever run made them; no gap or overlap a viewer would notice.
            EXPECT_NEAR(nextVideo - videoStart, 4.0, 0.001);
            EXPECT_NEAR(nextVideo, videoEnd, 0.041);
            EXPECT_NEAR(nextAudio, audioEnd, 0.1);
            (void)audioStart;
            (void)ignoredVideo;
            (void)ignoredAudio;
        }
        EXPECT_EQ(service.Segment(source, count).kind, SegmentResult::Kind::PastEnd);
        EXPECT_EQ(service.Segment(source, 4000000000u).kind, SegmentResult::Kind::PastEnd);
    }
}

TEST_F(ConversionServiceTest, ViewersOfOneProgramShareOneRunAndItsSegments) {
    ConversionService service(Settings());
    std::string error;
    ASSERT_TRUE(service.Start(error)) << error;
    const ConversionSource source = Source(2, Programs().File("mpeg2.mpg"));
    std::vector<std::future<SegmentResult>> viewers;
    // Segment 1 six times at once: whoever comes first starts the run, and the others wait for it.
    for (int i = 0; i < 6; ++i)
        viewers.push_back(std::async(std::launch::async, [&service, &source, i] {
            (void)i;
            return service.Segment(source, 1);
        }));
    for (auto& viewer : viewers) {
        const SegmentResult result = viewer.get();
        EXPECT_EQ(result.kind, SegmentResult::Kind::Ready) << result.reason;
    }
    // Playing on, the viewers are answered by the same run.
    for (std::uint32_t k = 2; k < 4; ++k)
        EXPECT_EQ(service.Segment(source, k).kind, SegmentResult::Kind::Ready);
    EXPECT_EQ(LogLines("conversion seek"), 1u) << Log();
    EXPECT_EQ(LogLines("conversion started"), 0u) << Log();
}

TEST_F(ConversionServiceTest, BeyondTheLimitARequestIsRefusedAndAnIdleRunStops) {
    ConversionSettings settings = Settings();
    settings.maxRuns = 1;
    settings.lead = 1; // held early, so that the run is still there when the second program is asked for
    settings.idle = 3s;
    ConversionService service(settings);
    std::string error;
    ASSERT_TRUE(service.Start(error)) << error;
    const SegmentResult first = service.Segment(Source(1, Programs().File("mpeg2.mpg")), 0);
    ASSERT_EQ(first.kind, SegmentResult::Kind::Ready) << first.reason;
    const SegmentResult refused = service.Segment(Source(2, Programs().File("xvid.avi")), 0);
    EXPECT_EQ(refused.kind, SegmentResult::Kind::Busy);
    EXPECT_EQ(LogLines("conversion refused: PID 2"), 1u) << Log();
    // Nobody asks any more: the run ends, held or not, and its place is free again.
    ASSERT_TRUE(test::PollUntil([&] { return service.Running() == 0; }, 20s)) << Log();
    EXPECT_NE(Log().find("stopped: nobody asked"), std::string::npos) << Log();
    EXPECT_EQ(service.Segment(Source(2, Programs().File("xvid.avi")), 0).kind, SegmentResult::Kind::Ready);
}

TEST_F(ConversionServiceTest, AHungOrKilledConverterEndsOnlyItsRun) {
    // The converter is ffmpeg behind a script that tells its PID, or one that never writes anything (a decoder
    // that hangs).
    const std::string pidFile = cacheDir_.File("converter.pid");
    const std::string wrapper = cacheDir_.File("converter.sh"), hanging = cacheDir_.File("hanging.sh");
    std::ofstream(wrapper) << "#!/bin/sh\necho $$ >> " << pidFile << "\nexec ffmpeg \"$@\"\n";
    std::ofstream(hanging) << "#!/bin/sh\nexec sleep 1000\n";
    fs::permissions(wrapper, fs::perms::owner_all);
    fs::permissions(hanging, fs::perms::owner_all);

    {
        ConversionSettings settings = Settings();
        settings.converter = hanging;
        settings.stall = 1s;
        ConversionService service(settings);
        std::string error;
        ASSERT_TRUE(service.Start(error)) << error;
        const auto started = std::chrono::steady_clock::now();
        const SegmentResult hung = service.Segment(Source(3, Programs().File("mpeg2.mpg")), 0);
        EXPECT_EQ(hung.kind, SegmentResult::Kind::Failed);
        EXPECT_NE(hung.reason.find("hangs"), std::string::npos) << hung.reason;
        EXPECT_LT(std::chrono::steady_clock::now() - started, 15s);
        EXPECT_EQ(service.Running(), 0u);
    }

    ConversionSettings settings = Settings();
    settings.converter = wrapper;
    settings.lead = 1;
    ConversionService service(settings);
    std::string error;
    ASSERT_TRUE(service.Start(error)) << error;
    const ConversionSource source = Source(4, Programs().File("xvid.avi"));
    ASSERT_EQ(service.Segment(source, 0).kind, SegmentResult::Kind::Ready);
    std::ifstream pids(pidFile);
    pid_t converter = 0;
    ASSERT_TRUE(pids >> converter);
    ASSERT_EQ(::kill(converter, SIGKILL), 0);
    ASSERT_TRUE(test::PollUntil([&] { return service.Running() == 0; }, 20s)) << Log();
    EXPECT_NE(Log().find("signal 9"), std::string::npos) << Log();
    // The next request starts another run and is answered.
    const SegmentResult again = service.Segment(source, 4);
    EXPECT_EQ(again.kind, SegmentResult::Kind::Ready) << again.reason;
}

TEST_F(ConversionServiceTest, DamagedFilesGiveWhatDecodesAndAClearErrorForTheRest) {
    test::TempDir dir;
    // Random bytes: nothing to convert. The first half of a program: what is there converts, the rest is past its end.
    std::ofstream(dir.File("noise.mpg")) << std::string(200000, '\x5a');
    const std::string whole = Programs().File("mpeg2.mpg");
    fs::copy_file(whole, dir.File("half.mpg"));
    fs::resize_file(dir.File("half.mpg"), fs::file_size(whole) / 2);

    ConversionService service(Settings());
    std::string error;
    ASSERT_TRUE(service.Start(error)) << error;
    const SegmentResult noise = service.Segment(Source(5, dir.File("noise.mpg")), 0);
    EXPECT_EQ(noise.kind, SegmentResult::Kind::Failed);
    EXPECT_NE(noise.reason.find("PID 5 cannot be converted"), std::string::npos) << noise.reason;
    const SegmentResult missing = service.Segment(Source(6, dir.File("missing.mpg")), 0);
    EXPECT_EQ(missing.kind, SegmentResult::Kind::Failed);

    const ConversionSource half = Source(7, dir.File("half.mpg"));
    EXPECT_EQ(service.Segment(half, 0).kind, SegmentResult::Kind::Ready);
    // The prober reads the length from the start of the file alone; the converter finds where it really ends.
    SegmentResult last = service.Segment(half, 5);
    EXPECT_NE(last.kind, SegmentResult::Kind::Ready) << Log();
    EXPECT_NE(last.kind, SegmentResult::Kind::Busy);
    // Nothing is left hanging.
    EXPECT_TRUE(test::PollUntil([&] { return service.Running() == 0; }, 20s)) << Log();
}

} // namespace
} // namespace tarnvale
