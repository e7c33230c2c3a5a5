// Linux file watching: inotify on the file's folder, for the events that leave a file complete (closed after
// writing, renamed into place) or gone; an eventfd wakes the wait.
#include "platform/FileWatch.h"

#include "platform/InotifyWait_posix.h"

#include <cerrno>
#include <cstdint>
#include <sys/inotify.h>
#include <unistd.h>

namespace tarnvale::platform {
namespace {

// A file being written is not looked at until it is closed: a reader would find it half done.
constexpr std::uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
// The folder itself gone or moved: the watch can tell nothing more.
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;

} // namespace

struct FileWatch::State {
    std::string folder;
    std::string name; // the file's name within its folder
    InotifyWait inotify;
};

FileWatch::FileWatch() = default;

FileWatch::~FileWatch() = default;

bool FileWatch::Open(const std::string& path, SystemError* error) {
    auto state = std::make_unique<State>();
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    state->folder = folder;
    state->name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!state->inotify.Open(folder, error))
        return false;
    if (::inotify_add_watch(state->inotify.Descriptor(), folder.c_str(), kFileEvents | kFolderGone | IN_ONLYDIR) < 0) {
        if (error)
            *error = MakeSystemError(errno, "cannot watch " + folder);
        return false;
    }
    state_ = std::move(state);
    return true;
}

FileWatch::Event FileWatch::Wait(int timeoutMs, SystemError* error) {
    if (const std::optional<Event> ended = EventOfWait<Event>(state_->inotify.Wait(timeoutMs, error)))
        return *ended;
    // Every queued event is read, so that one burst of changes is told once.
    bool changed = false, gone = false;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(state_->inotify.Descriptor(), buffer, sizeof buffer)) > 0;) {
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
    state_->inotify.Wake();
}

} // namespace tarnvale::platform
