// The stop of a long-running command (a search, a verify, a watch): a flag that its loops look at, and a wake for
// the one wait it may be blocked in, so that the stop is seen at once and never by looking now and then.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace tarnvale {

class ToolStop {
public:
    // From any thread (the one that waits for the operator's stop request): sets the flag, then wakes. The wake runs
    // under the lock, so that once SetWake({}) has returned no wake reaches what the old one woke.
    void Stop() {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
            if (wake_)
                wake_();
        }
        changed_.notify_all();
    }
    bool Stopped() const { return stopped_.load(); }
    const std::atomic<bool>* Flag() const { return &stopped_; }

    // wake is called when the stop comes, or at once when it has come already; an empty one ends that. wake must
    // not call back into this object.
    void SetWake(std::function<void()> wake) {
        std::lock_guard lock(mutex_);
        wake_ = std::move(wake);
        if (stopped_ && wake_)
            wake_();
    }

    // Waits at most wait for the stop; whether it came.
    bool WaitFor(std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, wait, [this] { return stopped_.load(); });
    }

private:
    std::atomic<bool> stopped_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> wake_;
};

} // namespace tarnvale
