// The writers' lock of a file: one writer at a time holds it from reading the file to replacing it, so that no
// writer's change is lost to another's. Readers take no lock. It is kept in a file beside the target (the target's
// name with ".lock" added), since a save replaces the target itself; the holder writes its process id and name
// there, so that one that waited in vain can say who holds it.
#pragma once

#include "platform/FileHandle.h"

#include <chrono>
#include <functional>
#include <string>

namespace tarnvale::platform {

// Why a lock was not had: another holder kept it for the whole wait, or the system refused it.
struct LockRefusal {
    // Who held it, as far as it said ("tarnvale watch (process 4711)"); empty when the system refused the lock.
    std::string holder;
    // Otherwise the system's refusal in words ("cannot make the lock file F.lock: Permission denied").
    std::string error;
};

class FileLock {
public:
    FileLock();
    ~FileLock(); // releases the lock
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock of path, waiting at most wait for the one that holds it. holder names this one for others
    // ("tarnvale add"). False when the lock was not had: refusal then says who holds it, as far as it said, or
    // why the lock cannot be taken at all. waiting, when given, is told once who holds the lock when the wait
    // for it starts, so that a writer can say why it pauses.
    bool Acquire(const std::string& path, const std::string& holder, std::chrono::milliseconds wait,
                 LockRefusal* refusal = nullptr, const std::function<void(const std::string&)>& waiting = {});
    void Release();
    bool Held() const { return static_cast<bool>(file_); }

private:
    UniqueFile file_; // the locked file while the lock is held
};

// The lock file of path.
std::string LockFileName(const std::string& path);

} // namespace tarnvale::platform
