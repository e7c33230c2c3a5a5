// What the views show of a program besides its file: its picture and its subtitles, found when the program is
// served and never kept in the list file.
#pragma once

#include "media/SubtitleFiles.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvale {

struct ShownSubtitle {
    std::string lang;   // bytes of the file name; made valid UTF-8 where it is written
    std::size_t number; // its N in /subtitles/PID/N.vtt
};

struct ProgramExtras {
    // Whether /pictures/PID.jpg is offered: false once the picture is known not to be had.
    bool picture = false;
    std::vector<ShownSubtitle> subtitles;
};

// The subtitles beside the program at path, as finder finds them.
std::vector<ShownSubtitle> ShownSubtitles(SubtitleFinder& finder, const std::string& path);

// The language a track is labelled with: what the file's name says, "und" (undetermined) when it says nothing.
std::string ShownLang(const ShownSubtitle& subtitle);

// ,"picture":"URL","subtitles":[{"lang":"en","url":"URL"}] for the JSON list, each part only when there is one,
// so programs without either are written as they always were.
std::string ExtrasJson(const ProgramExtras& extras, std::string_view origin, std::int32_t pid);

} // namespace tarnvale
