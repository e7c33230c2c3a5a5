// POSIX console services.
#include "platform/Console.h"

#include "platform/FileHandle_posix.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace tarnvale::platform {
namespace {

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

// The signals are blocked in every thread and read from a signalfd, so that Wait can also be released through an
// eventfd beside it.
struct StopRequest::State {
    sigset_t previousMask;
    UniqueFile signals;
    UniqueFile release;
};

StopRequest::StopRequest() : state_(std::make_unique<State>()) {
    // Blocked here, and so in every thread started later.
    sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, &state_->previousMask);
    state_->signals.reset(::signalfd(-1, &set, SFD_CLOEXEC));
    state_->release.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    // Without them no stop could be seen: the signals keep their usual effect of ending the program instead.
    if (!state_->signals || !state_->release)
        pthread_sigmask(SIG_SETMASK, &state_->previousMask, nullptr);
}

StopRequest::~StopRequest() {
    pthread_sigmask(SIG_SETMASK, &state_->previousMask, nullptr);
}

std::string StopRequest::Wait() {
    pollfd fds[2] = {{Fd(state_->signals), POLLIN, 0}, {Fd(state_->release), POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return {};
        }
        if (fds[1].revents)
            return {};
        signalfd_siginfo info{};
        if (::read(Fd(state_->signals), &info, sizeof info) != static_cast<ssize_t>(sizeof info))
            continue;
        switch (info.ssi_signo) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        default:
            return "SIGHUP";
        }
    }
}

void StopRequest::Release() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(Fd(state_->release), &one, sizeof one);
}

void StopRequest::Done() {}

void SetBinaryStdout() {}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

std::string UserDataDirectory() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        return std::string(data) + "/tarnvale";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/share/tarnvale";
    return ".";
}

} // namespace tarnvale::platform
