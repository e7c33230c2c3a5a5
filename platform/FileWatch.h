// Being told that a file may have changed: written and closed, replaced by a rename, created or deleted. The watch
// is on the file's folder, so a file that a save replaces by renaming another over it stays watched.
#pragma once

#include "platform/SystemError.h"

#include <memory>
#include <string>

namespace tarnvale::platform {

class FileWatch {
public:
    FileWatch();
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Starts watching path's folder, which must exist; false, with error saying why when given, if the system
    // will not tell of changes there.
    bool Open(const std::string& path, SystemError* error = nullptr);

    enum class Event {
        Changed,  // the file may have changed (on some systems: something in its folder did)
        TimedOut, // nothing happened within the time
        Woken,    // Wake was called
        Failed,   // the watch ended (its folder went away) or cannot be waited on; error says why
    };
    // After a successful Open: waits at most timeoutMs (negative: without a limit) for a change or a Wake.
    Event Wait(int timeoutMs, SystemError* error = nullptr);
    // After a successful Open, from any thread: the Wait under way, or else the next one, returns Woken.
    void Wake();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace tarnvale::platform
