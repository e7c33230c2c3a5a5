// The subtitle route, put on the HTTP side and taken off again.
#include "server/SubtitleSide.h"

#include "http/SubtitleRoute.h"

namespace tarnvale {

void SubtitleSide::Start(HttpSide& http, const CMediaInfoList& catalogue, std::function<void(const std::string&)> log) {
    Stop();
    http.SetRoute(SubtitleRoute(catalogue, std::move(log)));
    http_ = &http;
}

void SubtitleSide::Stop() {
    if (http_)
        http_->RemoveRoute(std::string(kSubtitlesPrefix));
    http_ = nullptr;
}

} // namespace tarnvale
