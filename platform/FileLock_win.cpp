// The writers' lock on Windows: LockFileEx on one byte far beyond the end of the lock file, so that the lock keeps
// writers apart without keeping anyone from reading what the file holds. Where no lock file can be made beside
// the target (C:\ takes no new files from most users), the target itself is locked the same way: its saves are
// then rewrites in place, and readers are not hindered since the locked byte lies past any list file's end.
#include "platform/FileLock.h"

#include "platform/FileHandle_win.h"
#include "platform/FileLockText.h"
#include "platform/SystemError.h"

#include <windows.h>

namespace tarnvale::platform {
namespace {

constexpr DWORD kLockedByteHigh = 0x7FFFFFFF;

UniqueFile Open(const std::string& path, DWORD disposition) {
    return OwnFile(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

LockTry TryLock(const UniqueFile& file, int& code) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockedByteHigh;
    if (LockFileEx(AsHandle(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        return LockTry::Taken;
    const DWORD error = GetLastError();
    code = static_cast<int>(error);
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? LockTry::Busy : LockTry::Refused;
}

std::string HolderOf(const UniqueFile& file) {
    char text[256] = {};
    DWORD n = 0;
    OVERLAPPED at{};
    if (!ReadFile(AsHandle(file), text, sizeof text - 1, &n, &at))
        n = 0;
    return HolderText(std::string(text, n));
}

bool FileLock::Acquire(const std::string& path, const std::string& holder, std::chrono::milliseconds wait,
                       LockRefusal* refusal, const std::function<void(const std::string&)>& waiting) {
    Release();
    UniqueFile file = Open(LockFileName(path), OPEN_ALWAYS);
    const bool ownsFile = static_cast<bool>(file);
    const DWORD refused = GetLastError();
    if (!file)
        file = Open(path, OPEN_EXISTING);
    if (!file) {
        if (refusal)
            refusal->error =
                "cannot make the lock file " + LockFileName(path) + ": " + SystemErrorText(static_cast<int>(refused));
        return false;
    }
    if (!WaitForLock(file, path, ownsFile, wait, refusal, waiting))
        return false;
    if (ownsFile) {
        const std::string text = std::to_string(GetCurrentProcessId()) + " " + holder + "\r\n";
        DWORD written = 0;
        LARGE_INTEGER start{};
        if (SetFilePointerEx(AsHandle(file), start, nullptr, FILE_BEGIN) && SetEndOfFile(AsHandle(file)))
            WriteFile(AsHandle(file), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    file_ = std::move(file);
    return true;
}

void FileLock::Release() {
    if (!file_)
        return;
    OVERLAPPED at{};
    at.OffsetHigh = kLockedByteHigh;
    UnlockFileEx(AsHandle(file_), 0, 1, 0, &at);
    file_.reset();
}

} // namespace tarnvale::platform
