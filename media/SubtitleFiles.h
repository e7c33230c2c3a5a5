// The subtitle files that sit beside a program's file: "film.srt", "film.en.srt", "film.vtt" beside "film.avi",
// found when the program is served (the list file never names them), and read as WebVTT.
#pragma once

#include "media/SubtitleText.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvale {

enum class SubtitleFormat { Srt, Vtt };

struct SubtitleName {
    // What sits between the program's base name and the extension ("en", "pt-BR", "English.forced"), as the user
    // named it: bytes of the file name, not checked; empty when nothing does.
    std::string lang;
    SubtitleFormat format = SubtitleFormat::Srt;
};

// Whether entryName names a subtitle file of the program whose file is named programName: the program's name
// without its extension, then optionally ".LANG", then ".srt" or ".vtt" (letter case aside).
std::optional<SubtitleName> MatchSubtitleName(std::string_view programName, std::string_view entryName);

struct SubtitleFile {
    std::string path;
    SubtitleName name;
};

// Finds the subtitle files of programs, listing each folder once however many programs share it (a request for
// the whole catalogue asks for all of them).
class SubtitleFinder {
public:
    // The subtitle files beside programPath, the one without a language first, then by language and name: the
    // order their numbers in URLs follow.
    std::vector<SubtitleFile> Find(const std::string& programPath);

private:
    std::map<std::string, std::vector<std::string>> folders_; // folder -> entry names, sorted
};

// The file at path as it is and as WebVTT; a problem other than None when it cannot be served. cues and skipped
// as SrtToWebVtt counts them (nothing counted for a .vtt file).
struct SubtitleRead {
    SubtitleProblem problem = SubtitleProblem::None;
    bool unreadable = false; // gone or not to be opened; problem is then None
    std::vector<std::uint8_t> bytes;
    WebVtt vtt;
    SubtitleEncoding encoding = SubtitleEncoding::Utf8;
};
SubtitleRead ReadSubtitleAsWebVtt(const SubtitleFile& file);

// Why a subtitle file is not served, for a log line and the answer.
const char* SubtitleProblemText(SubtitleProblem problem);

} // namespace tarnvale
