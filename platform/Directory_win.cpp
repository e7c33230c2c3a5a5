// Win32 folder listing: FindFirstFileA/FindNextFileA on "folder\*". A folder can be entered exactly when that
// listing starts (or finds nothing in a folder that exists, as in an empty drive root).
#include "platform/Directory.h"

#include "platform/FileHandle_win.h"

#include <windows.h>

#include <cstring>

namespace tarnvale::platform {

const char kPathSeparator = '\\';

namespace {

struct FindTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle find) { FindClose(find); }
};

} // namespace

struct DirectoryEnumeration::State {
    std::string path;
    UniqueHandle<FindTraits> find;
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
    state->find.reset(FindFirstFileA(pattern.c_str(), &state->pending));
    if (!state->find) {
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
    state_.reset();
}

bool DirectoryEnumeration::Next(DirectoryEntry& entry) {
    if (!state_ || !state_->find)
        return false;
    for (;;) {
        if (!state_->hasPending && !FindNextFileA(state_->find.get(), &state_->pending))
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
    // Opened for its identity only: no access, and the flag that lets a folder be opened at all.
    const UniqueFile folder =
        OwnFile(CreateFileA(state_->path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder || !GetFileInformationByHandle(AsHandle(folder), &info))
        return false;
    id.volume = info.dwVolumeSerialNumber;
    id.file = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

} // namespace tarnvale::platform
