// The worker thread's start and stop.
#include "net/WorkerThread.h"

#include <system_error>

namespace tarnvale {

bool WorkerThread::Start(std::function<void()> body) {
    if (running_.load())
        return true;
    if (thread_.joinable())
        thread_.join(); // ended on its own
    running_ = true;
    try {
        thread_ = std::thread([this, body = std::move(body)] {
            body();
            running_ = false;
        });
    } catch (const std::system_error&) {
        running_ = false;
        return false;
    }
    return true;
}

void WorkerThread::Stop() {
    running_ = false;
    if (wake_)
        wake_();
    if (thread_.joinable())
        thread_.join();
}

} // namespace tarnvale
