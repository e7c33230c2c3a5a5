// Settling: one entry per file, restarted by every change of its look.
#include "core/SettleTracker.h"

namespace tarnvale {

void SettleTracker::Observe(const std::string& path, const platform::FileStatus& look, Clock::time_point now) {
    auto [at, added] = files_.try_emplace(path, Settling{look, now});
    if (!added && !(at->second.look == look))
        at->second = Settling{look, now};
}

void SettleTracker::Forget(const std::string& path) {
    files_.erase(path);
}

std::vector<std::pair<std::string, platform::FileStatus>> SettleTracker::TakeSettled(Clock::time_point now) {
    std::vector<std::pair<std::string, platform::FileStatus>> settled;
    for (auto at = files_.begin(); at != files_.end();) {
        if (now - at->second.since >= settle_) {
            settled.emplace_back(at->first, at->second.look);
            at = files_.erase(at);
        } else {
            ++at;
        }
    }
    return settled;
}

std::optional<SettleTracker::Clock::time_point> SettleTracker::NextSettled() const {
    std::optional<Clock::time_point> next;
    for (const auto& [path, settling] : files_)
        if (!next || settling.since + settle_ < *next)
            next = settling.since + settle_;
    return next;
}

} // namespace tarnvale
