// Running ffmpeg for one picture and checking what it made.
#include "picture/PictureMaker.h"

#include "core/MediaType.h"
#include "platform/File.h"
#include "platform/Process.h"

#include <filesystem>
#include <system_error>

namespace tarnvale {

namespace {

// Far enough in to be past a black lead-in and a fade, near enough for a short clip to be tried again from 0.
constexpr unsigned kSeekSeconds = 5;

std::string LastLineOf(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (platform::ReadWholeFile(path, bytes) != platform::ReadResult::Ok)
        return {};
    std::string text(bytes.begin(), bytes.end());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    text = text.substr(text.find_last_of('\n') == std::string::npos ? 0 : text.find_last_of('\n') + 1);
    return text.substr(0, 200);
}

bool IsJpeg(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    return platform::ReadWholeFile(path, bytes) == platform::ReadResult::Ok && bytes.size() > 4 && bytes[0] == 0xFF &&
           bytes[1] == 0xD8;
}

// One ffmpeg run; Made when output holds a JPEG afterwards.
PictureAttempt RunOnce(const PictureMakerSettings& settings, const std::vector<std::string>& arguments,
                       const std::string& part, const std::string& errorLog, const std::atomic<bool>& stop) {
    PictureAttempt attempt;
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    std::filesystem::remove(errorLog, ignored);
    platform::ProcessStart start;
    start.arguments = arguments;
    start.errorFile = errorLog;
    start.lowerPriority = settings.lowerPriority;
    platform::SystemError error;
    platform::Process process = platform::Process::Start(start, error);
    if (!process) {
        attempt.result = PictureMade::NotStarted;
        attempt.reason = settings.ffmpeg + " cannot be started";
        return attempt;
    }
    ++attempt.runs;
    const auto deadline = std::chrono::steady_clock::now() + settings.bound;
    platform::ProcessEnd end;
    // In short slices, so that a stop or the bound ends a decoder that hangs.
    while (!process.Wait(std::chrono::milliseconds(50), &end)) {
        if (stop || std::chrono::steady_clock::now() > deadline) {
            process.Kill();
            process.Wait(std::chrono::seconds(5));
            attempt.result = stop ? PictureMade::Stopped : PictureMade::None;
            attempt.reason = "took longer than " + std::to_string(settings.bound.count() / 1000) + " s";
            return attempt;
        }
    }
    if (end.Succeeded() && IsJpeg(part)) {
        attempt.result = PictureMade::Made;
        return attempt;
    }
    attempt.result = PictureMade::None;
    const std::string said = LastLineOf(errorLog);
    attempt.reason = (end.exited ? "ffmpeg ended with status " + std::to_string(end.code)
                                 : "ffmpeg ended by signal " + std::to_string(end.signal)) +
                     (said.empty() ? std::string() : ": " + said);
    if (end.Succeeded())
        attempt.reason = "ffmpeg made no picture";
    return attempt;
}

} // namespace

bool MayHavePicture(std::int32_t mediaType) {
    return mediaType == MEDIA_MPEG1 || mediaType == MEDIA_MPEG2 || mediaType == MEDIA_AVI || mediaType == MEDIA_MP3;
}

std::vector<std::string> PictureArguments(const PictureMakerSettings& settings, const std::string& input,
                                          std::int32_t mediaType, const std::string& output, unsigned seekSeconds) {
    const std::string side = std::to_string(kThumbnailSide);
    // Square pixels first (a DVD's 720x576 is 4:3 or 16:9 on screen), then fit within the square; a smaller
    // picture is not blown up.
    const std::string fit = "scale=trunc(iw*sar/2)*2:ih,setsar=1,scale=w='min(" + side + ",iw)':h='min(" + side +
                            ",ih)':force_original_aspect_ratio=decrease";
    std::vector<std::string> arguments = {settings.ffmpeg, "-nostdin", "-hide_banner", "-loglevel", "error",
                                          "-threads",      "1"};
    if (mediaType == MEDIA_MP3) {
        // The cover is the MP3's one video stream; without one, ffmpeg fails and the program has no picture.
        arguments.insert(arguments.end(), {"-i", input, "-map", "0:v:0", "-vf", fit});
    } else {
        if (seekSeconds != 0)
            arguments.insert(arguments.end(), {"-ss", std::to_string(seekSeconds)});
        // The thumbnail filter takes the frame most like the others of a short run: not a black or a cut frame.
        arguments.insert(arguments.end(), {"-i", input, "-map", "0:v:0", "-vf", "thumbnail=25," + fit});
    }
    arguments.insert(arguments.end(),
                     {"-an", "-sn", "-frames:v", "1", "-q:v", "5", "-f", "image2", "-update", "1", "-y", output});
    return arguments;
}

PictureAttempt MakePicture(const PictureMakerSettings& settings, const std::string& input, std::int32_t mediaType,
                           const std::string& output, const std::string& errorLog, const std::atomic<bool>& stop) {
    const std::string part = output + ".part";
    PictureAttempt attempt;
    // A video shorter than the seek gives no frame from there: it is tried again from its start.
    for (const unsigned seek : {mediaType == MEDIA_MP3 ? 0u : kSeekSeconds, 0u}) {
        const PictureAttempt run =
            RunOnce(settings, PictureArguments(settings, input, mediaType, part, seek), part, errorLog, stop);
        const unsigned runs = attempt.runs + run.runs;
        attempt = run;
        attempt.runs = runs;
        if (run.result != PictureMade::None || seek == 0 || run.reason.starts_with("took longer"))
            break;
    }
    std::error_code error;
    if (attempt.result == PictureMade::Made) {
        std::filesystem::rename(part, output, error);
        if (error) {
            attempt.result = PictureMade::NotStarted;
            attempt.reason = "the picture cannot be kept: " + error.message();
        }
    }
    std::filesystem::remove(part, error);
    std::filesystem::remove(errorLog, error);
    return attempt;
}

} // namespace tarnvale
