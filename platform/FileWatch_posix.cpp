// Linux file watching: inotify on the file's folder, for the events that leave a file complete (closed after
// writing, renamed into place) or gone; an eventfd wakes the wait.
#include "platform/FileWatch.h"

#include "platform/UniqueHandle.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace tarnvale::platform {
namespace {

struct DescriptorTraits {
    using Handle = int;
    static constexpr Handle Empty() { return -1; }
    static void Release(Handle fd) { ::close(fd); }
};
using UniqueDescriptor = UniqueHandle<DescriptorTraits>;

// A file being written is not looked at until it is closed: a reader would find it half done.
constexpr std::uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
// The folder itself gone or moved: the watch can tell nothing more.
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;

} // namespace

struct FileWatch::State {
    std::string folder;
    std::string name; // the file's name within its folder
    UniqueDescriptor inotify;
    UniqueDescriptor wake;
};

FileWatch::FileWatch() = default;

FileWatch::~FileWatch() = default;

bool FileWatch::Open(const std::string& path, SystemError* error) {
    auto state = std::make_unique<State>();
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    state->folder = folder;
    state->name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto failed = [&] {
        if (error)
            *error = MakeSystemError(errno, "cannot watch " + folder);
        return false;
    };
    state->inotify.reset(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
    if (!state->inotify ||
        ::inotify_add_watch(state->inotify.get(), folder.c_str(), kFileEvents | kFolderGone | IN_ONLYDIR) < 0)
        return failed();
    state->wake.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!state->wake)
        return failed();
    state_ = std::move(state);
    return true;
}

FileWatch::Event FileWatch::Wait(int timeoutMs, SystemError* error) {
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
    // Every queued event is read, so that one burst of changes is told once.
    bool changed = false, gone = false;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(state_->inotify.get(), buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            gone = gone || (event->mask & kFolderGone) != 0;
            changed = changed || (event->len > 0 && state_->name == event->name);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if (gone) {
        if (error)
            *error = MakeSystemError(ENOENT, state_->folder + " was removed or moved");
        return Event::Failed;
    }
    return changed ? Event::Changed : Event::TimedOut;
}

void FileWatch::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(state_->wake.get(), &one, sizeof one);
}

} // namespace tarnvale::platform
