// The writers' lock on Windows: LockFileEx on one byte far beyond the end of the lock file, so that the lock keeps
// writers apart without keeping anyone from reading what the file holds. Where no lock file can be made beside
// the target (C:\ takes no new files from most users), the target itself is locked the same way: its saves are
// then rewrites in place, and readers are not hindered since the locked byte lies past any list file's end.
#include "platform/FileLock.h"

#include "platform/FileHandle_win.h"
#include "platform/FileLockText.h"
#include "platform/SystemError.h"

#include <windows.h>

#include <thread>

namespace tarnvale::platform {
namespace {

constexpr auto kRetryEvery = std::chrono::milliseconds(20);
constexpr DWORD kLockedByteHigh = 0x7FFFFFFF;

std::string HolderOf(HANDLE file) {
    char text[256] = {};
    DWORD n = 0;
    OVERLAPPED at{};
    if (!ReadFile(file, text, sizeof text - 1, &n, &at))
        n = 0;
    return HolderText(std::string(text, n));
}

UniqueFile Open(const std::string& path, DWORD disposition) {
    return OwnFile(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

bool FileLock::Acquire(const std::string& path, const std::string& holder, std::chrono::milliseconds wait,
                       std::string* why) {
    Release();
    UniqueFile file = Open(LockFileName(path), OPEN_ALWAYS);
    const bool ownsFile = static_cast<bool>(file);
    const DWORD refused = GetLastError();
    if (!file)
        file = Open(path, OPEN_EXISTING);
    if (!file) {
        if (why)
            *why =
                "cannot make the lock file " + LockFileName(path) + ": " + SystemErrorText(static_cast<int>(refused));
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        OVERLAPPED at{};
        at.OffsetHigh = kLockedByteHigh;
        if (LockFileEx(AsHandle(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
            break;
        const DWORD code = GetLastError();
        if (code != ERROR_LOCK_VIOLATION && code != ERROR_IO_PENDING) {
            if (why)
                *why = "cannot lock " + LockFileName(path) + ": " + SystemErrorText(static_cast<int>(code));
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            if (why)
                *why = BusyText(path, ownsFile ? HolderOf(AsHandle(file)) : "another writer", wait);
            return false;
        }
        std::this_thread::sleep_for(kRetryEvery);
    }
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
