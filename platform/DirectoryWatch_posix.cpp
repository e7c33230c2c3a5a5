// Linux folder watching: one inotify watch per folder (inotify does not cover trees), the watch descriptors mapped
// back to their folders' paths; an eventfd wakes the wait.
#include "platform/DirectoryWatch.h"

#include "platform/UniqueHandle.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <unordered_map>

namespace tarnvale::platform {
namespace {

struct DescriptorTraits {
    using Handle = int;
    static constexpr Handle Empty() { return -1; }
    static void Release(Handle fd) { ::close(fd); }
};
using UniqueDescriptor = UniqueHandle<DescriptorTraits>;

// A file is told of when it appears, when its writer closes it and when its permissions change; the writes between
// are not, since the watcher looks at a file again before taking it anyway.
constexpr std::uint32_t kChanged = IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO | IN_ATTRIB;
constexpr std::uint32_t kGone = IN_DELETE | IN_MOVED_FROM;

} // namespace

struct DirectoryWatch::State {
    UniqueDescriptor inotify;
    UniqueDescriptor wake;
    std::unordered_map<int, std::string> folders; // by watch descriptor
};

DirectoryWatch::DirectoryWatch() = default;

DirectoryWatch::~DirectoryWatch() = default;

bool DirectoryWatch::Open(SystemError* error) {
    auto state = std::make_unique<State>();
    state->inotify.reset(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
    if (state->inotify)
        state->wake.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!state->inotify || !state->wake) {
        if (error)
            *error = MakeSystemError(errno, "cannot watch folders");
        return false;
    }
    state_ = std::move(state);
    return true;
}

bool DirectoryWatch::CoversTree() const {
    return false;
}

bool DirectoryWatch::MayMissChanges() const {
    return false;
}

DirectoryWatch::Added DirectoryWatch::Add(const std::string& folder, SystemError* error) {
    const int wd = ::inotify_add_watch(state_->inotify.get(), folder.c_str(), kChanged | kGone | IN_ONLYDIR);
    if (wd < 0) {
        const int code = errno;
        if (error)
            *error = MakeSystemError(code, "cannot watch " + folder);
        return code == ENOSPC ? Added::NoMoreWatches : Added::Failed;
    }
    state_->folders[wd] = folder;
    return Added::Yes;
}

DirectoryWatch::Event DirectoryWatch::Wait(int timeoutMs, std::vector<DirectoryNotice>& notices, SystemError* error) {
    pollfd fds[2] = {{state_->inotify.get(), POLLIN, 0}, {state_->wake.get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, timeoutMs < 0 ? -1 : timeoutMs);
    if (ready < 0 && errno != EINTR) {
        if (error)
            *error = MakeSystemError(errno, "cannot wait for changes");
        return Event::Failed;
    }
    if (fds[1].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t taken = ::read(state_->wake.get(), &count, sizeof count);
        return Event::Woken;
    }
    if (ready <= 0 || !(fds[0].revents & POLLIN))
        return Event::TimedOut;
    const std::size_t before = notices.size();
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t n; (n = ::read(state_->inotify.get(), buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                notices.push_back({DirectoryNotice::Kind::Overflow, {}});
                continue;
            }
            if (event->mask & IN_IGNORED) {
                state_->folders.erase(event->wd);
                continue;
            }
            const auto folder = state_->folders.find(event->wd);
            if (folder == state_->folders.end() || event->len == 0)
                continue;
            const std::string path = folder->second + (folder->second.back() == '/' ? "" : "/") + event->name;
            if (event->mask & kGone)
                notices.push_back({DirectoryNotice::Kind::Gone, path});
            else if (event->mask & kChanged)
                notices.push_back({DirectoryNotice::Kind::Changed, path});
        }
    }
    return notices.size() > before ? Event::Notices : Event::TimedOut;
}

void DirectoryWatch::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(state_->wake.get(), &one, sizeof one);
}

} // namespace tarnvale::platform
