// The subtitles of programs on the HTTP side: /subtitles/PID/N.vtt as WebVTT for the page's tracks, and
// /subtitles/PID/N.srt, the file as it is, for TVs. N counts the files beside the program in SubtitleFinder's
// order; only PIDs and numbers are looked up, no request path reaches the file system.
#pragma once

#include "core/MediaInfoList.h"
#include "http/HttpRoute.h"
#include "media/SubtitleFiles.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tarnvale {

inline constexpr std::string_view kSubtitlesPrefix = "/subtitles/";

// origin as ProgramUrl takes it.
std::string SubtitleUrl(std::string_view origin, std::int32_t pid, std::size_t number, SubtitleFormat format);

// The URL a TV that asks for captions is given for the program of pid whose file is at path: its first SubRip
// file; empty when it has none.
std::string CaptionUrl(std::string_view origin, std::int32_t pid, const std::string& path);

// Answers kSubtitlesPrefix from catalogue (which must outlive the route); log gets a line for each file refused.
HttpRoute SubtitleRoute(const CMediaInfoList& catalogue, std::function<void(const std::string&)> log);

} // namespace tarnvale
