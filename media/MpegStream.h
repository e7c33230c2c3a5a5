// Telling MPEG-1 streams from MPEG-2 ones by their first bytes. This stands where a platform MPEG-1 splitter
// would be asked whether it takes a file: a file is MPEG1 when a parser for MPEG-1 system streams (which also
// takes MPEG-1 elementary video) accepts it, and MPEG2 otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnvale {

enum class MpegStreamKind {
    Mpeg1System, // MPEG-1 pack headers with well-formed packets
    Mpeg1Video,  // an MPEG-1 video sequence header with no MPEG-2 sequence extension
    Mpeg2System, // an MPEG-2 program stream (VOB files among them)
    Mpeg2Video,  // a video sequence header followed by an MPEG-2 sequence extension
    Other,       // anything else: not a stream that an MPEG-1 parser takes
};

// How much of a file the test reads: enough for several packs or the first pictures, never the whole file.
inline constexpr std::size_t kMpegProbeBytes = 32 * 1024;

// Classifies a stream from its first bytes (a prefix of the file, kMpegProbeBytes or fewer).
MpegStreamKind ClassifyMpegStream(std::span<const std::uint8_t> prefix);

const char* MpegStreamKindText(MpegStreamKind kind);

// Whether an MPEG-1 system-stream parser accepts a stream of this kind.
bool Mpeg1ParserAccepts(MpegStreamKind kind);

// Reads the first kMpegProbeBytes of the file at path and classifies them; Other when the file cannot be read.
MpegStreamKind ClassifyMpegFile(const char* path);

// What a player is told of a stream's pictures (a TV picks its decoder by frame size and rate).
struct MpegVideoFormat {
    MpegStreamKind kind = MpegStreamKind::Other;
    // From the first sequence header; 0 when the prefix holds none.
    unsigned width = 0;
    unsigned height = 0;
    unsigned frameRateCode = 0; // 3: 25 frames a second, 4: 30000/1001
};

// The kind of the stream and the frame of its first sequence header, from a prefix as for ClassifyMpegStream.
MpegVideoFormat ProbeMpegVideo(std::span<const std::uint8_t> prefix);

// ProbeMpegVideo over the first kMpegProbeBytes of the file at path; kind Other when it cannot be read.
MpegVideoFormat ProbeMpegVideoFile(const char* path);

} // namespace tarnvale
