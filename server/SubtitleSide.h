// SubtitleSide: the subtitles beside the programs, served on the HTTP side for the page and for TVs.
#pragma once

#include "core/MediaInfoList.h"
#include "server/HttpSide.h"

#include <functional>
#include <string>

namespace tarnvale {

class SubtitleSide {
public:
    SubtitleSide() = default;
    ~SubtitleSide() { Stop(); }
    SubtitleSide(const SubtitleSide&) = delete;
    SubtitleSide& operator=(const SubtitleSide&) = delete;

    // Answers /subtitles/ on http (started, and outliving this side) from catalogue (which must outlive it too);
    // log gets a line for each file refused.
    void Start(HttpSide& http, const CMediaInfoList& catalogue, std::function<void(const std::string&)> log);
    // Answers them no more.
    void Stop();

private:
    HttpSide* http_ = nullptr;
};

} // namespace tarnvale
