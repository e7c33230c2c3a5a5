// The writers' lock on POSIX: flock on the lock file, which belongs to the open file and so also keeps two writers
// of one process apart. Where no lock file can be made beside the target (a folder that takes no new files), the
// target itself is locked: its saves are then rewrites in place, so it stays the same file.
#include "platform/FileLock.h"

#include "platform/FileHandle_posix.h"
#include "platform/FileLockText.h"
#include "platform/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnvale::platform {
namespace {

// The lock file, or failing that the target itself (false for ownsFile then).
UniqueFile OpenLockFile(const std::string& path, bool& ownsFile, int& code) {
    UniqueFile file(::open(LockFileName(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    ownsFile = static_cast<bool>(file);
    if (!file) {
        code = errno;
        file.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    }
    return file;
}

} // namespace

LockTry TryLock(const UniqueFile& file, int& code) {
    if (::flock(Fd(file), LOCK_EX | LOCK_NB) == 0)
        return LockTry::Taken;
    code = errno;
    return code == EWOULDBLOCK || code == EINTR ? LockTry::Busy : LockTry::Refused;
}

// What the holder wrote in the lock file: "1234 tarnvale watch".
std::string HolderOf(const UniqueFile& file) {
    char text[256] = {};
    const ssize_t n = ::pread(Fd(file), text, sizeof text - 1, 0);
    return HolderText(std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0));
}

bool FileLock::Acquire(const std::string& path, const std::string& holder, std::chrono::milliseconds wait,
                       LockRefusal* refusal, const std::function<void(const std::string&)>& waiting) {
    Release();
    bool ownsFile = false;
    int code = 0;
    UniqueFile file = OpenLockFile(path, ownsFile, code);
    if (!file) {
        if (refusal)
            refusal->error = "cannot make the lock file " + LockFileName(path) + ": " + SystemErrorText(code);
        return false;
    }
    if (!WaitForLock(file, path, ownsFile, wait, refusal, waiting))
        return false;
    if (ownsFile) {
        const std::string text = std::to_string(::getpid()) + " " + holder + "\n";
        if (::ftruncate(Fd(file), 0) == 0) {
            [[maybe_unused]] const ssize_t written = ::pwrite(Fd(file), text.data(), text.size(), 0);
        }
    }
    file_ = std::move(file);
    return true;
}

void FileLock::Release() {
    // Closing the file lets the lock go; the lock file stays for the next writer.
    file_.reset();
}

} // namespace tarnvale::platform
