// Win32 folder listing: FindFirstFileA/FindNextFileA on "folder\*". A folder can be entered exactly when that
// listing starts (or finds nothing in a folder that exists, as in an empty drive root).
#include "platform/Directory.h"

#include <windows.h>

#include <cstring>

namespace tarnvale::platform {

const char kPathSeparator = '\\';

struct DirectoryEnumeration::State {
    std::string path;
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA pending{}; // the entry FindFirstFileA returned, not yet handed out
    bool hasPending = false;
};

DirectoryEnumeration::DirectoryEnumeration() = default;

DirectoryEnumeration::~DirectoryEnumeration() {
    Close();
}

bool DirectoryEnumeration::Open(const std::string& path) {
    Close();
    std::string pattern = path;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/')
        pattern += '\\';
    pattern += '*';
    auto state = std::make_unique<State>();
    state->path = path;
    state->find = FindFirstFileA(pattern.c_str(), &state->pending);
    if (state->find == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) {
            return false;
        }
    } else {
        state->hasPending = true;
    }
    state_ = std::move(state);
    return true;
}

void DirectoryEnumeration::Close() {
    if (state_) {
        if (state_->find != INVALID_HANDLE_VALUE)
            FindClose(state_->find);
        state_.reset();
    }
}

bool DirectoryEnumeration::Next(DirectoryEntry& entry) {
    if (!state_ || state_->find == INVALID_HANDLE_VALUE)
        return false;
    for (;;) {
        if (!state_->hasPending && !FindNextFileA(state_->find, &state_->pending))
            return false;
        state_->hasPending = false;
        const char* name = state_->pending.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        entry.name.assign(name);
        entry.mayBeFolder =
            (state_->pending.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0;
        return true;
    }
}

bool DirectoryEnumeration::Identity(DirectoryId& id) const {
    if (!state_)
        return false;
    HANDLE h = CreateFileA(state_->path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok)
        return false;
    id.volume = info.dwVolumeSerialNumber;
    id.file = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

} // namespace tarnvale::platform
