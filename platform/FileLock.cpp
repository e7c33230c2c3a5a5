// The writers' lock's portable part: its state, the lock file's name and the texts that say who holds the lock.
#include "platform/FileLock.h"

#include "platform/FileLockText.h"

namespace tarnvale::platform {

FileLock::FileLock() = default;

FileLock::~FileLock() {
    Release();
}

std::string LockFileName(const std::string& path) {
    return path + ".lock";
}

std::string HolderText(std::string written) {
    while (!written.empty() && (written.back() == '\n' || written.back() == '\r' || written.back() == '\0'))
        written.pop_back();
    const std::size_t space = written.find(' ');
    if (written.empty() || space == std::string::npos)
        return "another writer (it did not say which)";
    return written.substr(space + 1) + " (process " + written.substr(0, space) + ")";
}

std::string BusyText(const std::string& path, const std::string& holder, std::chrono::milliseconds wait) {
    return "the list file " + path + " is being changed by " + holder + "; waited " +
           std::to_string(std::chrono::duration_cast<std::chrono::seconds>(wait).count()) + " s";
}

} // namespace tarnvale::platform
