// The inotify descriptor and the eventfd beside it, and the one wait on both.
#include "platform/InotifyWait_posix.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace tarnvale::platform {

void DescriptorTraits::Release(Handle fd) {
    ::close(fd);
}

bool InotifyWait::Open(const std::string& what, SystemError* error) {
    inotify_.reset(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
    if (inotify_)
        wake_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!inotify_ || !wake_) {
        if (error)
            *error = MakeSystemError(errno, "cannot watch " + what);
        return false;
    }
    return true;
}

InotifyWait::Result InotifyWait::Wait(int timeoutMs, SystemError* error) {
    pollfd fds[2] = {{inotify_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, timeoutMs < 0 ? -1 : timeoutMs);
    if (ready < 0 && errno != EINTR) {
        if (error)
            *error = MakeSystemError(errno, "cannot wait for changes");
        return Result::Failed;
    }
    if (fds[1].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t taken = ::read(wake_.get(), &count, sizeof count);
        return Result::Woken;
    }
    if (ready <= 0 || !(fds[0].revents & POLLIN))
        return Result::TimedOut;
    return Result::Ready;
}

void InotifyWait::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake_.get(), &one, sizeof one);
}

} // namespace tarnvale::platform
