// Win32 file watching: a change notification on the file's folder (names, sizes and write times of anything in
// it; the caller compares the file itself) and an event that wakes the wait.
#include "platform/FileWatch.h"

#include "platform/Event_win.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

namespace tarnvale::platform {
namespace {

struct ChangeTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle change) { FindCloseChangeNotification(change); }
};

} // namespace

struct FileWatch::State {
    UniqueHandle<ChangeTraits> change;
    UniqueEvent wake;
};

FileWatch::FileWatch() = default;

FileWatch::~FileWatch() = default;

bool FileWatch::Open(const std::string& path, SystemError* error) {
    const std::size_t separator = path.find_last_of("\\/");
    std::string folder = separator == std::string::npos ? "." : path.substr(0, separator);
    // "C:" alone is the drive's current folder, not its root.
    if (folder.size() == 2 && folder[1] == ':')
        folder += '\\';
    auto state = std::make_unique<State>();
    state->change.reset(FindFirstChangeNotificationA(
        folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE));
    if (state->change)
        state->wake.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!state->change || !state->wake) {
        if (error)
            *error = MakeSystemError(static_cast<int>(GetLastError()), "cannot watch " + folder);
        return false;
    }
    state_ = std::move(state);
    return true;
}

FileWatch::Event FileWatch::Wait(int timeoutMs, SystemError* error) {
    const HANDLE handles[2] = {state_->change.get(), state_->wake.get()};
    const DWORD waited = WaitForMultipleObjects(2, handles, FALSE, timeoutMs < 0 ? INFINITE : DWORD(timeoutMs));
    if (waited == WAIT_OBJECT_0 + 1)
        return Event::Woken;
    if (waited == WAIT_TIMEOUT)
        return Event::TimedOut;
    // The next change is only reported once the notification is asked for again.
    if (waited != WAIT_OBJECT_0 || !FindNextChangeNotification(state_->change.get())) {
        if (error)
            *error = MakeSystemError(static_cast<int>(GetLastError()), "cannot wait for changes");
        return Event::Failed;
    }
    return Event::Changed;
}

void FileWatch::Wake() {
    SetEvent(state_->wake.get());
}

} // namespace tarnvale::platform
