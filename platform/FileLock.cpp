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

bool WaitForLock(const UniqueFile& file, const std::string& path, bool ownsFile, std::chrono::milliseconds wait,
                 LockRefusal* refusal, const std::function<void(const std::string&)>& waiting) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    const auto holder = [&] { return ownsFile ? HolderOf(file) : std::string("another writer"); };
    for (bool first = true;; first = false) {
        int code = 0;
        switch (TryLock(file, code)) {
        case LockTry::Taken:
            return true;
        case LockTry::Refused:
            if (refusal)
                refusal->error = "cannot lock " + (ownsFile ? LockFileName(path) : path) + ": " + SystemErrorText(code);
            return false;
        case LockTry::Busy:
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            if (refusal)
                refusal->holder = holder();
            return false;
        }
        if (first && waiting)
            waiting(holder());
        std::this_thread::sleep_for(kRetryEvery);
    }
}

} // namespace tarnvale::platform
