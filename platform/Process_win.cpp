// Windows programs: not in this build yet. Everything that starts programs is told so, and keeps working without them
// (the server serves the files as they are).
#include "platform/Process.h"

#include <utility>

namespace tarnvale::platform {

Process::~Process() {
    Reset();
}

Process::Process(Process&& other) noexcept
    : id_(std::exchange(other.id_, 0)), waitable_(std::move(other.waitable_)), output_(std::move(other.output_)),
      reaped_(std::exchange(other.reaped_, false)), end_(other.end_) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Reset();
        id_ = std::exchange(other.id_, 0);
        waitable_ = std::move(other.waitable_);
        output_ = std::move(other.output_);
        reaped_ = std::exchange(other.reaped_, false);
        end_ = other.end_;
    }
    return *this;
}

void Process::Reset() {
    id_ = 0;
    reaped_ = false;
    end_ = {};
    waitable_.reset();
    output_.reset();
}

Process Process::Start(const ProcessStart& start, SystemError& error) {
    error = SystemError{0, "cannot start " + (start.arguments.empty() ? std::string("a program") : start.arguments[0]) +
                               ": starting programs is not in the Windows build yet"};
    return Process();
}

long Process::ReadOutput(char*, std::size_t, std::chrono::milliseconds) {
    return -1;
}

void Process::Kill() {}

void Process::Pause() {}

void Process::Resume() {}

bool Process::Wait(std::chrono::milliseconds, ProcessEnd*) {
    return false;
}

} // namespace tarnvale::platform
