// Being told of changes to the entries of whole folder trees: files created, written, renamed or deleted, folders
// made or taken away. A notice only names a path that may have changed; the watcher looks at the path to learn
// what it is now. When the system drops notices (too many at once) it says so, and the watcher must look at
// everything again.
#pragma once

#include "platform/SystemError.h"

#include <memory>
#include <string>
#include <vector>

namespace tarnvale::platform {

struct DirectoryNotice {
    enum class Kind {
        Changed,  // path was created, written, renamed here or changed otherwise (a file or a folder)
        Gone,     // path was deleted or renamed away; for a folder, everything below it too
        Overflow, // notices were lost: look at everything again
    };
    Kind kind = Kind::Changed;
    std::string path;
};

class DirectoryWatch {
public:
    DirectoryWatch();
    ~DirectoryWatch();
    DirectoryWatch(const DirectoryWatch&) = delete;
    DirectoryWatch& operator=(const DirectoryWatch&) = delete;

    // False, with error saying why, when the system gives no change notices here.
    bool Open(SystemError* error = nullptr);

    // Whether one Add covers a folder's whole tree; otherwise each folder below is added on its own.
    bool CoversTree() const;
    // Whether notices may fail to come without the watch saying so: then the watcher rescans now and then too.
    bool MayMissChanges() const;

    enum class Added { Yes, NoMoreWatches, Failed };
    // Starts watching folder (and, where CoversTree, everything below it). NoMoreWatches when the system's limit
    // of watches is reached.
    Added Add(const std::string& folder, SystemError* error = nullptr);

    enum class Event { Notices, TimedOut, Woken, Failed };
    // Waits at most timeoutMs (negative: without a limit) and appends what it was told to notices.
    Event Wait(int timeoutMs, std::vector<DirectoryNotice>& notices, SystemError* error = nullptr);
    // From any thread: the Wait under way, or the next one, returns Woken.
    void Wake();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace tarnvale::platform
