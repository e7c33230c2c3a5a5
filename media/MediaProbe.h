// Probing a file into a catalogue record: its size, its media type (by extension, then by contents) and the tail
// offset that the stream sender sends first.
#pragma once

#include "core/MediaInfo.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tarnvale {

// Shows the operator a message: the Windows program in a message box on the calling thread, the headless tools
// on stderr.
using OperatorMessage = std::function<void(const char* text)>;

inline constexpr const char* kUnsupportedFileMessage = "This file type is not supported!";
inline constexpr const char* kFileTooLargeMessage =
    "This file is 2 GiB or larger, which is not supported! Split it into smaller files.";
inline constexpr const char* kPathTooLongMessage =
    "The path of this file is too long (at most 255 characters)! Move the file to a shorter path.";

// Files from this size on do not fit the record's signed 32-bit size and offsets.
inline constexpr std::uint64_t kMaxMediaFileSize = 0x7FFFFFFF;
// An MPEG-2 program's tail block is its last MiB.
inline constexpr std::int32_t kMpegTailBytes = 1048576;

// Probes path and, when the file is accepted, sets the record's path too. False (with the operator told why)
// for a path that does not fit the record, an extension that is not supported, or a file of 2 GiB or more; the
// record's path is then left as it was.
bool SetFile(CMediaInfo& record, const char* path, const OperatorMessage& tell);
// SetFile for programs that say the refusal later, or elsewhere: false with refusal holding what the operator would
// have been told.
bool SetFile(CMediaInfo& record, const std::string& path, std::string& refusal);

// Sets the size, then the type and tail offset, by extension: ".mpeg", ".mpg" and ".vob" are probed as MPEG,
// ".avi" as AVI, ".mp3" is MP3. False, after telling the operator, for any other extension or a file too large.
bool DetectType(CMediaInfo& record, const char* path, const OperatorMessage& tell);

// MPEG1 when an MPEG-1 system-stream parser accepts the file; otherwise MPEG2, with the tail offset 1 MiB before
// the end (negative for files under 1 MiB: no tail block).
void ProbeMpeg(CMediaInfo& record, const char* path);

// AVI with the offset of the file's "idx1" chunk as the tail offset (0 when it has none). A file that cannot be
// opened leaves the record as it was.
void ProbeAvi(CMediaInfo& record, const char* path);

} // namespace tarnvale
