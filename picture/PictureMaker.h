// Making one program's picture: Debian's ffmpeg in a child process, at a lower priority and on one thread, within a
// time bound. From a video, a representative frame from a few seconds in (the first frames are often black); from
// an MP3, the cover inside it. Scaled to fit 160x160 with its aspect kept, as JPEG (DLNA's JPEG_TN).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnvale {

inline constexpr int kThumbnailSide = 160;

struct PictureMakerSettings {
    std::string ffmpeg = "ffmpeg";
    // A decoder that hangs on a damaged file is ended after this long.
    std::chrono::milliseconds bound{20000};
    int lowerPriority = 10;
};

enum class PictureMade {
    Made,
    None,       // the program has no picture to give (damaged, no video, no cover): worth remembering
    NotStarted, // ffmpeg could not be started: nothing learnt about the program
    Stopped,    // stop was set while it ran
};

struct PictureAttempt {
    PictureMade result = PictureMade::None;
    std::string reason; // for None and NotStarted, a log line's end
    unsigned runs = 0;  // of ffmpeg
};

// ffmpeg's arguments for a picture of the program at input, of mediaType, into output (a .jpg), its video seeked
// to seekSeconds first (0: from the start).
std::vector<std::string> PictureArguments(const PictureMakerSettings& settings, const std::string& input,
                                          std::int32_t mediaType, const std::string& output, unsigned seekSeconds);

// Makes output (a .jpg path; a file of that name with ".part" added is used on the way, and errorLog takes
// ffmpeg's complaints) from the program at input. stop is looked at while ffmpeg runs.
PictureAttempt MakePicture(const PictureMakerSettings& settings, const std::string& input, std::int32_t mediaType,
                           const std::string& output, const std::string& errorLog, const std::atomic<bool>& stop);

// Whether a program of mediaType can have a picture at all.
bool MayHavePicture(std::int32_t mediaType);

} // namespace tarnvale
