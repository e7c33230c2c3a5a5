// The writers' lock's portable part: its state, the lock file's name and the texts that say who holds the lock.
#include "platform/FileLock.h"

#include "platform/FileLockText.h"
#include "platform/SystemError.h"

#include <thread>

namespace tarnvale::platform {
namespace {

constexpr auto kRetryEvery = std::chrono::milliseconds(20);

} // namespace

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

bool WaitForLock(const UniqueFile& file, const std::string& path, bool ownsFile, std::chrono::milliseconds wait,
                 std::string* why, const std::function<void(const std::string&)>& waiting) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    const auto holder = [&] { return ownsFile ? HolderOf(file) : std::string("another writer"); };
    for (bool first = true;; first = false) {
        int code = 0;
        switch (TryLock(file, code)) {
        case LockTry::Taken:
            return true;
        case LockTry::Refused:
            if (why)
                *why = "cannot lock " + LockFileName(path) + ": " + SystemErrorText(code);
            return false;
        case LockTry::Busy:
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            if (why)
                *why = BusyText(path, holder(), wait);
            return false;
        }
        if (first && waiting)
            waiting(holder());
        std::this_thread::sleep_for(kRetryEvery);
    }
}

} // namespace tarnvale::platform
