// WorkerThread: one worker thread and the flag that keeps it going. Its owner holds it as a member, declared
// after everything the worker uses, so that the worker is stopped and joined before any of that goes.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace tarnvale {

class WorkerThread {
public:
    // wake is called by Stop once the flag is cleared, for a worker that waits on something other than the flag.
    explicit WorkerThread(std::function<void()> wake = {}) : wake_(std::move(wake)) {}
    // Stops the worker.
    ~WorkerThread() { Stop(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Runs body on a new thread unless a worker runs already; true when one runs afterwards. body looks at
    // Running between its steps and returns when it turns false.
    bool Start(std::function<void()> body);
    // Clears the flag, wakes the worker and waits for it to end.
    void Stop();
    bool Running() const { return running_.load(); }
    // From the worker: it is over, before it says so to others, so that whoever hears it finds the worker
    // ended and may start another.
    void EndRunning() { running_ = false; }

private:
    std::function<void()> wake_;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

} // namespace tarnvale
