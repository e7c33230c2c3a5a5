// Which files have settled: a file being copied or recorded into a watched folder is probed only once its size and
// modification time have stayed the same for the settle time, so that it is never probed half written.
#pragma once

#include "platform/File.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tarnvale {

class SettleTracker {
public:
    using Clock = std::chrono::steady_clock;

    explicit SettleTracker(Clock::duration settle) : settle_(settle) {}

    // Notes how the file looks at now; a look other than the last one starts its settling again.
    void Observe(const std::string& path, const platform::FileStatus& look, Clock::time_point now);
    void Forget(const std::string& path);
    // The files whose look has not changed for the settle time up to now, with that look; they leave the tracker.
    std::vector<std::pair<std::string, platform::FileStatus>> TakeSettled(Clock::time_point now);
    // When the next file settles, if any is waiting.
    std::optional<Clock::time_point> NextSettled() const;
    std::size_t Waiting() const { return files_.size(); }

private:
    struct Settling {
        platform::FileStatus look;
        Clock::time_point since;
    };
    Clock::duration settle_;
    std::unordered_map<std::string, Settling> files_;
};

} // namespace tarnvale
