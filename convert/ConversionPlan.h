// What to convert and how, pure: a program's fixed segments, the playlist that names them all, the converter's
// arguments and the reading of the prober's report. Nothing here starts a program or touches a file.
#pragma once

#include "platform/File.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvale {

// Segment k always covers [k * length, (k + 1) * length) of the program, whichever run made it: a viewer who seeks
// gets the same segment as one who played through, and one from another run fits its neighbours.
inline constexpr std::uint32_t kSegmentMilliseconds = 4000;

// How many segments a program of that length has. The last one may be shorter, but not a sliver: a muxer's last
// timestamp often lies a few milliseconds past the last frame, and a segment with no frame in it would be asked
// for and never made.
inline constexpr std::uint32_t kShortestLastSegmentMs = 250;
std::uint32_t SegmentCount(std::uint64_t durationMs, std::uint32_t segmentMs = kSegmentMilliseconds);

// The length the playlist gives: the program's, without such a sliver.
std::uint64_t PlayedMilliseconds(std::uint64_t durationMs, std::uint32_t segmentMs = kSegmentMilliseconds);

// A VOD playlist that names every segment from the start ("0.ts", "1.ts" ..., beside the playlist), so that a
// player shows the whole length at once and may seek anywhere before anything is converted.
std::string VodPlaylist(std::uint64_t durationMs, std::uint32_t segmentMs = kSegmentMilliseconds);

// What the prober says of a file: its length and the codecs of the first video and audio streams.
struct SourceStreams {
    std::uint64_t durationMs = 0;
    std::string video; // codec names as the prober gives them ("mpeg2video", "mpeg4", "h264"); empty: none
    std::string audio;
    int audioChannels = 0;
};

// The prober's arguments for path: its report is the key=value lines ReadProbeReport reads.
std::vector<std::string> ProbeArguments(const std::string& prober, const std::string& path);
// Reads that report; nothing when it names no length or no video stream.
std::optional<SourceStreams> ReadProbeReport(std::string_view report);

// The converter's arguments for a run that starts at segment first of the program at path and writes segment k as
// folder/k.ts, one after another, with the list of finished segments on its standard output. Video is made H.264
// with its frame size and aspect kept, key frames forced on every segment boundary; AAC audio is copied, any other
// converted to AAC: one set of segments serves browsers and TVs, whose transport-stream profile names AAC.
std::vector<std::string> ConverterArguments(const std::string& converter, const std::string& path,
                                            const SourceStreams& streams, std::uint32_t first,
                                            const std::string& folder, std::uint32_t segmentMs = kSegmentMilliseconds);

// The segment that the converter's list line names ("12.ts,0.000000,4.080000"); nothing for any other line.
std::optional<std::uint32_t> FinishedSegment(std::string_view line);

// A TV's TimeSeekRange.dlna.org request, "npt=START-[END]", each time in seconds ("83.5") or as H:MM:SS[.fff];
// nothing for anything else (byte ranges, "now", an end before the start).
struct NptRange {
    std::uint64_t startMs = 0;
    std::optional<std::uint64_t> endMs;
};
std::optional<NptRange> ReadNptRange(std::string_view text);
// "12.000" for 12000 ms: the times of the answer's TimeSeekRange.dlna.org.
std::string NptTime(std::uint64_t ms);

// A file's identity as URLs and the cache name it: its size, modification time and place on disk, so that a file
// changed or replaced under the same name is never answered with what was made of the old one.
std::string FileIdentity(const platform::FileStatus& status);

} // namespace tarnvale
