// Linux folder watching: one inotify watch per folder (inotify does not cover trees), the watch descriptors mapped
// back to their folders' paths; an eventfd wakes the wait.
#include "platform/DirectoryWatch.h"

#include "platform/InotifyWait_posix.h"

#include <cerrno>
#include <cstdint>
#include <sys/inotify.h>
#include <unistd.h>
#include <unordered_map>

namespace tarnvale::platform {
namespace {

// A file is told of when it appears, when its writer closes it and when its permissions change; the writes between
// are not, since the watcher looks at a file again before taking it anyway.
constexpr std::uint32_t kChanged = IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO | IN_ATTRIB;
constexpr std::uint32_t kGone = IN_DELETE | IN_MOVED_FROM;

} // namespace

struct DirectoryWatch::State {
    InotifyWait inotify;
    std::unordered_map<int, std::string> folders; // by watch descriptor
};

DirectoryWatch::DirectoryWatch() = default;

DirectoryWatch::~DirectoryWatch() = default;

bool DirectoryWatch::Open(SystemError* error) {
    auto state = std::make_unique<State>();
    if (!state->inotify.Open("folders", error))
        return false;
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
    const int wd = ::inotify_add_watch(state_->inotify.Descriptor(), folder.c_str(), kChanged | kGone | IN_ONLYDIR);
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
    if (const std::optional<Event> ended = EventOfWait<Event>(state_->inotify.Wait(timeoutMs, error)))
        return *ended;
    const std::size_t before = notices.size();
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t n; (n = ::read(state_->inotify.Descriptor(), buffer, sizeof buffer)) > 0;) {
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
    state_->inotify.Wake();
}

} // namespace tarnvale::platform
